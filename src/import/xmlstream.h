#pragma once

// A pull reader over one XML part of an archive: QXmlStreamReader fed straight from the inflating
// entry, so no part is ever held whole. A DOCTYPE is refused on sight, so no entity is ever
// declared or resolved; a part that is not well formed, or an archive fault underneath, throws
// ImportError naming the file, the part and the line.

#include <QIODevice>
#include <QString>
#include <QVariant>
#include <QXmlStreamReader>

#include <memory>

namespace tiku::import {

class ZipArchive;

class XmlStream {
public:
    XmlStream(ZipArchive& archive, const QString& part);
    // Over bytes in memory (which must outlive it).
    XmlStream(const QByteArray& bytes, const QString& where);

    // The next start element, end element or text; EndDocument at the end.
    QXmlStreamReader::TokenType next();
    // Skips to the end of the element just started.
    void skipElement();
    // The text of the element just started and all its descendants.
    QString elementText();

    QXmlStreamReader& reader() { return reader_; }
    QStringView name() const { return reader_.name(); }
    // An attribute by local name, in any namespace or none.
    QStringView attribute(QStringView localName) const;
    // An attribute by namespace and local name.
    QStringView attribute(QStringView ns, QStringView localName) const;

    [[noreturn]] void fail(const QString& what) const;

private:
    std::unique_ptr<QIODevice> device_;
    QXmlStreamReader reader_;
    QString where_;
};

} // namespace tiku::import
