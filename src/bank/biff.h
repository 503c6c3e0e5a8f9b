#pragma once

// BIFF8: the records of the Workbook stream, the shared string table and the cell records, read
// lazily over the file bytes. What the reader needs beyond WorkbookData, and the small decoding
// helpers (numberformat.h), are here.

#include "bankerror.h"
#include "numberformat.h"
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

} // namespace biff
} // namespace tiku::bank
