#include "xmlstream.h"

#include "importerror.h"
#include "ziparchive.h"

#include <expat.h>

#include <cstring>

namespace tiku::import {

namespace {

constexpr int kChunk = 1 << 16;
constexpr char kNamespaceSeparator = '\x01';
// Expat hands out every name as "uri\x01local", which is measured and compared whole: a long
// namespace name would make each element cost its length. Real ones are far shorter.
constexpr size_t kMaxNamespaceUri = 512;
// Expat keeps every open element: a part of nothing but nested start tags costs some 150 bytes
// of memory for every 5 bytes read. Office files nest a few dozen deep (libxml2 stops at 256).
constexpr int kMaxDepth = 1024;

} // namespace

struct XmlCallbacks {
    static XmlStream& self(void* data) { return *static_cast<XmlStream*>(data); }

    static XmlStream::Span store(XmlStream& s, const char* p, int n) {
        const XmlStream::Span span{int(s.arena_.size()), n, -1};
        s.arena_.append(p, size_t(n));
        return span;
    }

    static XmlStream::Span storeNamespace(XmlStream& s, const char* p, int n) {
        const QByteArrayView uri(p, n);
        if (s.lastNamespace_ >= 0 && s.namespaces_[size_t(s.lastNamespace_)] == uri) {
            return {0, n, s.lastNamespace_};
        }
        // Every namespace is kept once, however many a part uses: copied with each name, a
        // few hundred namespaces would multiply the part's size.
        const QByteArray key(p, n);
        auto it = s.namespaceIds_.constFind(key);
        if (it == s.namespaceIds_.cend()) {
            s.namespaces_.push_back(key);
            it = s.namespaceIds_.insert(key, int(s.namespaces_.size() - 1));
        }
        s.lastNamespace_ = *it;
        return {0, n, s.lastNamespace_};
    }

    // "uri\x01local" or "local".
    static void storeName(XmlStream& s, const char* name, XmlStream::Span& ns,
                          XmlStream::Span& local) {
        if (s.localOnly_) {
            const char* colon = std::strchr(name, ':');
            const char* rest = colon != nullptr ? colon + 1 : name;
            ns = {};
            local = store(s, rest, int(std::strlen(rest)));
            return;
        }
        // Most names are in the namespace of the name before: no need to look for the end of it.
        if (s.lastNamespace_ >= 0) {
            const QByteArray& last = s.namespaces_[size_t(s.lastNamespace_)];
            if (std::strncmp(name, last.constData(), size_t(last.size())) == 0 &&
                name[last.size()] == kNamespaceSeparator) {
                ns = {0, int(last.size()), s.lastNamespace_};
                const char* rest = name + last.size() + 1;
                local = store(s, rest, int(std::strlen(rest)));
                return;
            }
        }
        const char* sep = std::strchr(name, kNamespaceSeparator);
        if (sep == nullptr) {
            ns = {};
            local = store(s, name, int(std::strlen(name)));
        } else {
            ns = storeNamespace(s, name, int(sep - name));
            local = store(s, sep + 1, int(std::strlen(sep + 1)));
        }
    }

    static bool dropped(XmlStream& s, const XML_Char* name) {
        if (s.droppedDepth_ > 0) {
            return true;
        }
        if (s.dropped_.empty()) {
            return false;
        }
        const char* sep = std::strrchr(name, s.localOnly_ ? ':' : kNamespaceSeparator);
        const QByteArrayView local(sep != nullptr ? sep + 1 : name);
        for (const QByteArray& d : s.dropped_) {
            if (d.size() == local.size() && d == local) {
                return true;
            }
        }
        return false;
    }

    static void XMLCALL start(void* data, const XML_Char* name, const XML_Char** attrs) {
        XmlStream& s = self(data);
        s.lastEventAt_ = s.fed_;
        if (++s.depth_ > kMaxDepth) {
            s.refusal_ = QStringLiteral("elements nested more than %1 deep, which is refused")
                             .arg(kMaxDepth);
            XML_StopParser(s.parser_, XML_FALSE);
            return;
        }
        if (dropped(s, name)) {
            ++s.droppedDepth_;
            return;
        }
        XmlStream::Event e{XmlStream::StartElement, {}, {}, {}, 0, 0, 0};
        storeName(s, name, e.ns, e.name);
        e.firstAttribute = int(s.attributes_.size());
        for (int i = 0; attrs[i] != nullptr && attrs[i + 1] != nullptr; i += 2) {
            XmlStream::Attribute a;
            storeName(s, attrs[i], a.ns, a.name);
            a.value = store(s, attrs[i + 1], int(std::strlen(attrs[i + 1])));
            s.attributes_.push_back(a);
        }
        e.lastAttribute = int(s.attributes_.size());
        e.line = qint64(XML_GetCurrentLineNumber(s.parser_));
        s.events_.push_back(e);
    }

