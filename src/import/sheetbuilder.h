#pragma once

// Collects the cells of one worksheet read from a bank author's file, held to what a .xls
// worksheet can take: a value beyond row 65536 or column IV, or a text over 32767 characters, is
// refused; a formatted empty cell out there is dropped, as a .xls cannot hold it.

#include "budget.h"

#include "bank/biff.h"
#include "bank/writer.h"

#include <QString>

namespace tiku::import {

class SheetBuilder {
public:
    // Cells with values are spent from budget, which also names the file in messages.
    SheetBuilder(const QString& sheetName, Budget& budget);

    // row and column 1-based; any value. A blank (a formatted empty cell) only widens the used
    // rows, so a run of them costs nothing: see addBlanks.
    void add(qint64 row, qint64 column, bank::CellValue value);
    // count formatted empty cells down from row in column.
    void addBlanks(qint64 row, qint64 column, qint64 count);
    // The sheet, with a blank cell at the first and last formatted row where these lie outside
    // the rows holding values.
    bank::SheetSpec take();

private:
    bank::SheetSpec sheet_;
    Budget& budget_;
    int firstValueRow_ = 0, lastValueRow_ = 0;
    int firstBlankRow_ = 0, firstBlankColumn_ = 0, lastBlankRow_ = 0, lastBlankColumn_ = 0;
};

// A number as the program shows it through a .xls: a date or time by its number format when the
// format shows one and the serial is a date the program knows, else the number NaN and the
// infinities, which a .xls cannot hold, are 0, as LibreOffice writes them into one.
bank::CellValue numberValue(double value, bank::biff::DateParts format, bool date1904);

// An error literal (#DIV/0!, #N/A, ...) as its value; a literal a .xls cannot hold becomes #N/A.
bank::ErrorValue errorFromLiteral(QStringView literal);

// Column letters as a column number ("A" 1, "IV" 256); 0 when not letters or too long.
qint64 columnFromLetters(QStringView letters);

// The column letters of a column number, for messages.
QString columnLetters(qint64 column);

} // namespace tiku::import
