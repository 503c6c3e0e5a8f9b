#pragma once

#include "failure.h"

namespace tiku::bank {

enum class ErrorKind {
    FileMissing,       // no file at the path
    FileUnreadable,    // exists but cannot be read
    NotAWorkbook,      // not a compound file, or no workbook stream in it
    UnsupportedFormat, // a workbook of another format: Excel 5/95, .xlsx, encrypted OOXML
    PasswordRefused,   // the password does not open the workbook
    NoSuchWorksheet,   // no worksheet of that name
    NotAWorksheet,     // the sheet at a position is a chart or macro sheet, or there is none
    Damaged,           // the file is broken or hostile
    CellError,         // the cell holds an error value, which has no text
    BadArgument,       // a row or column outside the sheet, a row text that is no number
    Closed,            // the workbook or service was closed or quit already
};

// The numeric codes, as the spreadsheet service and the runtime raise them:
//   53    FileMissing: "file not found"
//   75    FileUnreadable: "path/file access error"
//   9     NoSuchWorksheet: "subscript out of range" (no member of that name)
//   13    CellError, and BadArgument for a row text that is no number: "type mismatch"
//   462   Closed: the instance was quit or the workbook closed ("server unavailable")
//   1004  everything else the service refuses: not a workbook, unsupported format, password
//         refused, damaged file, a chart or macro sheet at a position, a row or column outside
//         the sheet
namespace error_code {
inline constexpr int FileNotFound = 53;
inline constexpr int FileAccess = 75;
inline constexpr int SubscriptOutOfRange = 9;
inline constexpr int TypeMismatch = 13;
inline constexpr int ServerUnavailable = 462;
inline constexpr int ApplicationDefined = 1004;
} // namespace error_code

// Every failure of the workbook engine. The description is plain Chinese and names the file; it
// never contains the password.
class BankError : public Failure {
public:
    BankError(ErrorKind kind, int code, QString description)
        : Failure(code, std::move(description)), kind_(kind) {}
    ErrorKind kind() const noexcept { return kind_; }

private:
    ErrorKind kind_;
};

} // namespace tiku::bank
