#pragma once

// The lines of a question list: a text file's lines, or a Word document's paragraphs.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <vector>

namespace tiku::import {

class ZipArchive;

// A text file's bytes as text: UTF-16 (little- or big-endian) when they start with its byte order
// mark, else UTF-8 (a byte order mark dropped), else GB18030, the encoding of Chinese Windows.
// Throws ImportError when it is none of them.
QString decodeText(const QByteArray& bytes, const QString& displayName);

// Lines split at LF, CRLF or CR.
QStringList splitLines(const QString& text);

// The same lines, each given to f in turn as a view into text.
void forEachLine(QStringView text, const std::function<void(QStringView)>& f);

// True when the archive holds a Word document.
bool isDocx(ZipArchive& archive);

// A Word document's paragraphs as lines: a line break inside a paragraph starts a new line, and
// automatic numbering and lettering (set on the paragraph or through its style) is written out
// as if typed, followed by a blank where Word puts a tab or blank. Text boxes, deleted text and
// text moved away under Track Changes (w:del, w:moveFrom) are left out; text formatted hidden
// (w:vanish) is read as shown, and its line marked hidden. Transitional and Strict Open XML are
// read alike. Each line is given to f in turn. Throws ImportError.
void forEachDocxLine(ZipArchive& archive,
                     const std::function<void(QStringView line, bool hidden)>& f);

// The same lines in a list; the numbers of the lines that hold hidden text are added to
// hiddenLines when given.
QStringList readDocxLines(ZipArchive& archive, std::vector<int>* hiddenLines = nullptr);

} // namespace tiku::import
