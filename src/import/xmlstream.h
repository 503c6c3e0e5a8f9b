#pragma once

// A pull reader over one XML part of an archive, fed straight from the inflating entry in
// chunks, so no part is ever held whole. Expat parses each chunk into a batch of events that
// next() hands out one by one. A DOCTYPE is refused on sight, so no entity is ever declared or
// resolved; a part that is not well formed, or an archive fault underneath, throws ImportError
// naming the file, the part and the line.

#include <QByteArray>
#include <QHash>
#include <QIODevice>
#include <QLatin1String>
#include <QString>

#include <memory>
#include <string>
#include <vector>

typedef struct XML_ParserStruct* XML_Parser;

namespace tiku::import {

class ZipArchive;

class XmlStream {
public:
    enum Token { StartElement, EndElement, Characters, EndDocument };

    // Names in prefixed form: without namespace processing, an element's name is its local
    // name whatever its prefix and namespaceUri() is empty (faster, for parts whose readers
    // look at local names only).
    enum class Names { Namespaced, LocalOnly };
    // Large parts are inflated ahead of the parser on a thread of their own.
    enum class Size { Small, Large };

    // cut: with Size::Large, an element name whose plain form <cut>…</cut> is cut out before
    // parsing (see ZipArchive::openAhead); list it in setDropped too for its other forms.
    XmlStream(ZipArchive& archive, const QString& part, Names names = Names::Namespaced,
              Size size = Size::Small, const QByteArray& cut = {});
    // Over bytes in memory.
    XmlStream(const QByteArray& bytes, const QString& where);
    ~XmlStream();
    XmlStream(const XmlStream&) = delete;
    XmlStream& operator=(const XmlStream&) = delete;

    // The next start element, end element or text; EndDocument at the end (and from then on).
    Token next();
    // Skips to the end of the element just started.
    void skipElement();
    // Elements of these local names are dropped whole, before they become events: for parts
    // where most markup is formatting that is never read (the runs of a shared string).
    void setDropped(std::vector<QByteArray> localNames) { dropped_ = std::move(localNames); }
    // The text of the element just started and all its descendants, read to its end; a text
    // longer than a cell holds is refused as it grows.
    QString elementText();

    // The local name and namespace of the element just started or ended (ASCII in every format
    // read here; other names never equal what the readers look for).
    QLatin1String name() const;
    QLatin1String namespaceUri() const;
    // The text of a Characters token.
    QString text() const;
    // Appends the UTF-8 text of a Characters token; refuses a text longer than a cell holds.
    void appendText(QByteArray& out) const;
    // An attribute of the element just started by local name, in any namespace or none; empty
    // when absent.
    QString attribute(QStringView localName) const;
    // An attribute by namespace and local name.
    QString attribute(QStringView ns, QStringView localName) const;
    bool hasAttribute(QStringView ns, QStringView localName) const;

    [[noreturn]] void fail(const QString& what) const;

    struct Span {
        int offset = 0;
        int size = 0;
        int pool = -1; // a namespace kept in namespaces_, or -1: in the arena
    };
    struct Attribute {
        Span ns, name, value;
    };
    struct Event {
        Token type;
        Span ns, name, text;
        int firstAttribute = 0, lastAttribute = 0;
        qint64 line = 0;
    };

private:
    void refill();
    QLatin1String view(Span s) const {
        if (s.pool >= 0) {
            const QByteArray& ns = namespaces_[size_t(s.pool)];
            return QLatin1String(ns.constData(), ns.size());
        }
        return QLatin1String(arena_.data() + s.offset, s.size);
    }
    const Attribute* findAttribute(QStringView ns, bool anyNs, QStringView localName) const;

    friend struct XmlCallbacks;

    std::unique_ptr<QIODevice> device_;
    QByteArray memory_; // the bytes when reading from memory
    bool memoryFed_ = false;
    XML_Parser parser_ = nullptr;
    QString where_;
    bool localOnly_ = false;
    // The batch of events of the last chunk, their names, texts and attributes in one arena.
    std::string arena_;
    std::vector<Event> events_;
    std::vector<Attribute> attributes_;
    size_t position_ = 0;
    const Event* current_ = nullptr;
    bool finished_ = false;
    QString refusal_; // why a callback stopped the parser
    // The few namespaces a part uses, kept once rather than copied with every element.
    std::vector<QByteArray> namespaces_;
    QHash<QByteArray, int> namespaceIds_;
    int lastNamespace_ = -1;
    std::vector<QByteArray> dropped_;
    int droppedDepth_ = 0; // inside a dropped element
    int depth_ = 0;        // elements open
    // Bytes fed to the parser, and as many when it last gave an event: the gap is markup it
    // holds whole, bounded by kMaxMarkupBytes.
    qint64 fed_ = 0;
    qint64 lastEventAt_ = 0;
};

} // namespace tiku::import
