#pragma once

#include <QString>

#include <exception>

namespace tiku {

// A run-time failure with the numeric code the user is shown (13: type mismatch, 6: overflow,
// and so on) and a plain Chinese description. Handlers trap it with try/catch; one that escapes a
// handler reaches the toolkit's own failure report.
class Failure : public std::exception {
public:
    Failure(int code, QString description)
        : code_(code), description_(std::move(description)), what_(description_.toUtf8()) {}

    int code() const noexcept { return code_; }
    const QString& description() const noexcept { return description_; }
    const char* what() const noexcept override { return what_.constData(); }

private:
    int code_;
    QString description_;
    QByteArray what_;
};

namespace failure_code {
inline constexpr int Overflow = 6;
inline constexpr int TypeMismatch = 13;
inline constexpr int ApplicationDefined = 1004; // what the spreadsheet service answers
} // namespace failure_code

} // namespace tiku
