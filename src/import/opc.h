#pragma once

// The packaging shared by .xlsx and .docx: parts found through their relationships, part names
// resolved as strings (never as file paths), and the escapes of characters XML cannot carry.

#include <QHash>
#include <QString>

#include <optional>

namespace tiku::import {

class ZipArchive;

struct Relationship {
    QString type;   // the relationship type URI
    QString target; // the part name, resolved
};

// The relationships of a part by id (of the package when part is empty); none when it has no
// relationships part. External targets are left out.
QHash<QString, Relationship> relationships(ZipArchive& archive, const QString& part);

// The target of the first relationship whose type ends in typeSuffix ("/styles").
std::optional<QString> targetOfType(const QHash<QString, Relationship>& rels,
                                    QStringView typeSuffix);

// The package's main part (xl/workbook.xml, word/document.xml), when it names one.
std::optional<QString> officeDocumentPart(ZipArchive& archive);

// A part name resolved against the folder of the part that names it ("xl/workbook.xml" and
// "worksheets/sheet1.xml" give "xl/worksheets/sheet1.xml"; "/xl/x.xml" is absolute).
QString resolvePartName(const QString& sourcePart, QStringView target);

// Decodes the _xHHHH_ escapes Office Open XML writes for characters XML cannot carry.
QString decodeOoxmlEscapes(const QString& text);

} // namespace tiku::import
