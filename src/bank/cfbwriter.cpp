#include "cfbwriter.h"

#include "cfbformat.h"

#include <QtEndian>

#include <algorithm>
#include <vector>

namespace tiku::bank::detail {

namespace {

namespace format = cfb::format;
namespace header = format::header;
namespace entry = format::entry;

constexpr quint32 kFreeSect = format::freeSector;
constexpr quint32 kEndOfChain = format::endOfChain;
constexpr quint32 kFatSect = format::fatSector;
constexpr quint32 kDifSect = format::difSector;
constexpr quint32 kNoStream = format::noStream;

// Version 3: sectors of 512 bytes, mini sectors of 64.
constexpr quint16 kSectorShift = 9;
constexpr quint16 kMiniSectorShift = 6;
constexpr qint64 kSectorSize = qint64(1) << kSectorShift;
constexpr qint64 kMiniSectorSize = format::miniSectorSize;
static_assert(kMiniSectorSize == qint64(1) << kMiniSectorShift);
constexpr qint64 kMiniStreamCutoff = format::miniStreamCutoff;
constexpr qint64 kIdsPerSector = kSectorSize / 4; // 128 FAT or mini FAT entries
constexpr qint64 kHeaderDifatEntries = format::headerDifatEntries;
constexpr qint64 kIdsPerDifatSector = kIdsPerSector - 1; // the last entry links the next one

qint64 ceilDiv(qint64 a, qint64 b) {
    return (a + b - 1) / b;
}

void put16(QByteArray& out, qint64 at, quint16 v) {
    qToLittleEndian<quint16>(v, out.data() + at);
}
void put32(QByteArray& out, qint64 at, quint32 v) {
    qToLittleEndian<quint32>(v, out.data() + at);
}

// One directory entry at offset `at` of out (already zero-filled).
void putEntry(QByteArray& out, qint64 at, const QString& name, quint8 type, quint32 child,
              quint32 start, quint32 size) {
    const QString n = name.left(31);
    for (int i = 0; i < n.size(); ++i) {
        put16(out, at + entry::name + 2 * i, n.at(i).unicode());
    }
    put16(out, at + entry::nameBytes,
          n.isEmpty() && type == format::emptyEntry ? 0 : quint16((n.size() + 1) * 2));
    out[at + entry::type] = char(type);
    out[at + entry::color] = char(entry::black); // a tree of one node under the root
    put32(out, at + entry::left, kNoStream);
    put32(out, at + entry::right, kNoStream);
    put32(out, at + entry::child, child);
    put32(out, at + entry::start, start);
    qToLittleEndian<quint64>(size, out.data() + at + entry::streamSize);
}

} // namespace

QByteArray writeCompoundFile(const QString& streamName, const QByteArray& stream) {
    const qint64 size = stream.size();
    const bool mini = size < kMiniStreamCutoff;

    // Sectors in file order: the stream (or the mini stream that holds it), the mini FAT, the
    // directory, the DIFAT sectors, the FAT.
    qint64 miniSectors = 0;
    qint64 dataSectors = 0;
    qint64 miniFatSectors = 0;
    if (mini) {
        miniSectors = ceilDiv(size, kMiniSectorSize);
        dataSectors = ceilDiv(miniSectors * kMiniSectorSize, kSectorSize);
        miniFatSectors = ceilDiv(miniSectors, kIdsPerSector);
    } else {
        dataSectors = ceilDiv(size, kSectorSize);
    }
    const qint64 dirSectors = 1;
    const qint64 fixedSectors = dataSectors + miniFatSectors + dirSectors;
    qint64 fatSectors = 0;
    qint64 difatSectors = 0;
    for (;;) {
        const qint64 total = fixedSectors + fatSectors + difatSectors;
        const qint64 needFat = ceilDiv(total, kIdsPerSector);
        const qint64 needDifat = needFat > kHeaderDifatEntries
                                     ? ceilDiv(needFat - kHeaderDifatEntries, kIdsPerDifatSector)
                                     : 0;
        if (needFat <= fatSectors && needDifat <= difatSectors) {
            break;
        }
        fatSectors = std::max(fatSectors, needFat);
        difatSectors = std::max(difatSectors, needDifat);
    }
    const qint64 firstMiniFat = dataSectors;
    const qint64 firstDir = firstMiniFat + miniFatSectors;
    const qint64 firstDifat = firstDir + dirSectors;
    const qint64 firstFat = firstDifat + difatSectors;
    const qint64 totalSectors = firstFat + fatSectors;

    QByteArray out((totalSectors + 1) * kSectorSize, '\0');
    auto sectorOffset = [](qint64 sector) { return (sector + 1) * kSectorSize; };

    // Header.
    std::copy(format::signature, format::signature + 8, out.begin());
    put16(out, header::minorVersion, header::minorVersionValue);
    put16(out, header::majorVersion, 3);
    put16(out, header::byteOrder, header::byteOrderValue);
    put16(out, header::sectorShift, kSectorShift);
    put16(out, header::miniSectorShift, kMiniSectorShift);
    put32(out, header::directorySectors, 0);
    put32(out, header::fatSectors, quint32(fatSectors));
    put32(out, header::firstDirectory, quint32(firstDir));
    put32(out, header::transaction, 0);
    put32(out, header::miniStreamCutoff, quint32(kMiniStreamCutoff));
    put32(out, header::firstMiniFat, miniFatSectors > 0 ? quint32(firstMiniFat) : kEndOfChain);
    put32(out, header::miniFatSectors, quint32(miniFatSectors));
    put32(out, header::firstDifat, difatSectors > 0 ? quint32(firstDifat) : kEndOfChain);
    put32(out, header::difatSectors, quint32(difatSectors));
    for (qint64 i = 0; i < kHeaderDifatEntries; ++i) {
        put32(out, header::difat + 4 * i, i < fatSectors ? quint32(firstFat + i) : kFreeSect);
    }

    // DIFAT sectors: the FAT sector numbers after the first 109, chained by their last entry.
    for (qint64 d = 0; d < difatSectors; ++d) {
        const qint64 at = sectorOffset(firstDifat + d);
        for (qint64 i = 0; i < kIdsPerDifatSector; ++i) {
            const qint64 fatIndex = kHeaderDifatEntries + d * kIdsPerDifatSector + i;
            put32(out, at + 4 * i,
                  fatIndex < fatSectors ? quint32(firstFat + fatIndex) : kFreeSect);
        }
        put32(out, at + 4 * kIdsPerDifatSector,
              d + 1 < difatSectors ? quint32(firstDifat + d + 1) : kEndOfChain);
    }

    // FAT.
    std::vector<quint32> fat(size_t(fatSectors * kIdsPerSector), kFreeSect);
    auto chain = [&fat](qint64 first, qint64 count) {
        for (qint64 i = 0; i < count; ++i) {
            fat[size_t(first + i)] = i + 1 < count ? quint32(first + i + 1) : kEndOfChain;
        }
    };
    chain(0, dataSectors);
    chain(firstMiniFat, miniFatSectors);
    chain(firstDir, dirSectors);
    for (qint64 i = 0; i < difatSectors; ++i) {
        fat[size_t(firstDifat + i)] = kDifSect;
    }
    for (qint64 i = 0; i < fatSectors; ++i) {
        fat[size_t(firstFat + i)] = kFatSect;
    }
    for (size_t i = 0; i < fat.size(); ++i) {
        put32(out, sectorOffset(firstFat) + 4 * qint64(i), fat[i]);
    }

    // The stream itself, in regular sectors or in the mini stream: either way its bytes start
    // at sector 0 and run on contiguously.
    std::copy(stream.begin(), stream.end(), out.begin() + sectorOffset(0));

    // Mini FAT.
    for (qint64 i = 0; i < miniFatSectors * kIdsPerSector; ++i) {
        quint32 v = kFreeSect;
        if (i < miniSectors) {
            v = i + 1 < miniSectors ? quint32(i + 1) : kEndOfChain;
        }
        put32(out, sectorOffset(firstMiniFat) + 4 * i, v);
    }

    // Directory: the root storage, the stream, and two unused entries.
    const qint64 dir = sectorOffset(firstDir);
    const quint32 rootStart = mini && dataSectors > 0 ? 0 : kEndOfChain;
    const quint32 rootSize = mini ? quint32(miniSectors * kMiniSectorSize) : 0;
    putEntry(out, dir, QStringLiteral("Root Entry"), format::rootEntry, 1, rootStart, rootSize);
    const quint32 streamStart = size > 0 ? 0 : kEndOfChain;
    putEntry(out, dir + entry::size, streamName, format::streamEntry, kNoStream, streamStart,
             quint32(size));
    for (int e = 2; e < 4; ++e) {
        const qint64 at = dir + e * entry::size;
        put32(out, at + entry::left, kNoStream);
        put32(out, at + entry::right, kNoStream);
        put32(out, at + entry::child, kNoStream);
    }

    return out;
}

} // namespace tiku::bank::detail
