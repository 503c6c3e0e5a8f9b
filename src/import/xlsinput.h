#pragma once

// Excel 97–2003 workbooks (.xls) as inputs of `tiku-bank make`, read by the bank reader: every
// worksheet with its name in order, every cell with its kind and value.

#include "bank/writer.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace tiku::import {

// Throws ImportError naming path (a wrong password names --input-password), or BankError for a
// workbook the reader refuses.
std::vector<bank::SheetSpec> readXls(const QByteArray& bytes, const QString& path,
                                     const QString& password);

} // namespace tiku::import
