#include "budget.h"

#include "importerror.h"

namespace tiku::import {

void Budget::spendCells(qint64 n) {
    cells_ += n;
    if (cells_ > kMaxCells) {
        throw ImportError(QStringLiteral("%1: more than %2 cells with values in the workbook "
                                         "(repeats counted), more than a bank holds")
                              .arg(file_)
                              .arg(kMaxCells));
    }
}

void Budget::spendStrings(qint64 n) {
    strings_ += n;
    if (strings_ > kMaxStrings) {
        throw ImportError(QStringLiteral("%1: more than %2 shared strings in the workbook, "
                                         "more than a bank holds")
                              .arg(file_)
                              .arg(kMaxStrings));
    }
}

void Budget::spendCharacters(qint64 n) {
    characters_ += n;
    if (characters_ > kMaxCharacters) {
        throw ImportError(QStringLiteral("%1: more than %2 characters of text in the workbook, "
                                         "more than a bank of %3 MB holds")
                              .arg(file_)
                              .arg(kMaxCharacters)
                              .arg(bank::maxWorkbookBytesMb));
    }
}

} // namespace tiku::import