    static void XMLCALL end(void* data, const XML_Char* name) {
        XmlStream& s = self(data);
        s.lastEventAt_ = s.fed_;
        --s.depth_;
        if (s.droppedDepth_ > 0) {
            --s.droppedDepth_;
            return;
        }
        XmlStream::Event e{XmlStream::EndElement, {}, {}, {}, 0, 0, 0};
        storeName(s, name, e.ns, e.name);
        e.line = qint64(XML_GetCurrentLineNumber(s.parser_));
        s.events_.push_back(e);
    }

    static void XMLCALL characters(void* data, const XML_Char* text, int n) {
        XmlStream& s = self(data);
        s.lastEventAt_ = s.fed_;
        if (s.droppedDepth_ > 0) {
            return;
        }
        if (!s.events_.empty() && s.events_.back().type == XmlStream::Characters &&
            s.events_.back().text.offset + s.events_.back().text.size == int(s.arena_.size())) {
            s.arena_.append(text, size_t(n)); // one text, however expat splits it
            s.events_.back().text.size += n;
            return;
        }
        XmlStream::Event e{XmlStream::Characters, {}, {}, store(s, text, n), 0, 0, 0};
        e.line = qint64(XML_GetCurrentLineNumber(s.parser_));
        s.events_.push_back(e);
    }

    static void XMLCALL doctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*,
                                int) {
        XmlStream& s = self(data);
        s.refusal_ = QStringLiteral("a DOCTYPE, which is refused");
        XML_StopParser(s.parser_, XML_FALSE);
    }

    static void XMLCALL namespaceDecl(void* data, const XML_Char*, const XML_Char* uri) {
        XmlStream& s = self(data);
        if (uri != nullptr && std::strlen(uri) > kMaxNamespaceUri) {
            s.refusal_ = QStringLiteral("a namespace name longer than %1 bytes, which is refused")
                             .arg(kMaxNamespaceUri);
            XML_StopParser(s.parser_, XML_FALSE);
        }
    }

    static void XMLCALL entity(void* data, const XML_Char*, int, const XML_Char*, int,
                               const XML_Char*, const XML_Char*, const XML_Char*, const XML_Char*) {
        XmlStream& s = self(data);
        s.refusal_ = QStringLiteral("an entity declaration, which is refused");
        XML_StopParser(s.parser_, XML_FALSE);
    }
};

namespace {

XML_Parser makeParser(void* self, bool namespaces) {
    XML_Parser p =
        namespaces ? XML_ParserCreateNS(nullptr, kNamespaceSeparator) : XML_ParserCreate(nullptr);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    XML_SetUserData(p, self);
    if (namespaces) {
        XML_SetStartNamespaceDeclHandler(p, XmlCallbacks::namespaceDecl);
    }
    XML_SetElementHandler(p, XmlCallbacks::start, XmlCallbacks::end);
    XML_SetCharacterDataHandler(p, XmlCallbacks::characters);
    XML_SetStartDoctypeDeclHandler(p, XmlCallbacks::doctype);
    XML_SetEntityDeclHandler(p, XmlCallbacks::entity);
    XML_SetParamEntityParsing(p, XML_PARAM_ENTITY_PARSING_NEVER);
    return p;
}

} // namespace

XmlStream::XmlStream(ZipArchive& archive, const QString& part, Names names, Size size,
                     const QByteArray& cut)
    : device_(size == Size::Large ? archive.openAhead(part, cut) : archive.open(part)),
      where_(QStringLiteral("%1: %2").arg(archive.displayName(), part)),
      localOnly_(names == Names::LocalOnly) {
    parser_ = makeParser(this, !localOnly_);
    arena_.reserve(size_t(kChunk) * 4);
}

XmlStream::XmlStream(const QByteArray& bytes, const QString& where)
    : memory_(bytes), where_(where) {
    parser_ = makeParser(this, true);
}

XmlStream::~XmlStream() {
    XML_ParserFree(parser_);
}

