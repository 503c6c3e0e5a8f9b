#pragma once

// The lines of a question list: a text file's lines, or a Word document's paragraphs.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tiku::import {

class ZipArchive;

// A text file's bytes as text: UTF-8 (a byte order mark dropped), else GB18030, the encoding of
// Chinese Windows. Throws ImportError when it is neither.
QString decodeText(const QByteArray& bytes, const QString& displayName);

// Lines split at LF, CRLF or CR.
QStringList splitLines(const QString& text);

// True when the archive holds a Word document.
bool isDocx(ZipArchive& archive);

// A Word document's paragraphs as lines: a line break inside a paragraph starts a new line, and
// automatic numbering and lettering (set on the paragraph or through its style) is written out
// as if typed, followed by a blank where Word puts a tab or blank. Text boxes and deleted text are
// left out. Throws ImportError.
QStringList readDocxLines(ZipArchive& archive);

} // namespace tiku::import
