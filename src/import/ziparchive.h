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
    std::unique_ptr<QIODevice> openAhead(const QString& name);
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
    bool byRatio_ = false; // the budget is the ratio's, not the size's
};

} // namespace tiku::import
