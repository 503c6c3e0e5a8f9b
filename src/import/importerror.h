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
    explicit ImportError(const QString& message) : Failure(ErrorKind::BadInput, message) {}
};

// What a .xls worksheet holds.
inline constexpr int kMaxRows = bank::maxSheetRows;
inline constexpr int kMaxColumns = bank::maxSheetColumns;
inline constexpr int kMaxTextLength = bank::maxTextLength;
// The most bytes such a text takes in XML as UTF-8, with every character an _xHHHH_ escape:
// a text read from XML stops growing there.
inline constexpr int kMaxTextBytes = 7 * kMaxTextLength;
// What a .xls workbook holds: more sheets are refused as they are found, before they are read.
inline constexpr int kMaxSheets = bank::maxSheets;

// What one input workbook may give, counted as it is read (repeats as they expand, texts as they
// arrive), so that no file costs more time or memory than a bank could hold: 500,000 cells with
// values (a bank of two sheets of 32,767 questions holds about 200,000), a million texts in a
// shared string table, and 50 million characters of text, which at two bytes each with the cells
// stay under the 128 MB a bank file may have. The first limit reached stops reading.
inline constexpr qint64 kMaxCells = 500000;
inline constexpr qint64 kMaxStrings = 1000000;
inline constexpr qint64 kMaxCharacters = 50000000;
// Characters cost some six bytes each on their way into a bank, and a few bytes of a file can
// stand for many (spaces written as a count, repeated words that deflate well): a file may give
// at most these many characters, and as many again for each byte of it, up to kMaxCharacters.
// A real bank file gives about one character for each of its bytes.
inline constexpr qint64 kBaseCharacters = 16000000;
inline constexpr qint64 kCharactersPerByte = 3;
// The longest tag (with its attributes), comment or other markup the XML parser holds whole.
inline constexpr qint64 kMaxMarkupBytes = qint64(4) << 20;

// An archive is refused when its entries would inflate past the smaller of these.
inline constexpr qint64 kMaxInflatedBytes = qint64(1) << 30;
inline constexpr qint64 kMaxInflationRatio = 200;
inline constexpr qint64 kMaxEntries = 20000;

} // namespace tiku::import
