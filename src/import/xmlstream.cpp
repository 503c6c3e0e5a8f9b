#include "xmlstream.h"

#include "importerror.h"
#include "ziparchive.h"

namespace tiku::import {

XmlStream::XmlStream(ZipArchive& archive, const QString& part)
    : device_(archive.open(part)),
      where_(QStringLiteral("%1: %2").arg(archive.displayName(), part)) {
    reader_.setDevice(device_.get());
    reader_.setNamespaceProcessing(true);
}

XmlStream::XmlStream(const QByteArray& bytes, const QString& where) : where_(where) {
    reader_.addData(bytes);
    reader_.setNamespaceProcessing(true);
}

QXmlStreamReader::TokenType XmlStream::next() {
    for (;;) {
        const auto token = reader_.readNext();
        switch (token) {
        case QXmlStreamReader::StartElement:
        case QXmlStreamReader::EndElement:
        case QXmlStreamReader::Characters:
        case QXmlStreamReader::EndDocument:
            return token;
        case QXmlStreamReader::DTD:
            fail(QStringLiteral("a DOCTYPE, which is refused"));
        case QXmlStreamReader::EntityReference:
            fail(QStringLiteral("an undeclared entity &%1;").arg(reader_.name()));
        case QXmlStreamReader::Invalid:
            if (device_ && device_->property(kFailureProperty).isValid()) {
                throw ImportError(device_->property(kFailureProperty).toString());
            }
            fail(QStringLiteral("XML that is not well formed (%1)").arg(reader_.errorString()));
        default:
            break;
        }
    }
}

void XmlStream::skipElement() {
    for (int depth = 1; depth > 0;) {
        const auto token = next();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
        } else if (token == QXmlStreamReader::EndDocument) {
            fail(QStringLiteral("XML that ends inside an element"));
        }
    }
}

QString XmlStream::elementText() {
    QString text;
    for (int depth = 1; depth > 0;) {
        const auto token = next();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
        } else if (token == QXmlStreamReader::Characters) {
            text += reader_.text();
        } else {
            fail(QStringLiteral("XML that ends inside an element"));
        }
    }
    return text;
}

QStringView XmlStream::attribute(QStringView localName) const {
    for (const QXmlStreamAttribute& a : reader_.attributes()) {
        if (a.name() == localName) {
            return a.value();
        }
    }
    return {};
}

QStringView XmlStream::attribute(QStringView ns, QStringView localName) const {
    for (const QXmlStreamAttribute& a : reader_.attributes()) {
        if (a.name() == localName && a.namespaceUri() == ns) {
            return a.value();
        }
    }
    return {};
}

void XmlStream::fail(const QString& what) const {
    throw ImportError(QStringLiteral("%1:%2: %3").arg(where_).arg(reader_.lineNumber()).arg(what));
}

} // namespace tiku::import
