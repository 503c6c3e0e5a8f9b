#pragma once

// The text sources `tiku-bank make` builds worksheets from: UTF-8 TSV with the escapes \n, \r,
// \t and \\ (backslash), or UTF-8 CSV as RFC 4180 has it.

#include "import/importerror.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace tiku::tool {

// A source that cannot be taken: the message names the file and, where it helps, the line. The
// same failure as the readers' own.
using InputError = import::ImportError;

// Rows of fields: row k of the result is worksheet row k + 1, field j is column j + 1.
using Table = std::vector<QStringList>;

// Parses a TSV text: one row per line (LF or CRLF), fields split at tabs, each field unescaped.
// A final line break ends the last row and does not start another. Throws InputError naming
// `source` and the line of a bad escape.
Table parseTsv(const QString& text, const QString& source);

// Parses a CSV text: fields split at commas, a field in double quotes may hold commas, line
// breaks and doubled quotes. Throws InputError for an unterminated quote or a stray character
// after a closing quote.
Table parseCsv(const QString& text, const QString& source);

// Parses the bytes of a file as strict UTF-8 (a leading byte order mark is dropped): as CSV when
// its name ends in ".csv", else as TSV.
Table readTable(const QByteArray& bytes, const QString& path);

} // namespace tiku::tool
