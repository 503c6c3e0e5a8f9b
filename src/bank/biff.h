#pragma once

// BIFF8: the records of the Workbook stream, the shared string table and the cell records, read
// lazily over the file bytes. What the reader needs beyond WorkbookData, and the small decoding
// helpers, are here.

#include "bankerror.h"
#include "workbook.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace tiku::bank {

// The error of a failed open: "无法打开题库文件“<name>”：<reason>" with the code of the kind.
BankError openFailure(ErrorKind kind, const QString& displayName, const QString& reason);

namespace biff {

// Opens the workbook in the compound file bytes; throws BankError.
std::shared_ptr<const WorkbookData> open(QByteArray bytes, const QString& password,
                                         const QString& displayName);

// The value of an RK number.
double decodeRk(quint32 rk);

// What a number format shows of a date serial.
struct DateParts {
    bool date = false;
    bool time = false;
    bool any() const { return date || time; }
};
// The built-in format index, or a FORMAT record's code when ifmt is not built in.
DateParts classifyFormat(int ifmt, const QString& code);

// A date serial as the service gives a date value: "2024/1/5", "2024/1/5 13:45:00", "13:45:00".
// Empty when the serial lies outside the dates the service knows (before 1900 or after 9999).
QString dateText(double serial, bool date1904, DateParts parts);

} // namespace biff
} // namespace tiku::bank
