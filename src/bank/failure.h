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

// The numeric codes of every failure, as the spreadsheet service and the runtime raise them.
namespace failure_code {
inline constexpr int InvalidCall = 5; // an argument out of its range (a random value, a draw)
inline constexpr int Overflow = 6;    // a number outside its type's range
inline constexpr int OutOfMemory = 7;
inline constexpr int SubscriptOutOfRange = 9; // no such worksheet; an index outside an array
inline constexpr int TypeMismatch = 13;       // a text that is no number; a cell's error value
inline constexpr int InternalError = 51;
inline constexpr int FileNotFound = 53;         // no file at the path
inline constexpr int FileAccess = 75;           // a path that cannot be read
inline constexpr int ServerUnavailable = 462;   // the instance was quit or the workbook closed
inline constexpr int ApplicationDefined = 1004; // everything else the spreadsheet service refuses
} // namespace failure_code

} // namespace tiku
