#pragma once

// What a BIFF8 number cell shows: RK numbers, and date serials under the number format of the
// cell, as the spreadsheet service gives them as text.

#include <QString>

namespace tiku::bank::biff {

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

} // namespace tiku::bank::biff
