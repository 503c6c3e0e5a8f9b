#pragma once

// What the readers of bank authors' files throw, and the limits they hold every input to.

#include "bank/bankformat.h"
#include "core/failure.h"

#include <QString>

namespace tiku::import {

// An input that cannot be taken: one line that names the file and what is wrong with it.
// One class with the bank tool's own input errors.
class ImportError : public Failure {
public:
    explicit ImportError(const QString& message, ErrorKind kind = ErrorKind::BadInput)
        : Failure(kind, message) {}
    const QString& message() const { return description(); }
};

// What a .xls worksheet holds.
inline constexpr int kMaxRows = bank::maxSheetRows;
inline constexpr int kMaxColumns = bank::maxSheetColumns;
inline constexpr int kMaxTextLength = bank::maxTextLength;
// What a .xls workbook holds: more sheets are refused as they are found, before they are read.
inline constexpr int kMaxSheets = bank::maxSheets;

// An archive is refused when its entries would inflate past the smaller of these.
inline constexpr qint64 kMaxInflatedBytes = qint64(1) << 30;
inline constexpr qint64 kMaxInflationRatio = 200;
inline constexpr qint64 kMaxEntries = 20000;

} // namespace tiku::import
