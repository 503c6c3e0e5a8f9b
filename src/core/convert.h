#pragma once

// The text/number conversions the screens, their rules and the session use. Their failures are
// of the kinds TypeMismatch (13: the text is not a number) and Overflow (6).

#include <QString>

namespace tiku {

// The whole text must be a number, blanks around it allowed: an optional sign, digits with an
// optional decimal point, an optional exponent ("1e3"). Empty text fails with 13, a number too
// large for a double with 6.
double strictNumber(const QString& text);

// A number rounded to a 16-bit integer, halves to the even neighbour; outside -32768..32767
// fails with 6.
qint16 toInt16(double value);

// strictNumber, then toInt16.
qint16 strictInt16(const QString& text);

// The leading numeric part of the text after any blanks, 0 when there is none ("7.5abc" is 7.5,
// "abc" is 0).
double lenientNumber(const QString& text);

// Shortest decimal form, no leading blank: 12 -> "12".
QString numberText(double value);

// A blank in place of the sign for a number that is not negative, then at most 15 significant
// digits, "." as decimal point, no trailing zeros: 70 -> " 70", 100.0/6 -> " 16.6666666666667".
QString signedText(double value);

// "A" for 0 ... "E" for 4: the answer letter of the option of that index.
QString optionLetter(int index);

// The folder, then a separator unless the folder already ends in one ("/" or "\", as a drive
// root such as "C:\" or "/" does), then the file name.
QString joinPath(const QString& folder, const QString& fileName, QChar separator);

} // namespace tiku
