#include "opc.h"

#include "xmlstream.h"
#include "ziparchive.h"

#include <QStringList>

namespace tiku::import {

QHash<QString, Relationship> relationships(ZipArchive& archive, const QString& part) {
    const qsizetype slash = part.lastIndexOf(u'/');
    const QString relsPart = part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1) +
                             QStringLiteral(".rels");
    QHash<QString, Relationship> out;
    if (!archive.contains(relsPart)) {
        return out;
    }
    XmlStream xml(archive, relsPart);
    for (auto t = xml.next(); t != XmlStream::EndDocument; t = xml.next()) {
        if (t == XmlStream::StartElement && xml.name() == "Relationship" &&
            xml.attribute(u"TargetMode") != u"External") {
            out.insert(xml.attribute(u"Id"),
                       {xml.attribute(u"Type"), resolvePartName(part, xml.attribute(u"Target"))});
        }
    }
    return out;
}

std::optional<QString> targetOfType(const QHash<QString, Relationship>& rels,
                                    QStringView typeSuffix) {
    for (auto it = rels.cbegin(); it != rels.cend(); ++it) {
        if (it->type.endsWith(typeSuffix)) {
            return it->target;
        }
    }
    return std::nullopt;
}

std::optional<QString> officeDocumentPart(ZipArchive& archive) {
    return targetOfType(relationships(archive, QString()), u"/officeDocument");
}

QString decodeOoxmlEscapes(const QString& text) {
    if (!text.contains(QStringLiteral("_x"))) {
        return text;
    }
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'_' && i + 6 < text.size() && text[i + 1] == u'x' && text[i + 6] == u'_') {
            bool ok = false;
            const uint code = QStringView(text).mid(i + 2, 4).toUInt(&ok, 16);
            if (ok) {
                out.append(QChar(char16_t(code)));
                i += 6;
                continue;
            }
        }
        out.append(text[i]);
    }
    return out;
}

QString resolvePartName(const QString& sourcePart, QStringView target) {
    QStringList segments;
    if (!target.startsWith(u'/')) {
        segments = sourcePart.split(u'/');
        segments.removeLast();
    }
    for (QStringView segment : target.split(u'/')) {
        if (segment.isEmpty() || segment == u".") {
            continue;
        }
        if (segment == u"..") {
            if (!segments.isEmpty()) {
                segments.removeLast();
            }
            continue;
        }
        segments.append(segment.toString());
    }
    segments.removeAll(QString());
    return segments.join(u'/');
}

} // namespace tiku::import
