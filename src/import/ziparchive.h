#pragma once

// A zip archive read from memory through libzip. Entries are looked up by name and read as
// streams; names are never used as file paths, and two that differ only in letter case are
// refused. Every byte inflated counts against a budget of
// the smaller of 1 GiB and 200 times the archive's size, so a zip bomb stops early.

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QVariant>

#include <memory>

typedef struct zip zip_t;

namespace tiku::import {

// The property of an entry device that holds why its last read failed.
inline constexpr char kFailureProperty[] = "tikuImportFailure";

// Cuts the elements written <NAME>…</NAME> (no attributes, no prefix) out of a byte stream fed
// in pieces, finding them as plain bytes: in well-formed XML such a tag can only be markup, so a
// parser never sees what it would only drop. A tag split between two pieces is found whole.
class ElementCutter {
public:
    explicit ElementCutter(const QByteArray& name);
    // Appends to out what of the next n bytes lies outside the cut elements.
    void feed(const char* p, qint64 n, QByteArray& out);
    // At the end of the stream: what was held back as the start of a tag. An element never
    // closed stays cut, and the parser finds the document unfinished.
    void finish(QByteArray& out);

private:
    // The length of the longest end of p..p+n that is the start of tag.
    static qint64 partialTag(const char* p, qint64 n, const QByteArray& tag);

    QByteArray open_, close_;
    QByteArray pending_;
    bool inside_ = false;
};

class ZipArchive {
public:
    // Opens the archive in bytes (which must outlive it); throws ImportError naming displayName.
    ZipArchive(const QByteArray& bytes, const QString& displayName);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    static bool hasSignature(const QByteArray& bytes);

    bool contains(const QString& name) const;
    // A sequential device over the inflated entry; throws ImportError when there is no such
    // entry or it cannot be opened. A read past the budget, or of damaged data, fails with the
    // device's errorString() saying why.
    std::unique_ptr<QIODevice> open(const QString& name);
    // The same, inflated on a thread of its own a little ahead of the reader: for large parts.
    // When cut names an element, that thread also cuts out every <cut>…</cut> (written without
    // attributes or prefix): formatting the reader would drop, never parsed.
    std::unique_ptr<QIODevice> openAhead(const QString& name, const QByteArray& cut = {});
    // The whole entry, for small parts; throws ImportError past maxBytes or on damage.
    QByteArray read(const QString& name, qint64 maxBytes);

    const QString& displayName() const { return displayName_; }
    // The size of the archive in bytes.
    qint64 size() const { return archiveBytes_; }
    // Takes n inflated bytes from the budget; false when it is spent.
    bool spend(qint64 n);
    // Why the budget is spent, naming the limit that tripped: the ratio or the size.
    QString budgetRefusal() const;

private:
    zip_t* zip_ = nullptr;
    QString displayName_;
    qint64 budget_ = 0;
    qint64 archiveBytes_ = 0;
};

} // namespace tiku::import
