#pragma once

// The compound file (structured storage) holding a workbook: versions 3 and 4, FAT, DIFAT, mini
// FAT and mini stream. A stream is resolved to the list of its sectors in the file, so it is read
// straight out of the file bytes without being copied.

#include "core/failure.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace tiku::bank::cfb {

// A structural fault of the compound file, a damaged file; the caller turns it into its own
// error.
class Corrupt : public Failure {
public:
    explicit Corrupt(const std::string& what)
        : Failure(ErrorKind::Damaged, QString::fromStdString(what)) {}
};

bool hasSignature(const QByteArray& bytes);

// A stream of the compound file: reads through its sector list into the file bytes.
class Stream {
public:
    Stream() = default;
    Stream(const QByteArray& file, std::vector<quint32> unitOffsets, int unitSize, qint64 size);

    qint64 size() const { return size_; }
    // Copies n bytes from position pos; false (nothing copied) when they are not all inside the
    // stream.
    bool read(qint64 pos, qsizetype n, char* out) const;

private:
    const char* file_ = nullptr;
    std::vector<quint32> units_; // file offset of each sector (or mini sector) in stream order
    int unitShift_ = 9;
    qint64 size_ = 0;
    bool contiguous_ = false; // all sectors follow each other in the file
};

class CompoundFile {
public:
    // Parses header, FAT, DIFAT, mini FAT and directory of file (which must outlive this object
    // and its streams). Throws Corrupt.
    explicit CompoundFile(const QByteArray& file);

    // The names of the root storage's direct children.
    std::vector<QString> rootNames() const;
    // True when the root storage holds an entry of that name (letter case ignored).
    bool contains(const QString& name) const;
    // The stream of that name directly under the root storage; nullopt when there is none.
    // Throws Corrupt when its sector chain is broken.
    std::optional<Stream> stream(const QString& name) const;

    int majorVersion() const { return major_; }

private:
    struct Entry {
        QString name;
        int type = 0;
        quint32 left = 0xFFFFFFFF, right = 0xFFFFFFFF, child = 0xFFFFFFFF;
        quint32 start = 0;
        quint64 size = 0;
    };

    // The constructor's steps, in the order the file is read.
    void readHeader();
    std::vector<quint32> fatSectorList() const;
    void readFat();
    void readDirectory();
    void readMiniStream();

    qint64 sectorSize() const { return qint64(1) << sectorShift_; }
    // The FAT, mini FAT or DIFAT entries one sector holds.
    qint64 entriesPerSector() const { return sectorSize() / 4; }
    quint32 u32(qint64 offset) const;
    qint64 sectorOffset(quint32 sector) const;
    std::vector<quint32> chain(quint32 start, qint64 count, const std::vector<quint32>& fat,
                               const char* what) const;
    const Entry* findRootChild(const QString& name) const;

    const QByteArray& file_;
    int major_ = 3;
    int sectorShift_ = 9;
    int miniShift_ = 6;
    quint32 miniCutoff_ = 4096;
    qint64 sectorCount_ = 0; // sectors wholly or partly in the file
    std::vector<quint32> fat_;
    std::vector<quint32> miniFat_;
    std::vector<Entry> entries_;
    std::vector<quint32> rootChildren_;    // directory indices of the root's children
    std::vector<quint32> miniStreamUnits_; // file offset of each mini sector of the mini stream
};

} // namespace tiku::bank::cfb
