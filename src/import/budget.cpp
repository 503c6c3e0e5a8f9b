#include "budget.h"

#include "importerror.h"

#include <algorithm>

namespace tiku::import {

Budget::Budget(QString file, qint64 fileBytes)
    : file_(std::move(file)),
      maxCharacters_(
          fileBytes > 0 ? std::min(kMaxCharacters, kBaseCharacters + kCharactersPerByte * fileBytes)
                        : kMaxCharacters) {}

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
    if (characters_ > maxCharacters_) {
        throw ImportError(
            maxCharacters_ == kMaxCharacters
                ? QStringLiteral("%1: more than %2 characters of text in the workbook, more than "
                                 "a bank of %3 MB holds")
                      .arg(file_)
                      .arg(kMaxCharacters)
                      .arg(bank::maxWorkbookBytesMb)
                : QStringLiteral("%1: more than %2 characters of text in the workbook, more than "
                                 "%3 million and %4 for each byte of the file, which is refused")
                      .arg(file_)
                      .arg(maxCharacters_)
                      .arg(kBaseCharacters / 1000000)
                      .arg(kCharactersPerByte));
    }
}

} // namespace tiku::import
