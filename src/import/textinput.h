#pragma once

// The text sources `tiku-bank make` builds worksheets from: UTF-8 TSV with the escapes \n, \r,
// \t and \\ (backslash), or UTF-8 CSV as RFC 4180 has it.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace tiku::import {

// Rows of fields: row k of the result is worksheet row k + 1, field j is column j + 1.
using Table = std::vector<QStringList>;

// Parses a TSV text: one row per line (LF, CRLF or a lone CR), fields split at tabs, each field
// unescaped. A final line break ends the last row and does not start another. Throws ImportError
// naming `source` and the line of a bad escape, of a row of more than 256 fields, or of a row
// past the 65,536 a worksheet holds (as the rows arrive).
Table parseTsv(const QString& text, const QString& source);

// Parses a CSV text: fields split at commas, rows at LF, CRLF or a lone CR outside quotes; a field
// in double quotes may hold commas, line breaks and doubled quotes. Throws ImportError for an
// unterminated quote, a stray character after a closing quote, or too many fields or rows.
Table parseCsv(const QString& text, const QString& source);

// Parses the bytes of a file as strict UTF-8 (a leading byte order mark is dropped): as CSV when
// its name ends in ".csv", else as TSV.
Table readTable(const QByteArray& bytes, const QString& path);

} // namespace tiku::import