void XmlStream::refill() {
    events_.clear();
    attributes_.clear();
    arena_.clear(); // keeps its capacity for the next batch
    position_ = 0;
    current_ = nullptr;
    static thread_local char chunk[kChunk];
    while (events_.empty() && !finished_) {
        qint64 n = 0;
        const char* data = chunk;
        if (device_) {
            n = device_->read(chunk, kChunk);
            if (n < 0) {
                const QVariant why = device_->property(kFailureProperty);
                throw ImportError(why.isValid() ? why.toString()
                                                : QStringLiteral("%1: cannot be read").arg(where_));
            }
        } else if (!memoryFed_) {
            data = memory_.constData();
            n = memory_.size();
            memoryFed_ = true;
        }
        finished_ = n == 0;
        if (XML_Parse(parser_, data, int(n), finished_ ? XML_TRUE : XML_FALSE) != XML_STATUS_OK) {
            if (!refusal_.isEmpty()) {
                fail(refusal_);
            }
            fail(QStringLiteral("XML that is not well formed (%1)")
                     .arg(QString::fromUtf8(XML_ErrorString(XML_GetErrorCode(parser_)))));
        }
        fed_ += n;
        if (device_ && fed_ - lastEventAt_ > kMaxMarkupBytes) {
            fail(QStringLiteral("a tag, attribute or comment longer than %1 MB, which is refused")
                     .arg(kMaxMarkupBytes >> 20));
        }
    }
}

XmlStream::Token XmlStream::next() {
    if (position_ >= events_.size()) {
        refill();
        if (events_.empty()) {
            current_ = nullptr;
            return EndDocument;
        }
    }
    current_ = &events_[position_++];
    return current_->type;
}

void XmlStream::skipElement() {
    for (int depth = 1; depth > 0;) {
        const Token token = next();
        if (token == StartElement) {
            ++depth;
        } else if (token == EndElement) {
            --depth;
        } else if (token == EndDocument) {
            fail(QStringLiteral("XML that ends inside an element"));
        }
    }
}

QString XmlStream::elementText() {
    QByteArray text;
    for (int depth = 1; depth > 0;) {
        const Token token = next();
        if (token == StartElement) {
            ++depth;
        } else if (token == EndElement) {
            --depth;
        } else if (token == Characters) {
            appendText(text);
        } else {
            fail(QStringLiteral("XML that ends inside an element"));
        }
    }
    QString out = QString::fromUtf8(text);
    out.squeeze(); // fromUtf8 reserves a unit per byte, three times what Chinese text needs
    return out;
}

void XmlStream::appendText(QByteArray& out) const {
    if (current_ != nullptr && current_->type == Characters) {
        if (out.size() + current_->text.size > kMaxTextBytes) {
            fail(QStringLiteral("a text longer than the %1 characters a cell holds")
                     .arg(kMaxTextLength));
        }
        out.append(arena_.data() + current_->text.offset, current_->text.size);
    }
}

QLatin1String XmlStream::name() const {
    return current_ != nullptr ? view(current_->name) : QLatin1String();
}

QLatin1String XmlStream::namespaceUri() const {
    return current_ != nullptr ? view(current_->ns) : QLatin1String();
}

QString XmlStream::text() const {
    return current_ != nullptr && current_->type == Characters
               ? QString::fromUtf8(arena_.data() + current_->text.offset, current_->text.size)
               : QString();
}

const XmlStream::Attribute* XmlStream::findAttribute(QStringView ns, bool anyNs,
                                                     QStringView localName) const {
    if (current_ == nullptr || current_->type != StartElement) {
        return nullptr;
    }
    for (int i = current_->firstAttribute; i < current_->lastAttribute; ++i) {
        const Attribute& a = attributes_[size_t(i)];
        if (view(a.name) == localName && (anyNs || view(a.ns) == ns)) {
            return &a;
        }
    }
    return nullptr;
}

QString XmlStream::attribute(QStringView localName) const {
    const Attribute* a = findAttribute({}, true, localName);
    return a != nullptr ? QString::fromUtf8(arena_.data() + a->value.offset, a->value.size)
                        : QString();
}

QString XmlStream::attribute(QStringView ns, QStringView localName) const {
    const Attribute* a = findAttribute(ns, false, localName);
    return a != nullptr ? QString::fromUtf8(arena_.data() + a->value.offset, a->value.size)
                        : QString();
}

bool XmlStream::hasAttribute(QStringView ns, QStringView localName) const {
    return findAttribute(ns, false, localName) != nullptr;
}

void XmlStream::fail(const QString& what) const {
    const qint64 line =
        current_ != nullptr && refusal_.isEmpty() && what.startsWith(QStringLiteral("XML that is"))
            ? qint64(XML_GetCurrentLineNumber(parser_))
        : current_ != nullptr ? current_->line
                              : qint64(XML_GetCurrentLineNumber(parser_));
    throw ImportError(QStringLiteral("%1:%2: %3").arg(where_).arg(line).arg(what));
}

} // namespace tiku::import
