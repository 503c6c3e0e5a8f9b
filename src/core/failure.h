#pragma once

// The one family of failures: every failure the program and the tool raise has a kind, and its
// numeric code comes from the kind through codeOf, the one table of codes.

#include <QString>

#include <exception>

namespace tiku {

// The numeric codes the user is shown, as the spreadsheet service and the runtime raise them.
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

enum class ErrorKind {
    // The runtime's: conversions, the rules' arrays and draws, the toolkit.
    InvalidCall,         // an argument out of its range (a random value, a draw)
    Overflow,            // a number outside its type's range
    OutOfMemory,         // an allocation failed
    SubscriptOutOfRange, // an index outside an array
    TypeMismatch,        // a text that is no number
    InternalError,       // an exception from outside the family
    Refused,             // anything else the program refuses (a screen that does not exist)
    // The workbook engine's.
    FileMissing,       // no file at the path
    FileUnreadable,    // exists but cannot be read (or, for the writer, cannot be written)
    NotAWorkbook,      // not a compound file, or no workbook stream in it
    UnsupportedFormat, // a workbook of another format: Excel 5/95, .xlsx, encrypted OOXML
    PasswordRefused,   // the password does not open the workbook
    NoSuchWorksheet,   // no worksheet of that name
    NotAWorksheet,     // the sheet at a position is a chart or macro sheet, or there is none
    Damaged,           // the file is broken or hostile
    CellError,         // the cell holds an error value, which has no text
    NotANumber,        // a row text that is no number
    BadArgument,       // a row or column outside the sheet, a workbook the writer cannot write
    Closed,            // the workbook or service was closed or quit already
    // The bank tool's, whose codes nobody is shown: it prints the description alone.
    BadInput, // an input file that cannot be taken
    Usage,    // a command line that cannot be followed
};

// The one table of codes.
constexpr int codeOf(ErrorKind kind) {
    switch (kind) {
    case ErrorKind::InvalidCall:
        return failure_code::InvalidCall;
    case ErrorKind::Overflow:
        return failure_code::Overflow;
    case ErrorKind::OutOfMemory:
        return failure_code::OutOfMemory;
    case ErrorKind::SubscriptOutOfRange:
    case ErrorKind::NoSuchWorksheet:
        return failure_code::SubscriptOutOfRange;
    case ErrorKind::TypeMismatch:
    case ErrorKind::CellError:
    case ErrorKind::NotANumber:
        return failure_code::TypeMismatch;
    case ErrorKind::InternalError:
        return failure_code::InternalError;
    case ErrorKind::FileMissing:
        return failure_code::FileNotFound;
    case ErrorKind::FileUnreadable:
        return failure_code::FileAccess;
    case ErrorKind::Closed:
        return failure_code::ServerUnavailable;
    case ErrorKind::Refused:
    case ErrorKind::NotAWorkbook:
    case ErrorKind::UnsupportedFormat:
    case ErrorKind::PasswordRefused:
    case ErrorKind::NotAWorksheet:
    case ErrorKind::Damaged:
    case ErrorKind::BadArgument:
    case ErrorKind::BadInput:
    case ErrorKind::Usage:
        return failure_code::ApplicationDefined;
    }
    return failure_code::ApplicationDefined;
}

// A run-time failure: its kind, the code the user is shown, and a plain Chinese description
// (English in the bank tool). Handlers trap it with try/catch; one that escapes a handler reaches
// the toolkit's own failure report, and in the tool its main.
class Failure : public std::exception {
public:
    Failure(ErrorKind kind, QString description)
        : kind_(kind), description_(std::move(description)), what_(description_.toUtf8()) {}

    ErrorKind kind() const noexcept { return kind_; }
    int code() const noexcept { return codeOf(kind_); }
    const QString& description() const noexcept { return description_; }
    const char* what() const noexcept override { return what_.constData(); }

private:
    ErrorKind kind_;
    QString description_;
    QByteArray what_;
};

} // namespace tiku
