#pragma once

// What `tiku-bank check` finds in the banks sheet1 (人文) and sheet2 (临床) that the program cannot
// use, written once for a workbook file and for the workbook `make` is about to write.

#include "bank/workbook.h"
#include "bank/writer.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace tiku::import {

struct BankCheck {
    // What `check` prints, in order: each bank's findings and its summary line
    // ("sheet1 (人文): 34 questions, 0 findings"), then the rename advice if any.
    QStringList lines;
    // The findings alone, each as in `lines`.
    QStringList findings;
};

// The banks of a workbook read from file (named in the rename advice).
BankCheck checkBanks(const bank::WorkbookData& book, const QString& file);

// The banks of a workbook as make builds it, as `check` would find them once written; a bank
// whose sheet is not there is left unchecked (make says it is missing).
BankCheck checkBanks(const bank::WorkbookSpec& spec);

// The index of the worksheet of that name, letter case ignored, or -1.
int findWorksheet(const std::vector<bank::SheetInfo>& sheets, const QString& name);

} // namespace tiku::import
