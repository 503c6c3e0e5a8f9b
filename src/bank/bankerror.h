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

// Each kind has its code in failure_code: FileMissing 53, FileUnreadable 75, NoSuchWorksheet 9,
// CellError 13 (and BadArgument for a row text that is no number), Closed 462, and 1004 for
// everything else the service refuses: not a workbook, unsupported format, password refused,
// damaged file, a chart or macro sheet at a position, a row or column outside the sheet.

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
