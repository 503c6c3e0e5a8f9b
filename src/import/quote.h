#pragma once

// Texts from bank authors' files as messages quote them: escaped, so nothing in them acts on a
// terminal, and cut, so one message stays one short line.

#include <QString>

#include <utility>

namespace tiku::import {

// The TSV escapes, each character with the letter after its backslash: what dump writes and
// a TSV input reads back.
inline constexpr std::pair<char16_t, char16_t> kTsvEscapes[] = {
    {u'\\', u'\\'}, {u'\n', u'n'}, {u'\r', u'r'}, {u'\t', u't'}};

// The TSV escape of a text: backslash, line feed, carriage return and tab as \\, \n, \r, \t;
// any other control character (U+0000 to U+001F, U+007F) as \xHH.
QString escapeText(const QString& text);

// A text as a message quotes it: in double quotes with the TSV escapes (\n, \t, …); a text
// of more than kQuotedCharacters characters is cut there, marked with "…" and followed by its
// full length in characters: "XXXX…" (32000 characters).
QString quotedCell(const QString& text);

inline constexpr int kQuotedCharacters = 40;

} // namespace tiku::import
