#include "cfb.h"

#include "cfbformat.h"

#include <QtEndian>

#include <cstring>

namespace tiku::bank::cfb {

namespace {

constexpr quint32 kEndOfChain = format::endOfChain;
constexpr quint32 kNoStream = format::noStream;
constexpr quint32 kMaxRegularSector = format::maxRegularSector;
constexpr int kHeaderDifatEntries = format::headerDifatEntries;

} // namespace

bool hasSignature(const QByteArray& bytes) {
    return bytes.size() >= 8 && std::memcmp(bytes.constData(), format::signature, 8) == 0;
}

// --- Stream ------------------------------------------------------------------------------------

Stream::Stream(const QByteArray& file, std::vector<quint32> unitOffsets, int unitSize, qint64 size)
    : file_(file.constData()), units_(std::move(unitOffsets)), size_(size) {
    unitShift_ = unitSize == 64 ? 6 : unitSize == 4096 ? 12 : 9;
    contiguous_ = true;
    for (size_t k = 1; k < units_.size(); ++k) {
        if (units_[k] != units_[k - 1] + quint32(unitSize)) {
            contiguous_ = false;
            break;
        }
    }
}

bool Stream::read(qint64 pos, qsizetype n, char* out) const {
    if (pos < 0 || n < 0 || pos > size_ || n > size_ - pos) {
        return false;
    }
    if (n == 0) {
        return true;
    }
    if (contiguous_) {
        std::memcpy(out, file_ + units_[0] + pos, size_t(n));
        return true;
    }
    const qint64 unitSize = qint64(1) << unitShift_;
    while (n > 0) {
        const size_t unit = size_t(pos >> unitShift_);
        const qint64 within = pos & (unitSize - 1);
        const qsizetype take = qsizetype(std::min<qint64>(n, unitSize - within));
        std::memcpy(out, file_ + units_[unit] + within, size_t(take));
        out += take;
        pos += take;
        n -= take;
    }
    return true;
}

// --- CompoundFile ------------------------------------------------------------------------------

quint32 CompoundFile::u32(qint64 offset) const {
    if (offset < 0 || offset + 4 > file_.size()) {
        throw Corrupt("read past the end of the file");
    }
    return qFromLittleEndian<quint32>(file_.constData() + offset);
}

qint64 CompoundFile::sectorOffset(quint32 sector) const {
    return (qint64(sector) + 1) << sectorShift_;
}

std::vector<quint32> CompoundFile::chain(quint32 start, qint64 count,
                                         const std::vector<quint32>& fat, const char* what) const {
    std::vector<quint32> out;
    if (count == 0) {
        return out;
    }
    std::vector<bool> seen(fat.size(), false);
    quint32 s = start;
    while (count < 0 || qint64(out.size()) < count) {
        if (s == kEndOfChain && count < 0) {
            break;
        }
        if (s >= fat.size() || s > kMaxRegularSector) {
            throw Corrupt(std::string("broken sector chain: ") + what);
        }
        if (seen[s]) {
            throw Corrupt(std::string("sector chain loops: ") + what);
        }
        seen[s] = true;
        out.push_back(s);
        s = fat[s];
    }
    return out;
}

CompoundFile::CompoundFile(const QByteArray& file) : file_(file) {
    readHeader();
    readFat();
    readDirectory();
    readMiniStream();
}

// The header: the version, the sector sizes and the mini stream cutoff.
void CompoundFile::readHeader() {
    if (file_.size() < format::header::size || !hasSignature(file_)) {
        throw Corrupt("no compound file header");
    }
    if (file_.size() >= qint64(0xFFFFFFFF) - 4096) {
        throw Corrupt("file too large");
    }
    const uchar* h = reinterpret_cast<const uchar*>(file_.constData());
    major_ = qFromLittleEndian<quint16>(h + format::header::majorVersion);
    sectorShift_ = qFromLittleEndian<quint16>(h + format::header::sectorShift);
    miniShift_ = qFromLittleEndian<quint16>(h + format::header::miniSectorShift);
    if (!((major_ == 3 && sectorShift_ == 9) || (major_ == 4 && sectorShift_ == 12))) {
        throw Corrupt("unknown compound file version or sector size");
    }
    if (miniShift_ != 6) {
        throw Corrupt("unknown mini sector size");
    }
    if (file_.size() < sectorSize()) {
        throw Corrupt("header cut short");
    }
    sectorCount_ = (file_.size() - sectorSize() + sectorSize() - 1) / sectorSize();
    miniCutoff_ = u32(format::header::miniStreamCutoff);
}

// The FAT sectors' numbers, from the header's DIFAT and the DIFAT sector chain.
std::vector<quint32> CompoundFile::fatSectorList() const {
    const quint32 fatSectors = u32(format::header::fatSectors);
    if (fatSectors > quint64(sectorCount_)) {
        throw Corrupt("more FAT sectors than the file holds");
    }
    std::vector<quint32> fatList;
    fatList.reserve(fatSectors);
    for (int k = 0; k < kHeaderDifatEntries && fatList.size() < fatSectors; ++k) {
        fatList.push_back(u32(format::header::difat + 4 * k));
    }
    quint32 difat = u32(format::header::firstDifat);
    const quint32 difatSectors = u32(format::header::difatSectors);
    std::vector<bool> difatSeen(size_t(sectorCount_), false);
    for (quint32 visited = 0; fatList.size() < fatSectors; ++visited) {
        if (visited >= difatSectors || difat >= quint64(sectorCount_) || difatSeen[difat]) {
            throw Corrupt("DIFAT chain broken");
        }
        difatSeen[difat] = true;
        const qint64 base = sectorOffset(difat);
        for (qint64 k = 0; k < entriesPerSector() - 1 && fatList.size() < fatSectors; ++k) {
            fatList.push_back(u32(base + 4 * k));
        }
        difat = u32(base + 4 * (entriesPerSector() - 1));
    }
    return fatList;
}

// The FAT: the next sector of every sector in the file.
void CompoundFile::readFat() {
    const std::vector<quint32> fatList = fatSectorList();
    fat_.assign(size_t(qint64(fatList.size()) * entriesPerSector()), format::freeSector);
    for (size_t k = 0; k < fatList.size(); ++k) {
        const quint32 s = fatList[k];
        if (s >= quint64(sectorCount_)) {
            throw Corrupt("FAT sector outside the file");
        }
        const qint64 base = sectorOffset(s);
        const qint64 avail = std::min<qint64>(sectorSize(), file_.size() - base) / 4;
        for (qint64 e = 0; e < avail; ++e) {
            fat_[size_t(k * entriesPerSector() + e)] =
                qFromLittleEndian<quint32>(file_.constData() + base + 4 * e);
        }
    }
    // Only sectors that lie in the file can be part of a chain.
    if (fat_.size() > size_t(sectorCount_)) {
        fat_.resize(size_t(sectorCount_));
    }
}

// The directory's entries, and the root storage's children.
void CompoundFile::readDirectory() {
    namespace entry = format::entry;
    const std::vector<quint32> dirSectors =
        chain(u32(format::header::firstDirectory), -1, fat_, "directory");
    if (dirSectors.empty()) {
        throw Corrupt("no directory");
    }
    const qint64 perSector = sectorSize() / entry::size;
    entries_.reserve(size_t(dirSectors.size() * perSector));
    for (quint32 s : dirSectors) {
        const qint64 base = sectorOffset(s);
        for (qint64 k = 0; k < perSector; ++k) {
            const qint64 at = base + k * entry::size;
            if (at + entry::size > file_.size()) {
                break;
            }
            const uchar* e = reinterpret_cast<const uchar*>(file_.constData() + at);
            Entry parsed;
            const int nameBytes = std::min<int>(qFromLittleEndian<quint16>(e + entry::nameBytes),
                                                entry::maxNameBytes);
            const int chars = std::max(0, nameBytes / 2 - 1);
            parsed.name =
                QString::fromUtf16(reinterpret_cast<const char16_t*>(e + entry::name), chars);
            parsed.type = e[entry::type];
            parsed.left = qFromLittleEndian<quint32>(e + entry::left);
            parsed.right = qFromLittleEndian<quint32>(e + entry::right);
            parsed.child = qFromLittleEndian<quint32>(e + entry::child);
            parsed.start = qFromLittleEndian<quint32>(e + entry::start);
            parsed.size = qFromLittleEndian<quint64>(e + entry::streamSize);
            if (major_ == 3) {
                parsed.size &= 0xFFFFFFFFu; // the high half is undefined in version 3
            }
            entries_.push_back(std::move(parsed));
        }
    }
    if (entries_.empty() || entries_[0].type != format::rootEntry) {
        throw Corrupt("no root entry");
    }

    // The root's children: a binary tree over left/right siblings, walked without recursion.
    std::vector<bool> seen(entries_.size(), false);
    std::vector<quint32> pending;
    if (entries_[0].child != kNoStream) {
        pending.push_back(entries_[0].child);
    }
    while (!pending.empty()) {
        const quint32 id = pending.back();
        pending.pop_back();
        if (id >= entries_.size() || id == 0 || seen[id]) {
            throw Corrupt("directory tree broken");
        }
        seen[id] = true;
        rootChildren_.push_back(id);
        if (entries_[id].left != kNoStream) {
            pending.push_back(entries_[id].left);
        }
        if (entries_[id].right != kNoStream) {
            pending.push_back(entries_[id].right);
        }
    }
}

// The mini stream, held in the root entry's sectors, and the mini FAT that chains its sectors.
void CompoundFile::readMiniStream() {
    constexpr qint64 miniSize = format::miniSectorSize;
    const Entry& root = entries_[0];
    if (root.size > 0 && root.start != kEndOfChain) {
        if (root.size > quint64(file_.size())) {
            throw Corrupt("mini stream larger than the file");
        }
        const qint64 sectors = qint64((root.size + sectorSize() - 1) / sectorSize());
        const std::vector<quint32> ms = chain(root.start, sectors, fat_, "mini stream");
        const qint64 miniCount = qint64((root.size + miniSize - 1) / miniSize);
        const qint64 perSectorMini = sectorSize() / miniSize;
        miniStreamUnits_.reserve(size_t(miniCount));
        for (qint64 m = 0; m < miniCount; ++m) {
            miniStreamUnits_.push_back(quint32(sectorOffset(ms[size_t(m / perSectorMini)]) +
                                               (m % perSectorMini) * miniSize));
        }
    }
    const quint32 miniFatStart = u32(format::header::firstMiniFat);
    const quint32 miniFatSectors = u32(format::header::miniFatSectors);
    if (miniFatSectors > 0 && miniFatStart != kEndOfChain) {
        if (miniFatSectors > quint64(sectorCount_)) {
            throw Corrupt("more mini FAT sectors than the file holds");
        }
        const std::vector<quint32> mf = chain(miniFatStart, miniFatSectors, fat_, "mini FAT");
        miniFat_.reserve(size_t(mf.size() * entriesPerSector()));
        for (quint32 s : mf) {
            const qint64 base = sectorOffset(s);
            for (qint64 e = 0; e < entriesPerSector(); ++e) {
                miniFat_.push_back(base + 4 * e + 4 <= file_.size() ? u32(base + 4 * e)
                                                                    : format::freeSector);
            }
        }
        if (miniFat_.size() > miniStreamUnits_.size()) {
            miniFat_.resize(miniStreamUnits_.size());
        }
    }
}

std::vector<QString> CompoundFile::rootNames() const {
    std::vector<QString> out;
    for (quint32 id : rootChildren_) {
        out.push_back(entries_[id].name);
    }
    return out;
}

const CompoundFile::Entry* CompoundFile::findRootChild(const QString& name) const {
    for (quint32 id : rootChildren_) {
        if (entries_[id].name.compare(name, Qt::CaseInsensitive) == 0) {
            return &entries_[id];
        }
    }
    return nullptr;
}

bool CompoundFile::contains(const QString& name) const {
    return findRootChild(name) != nullptr;
}

std::optional<Stream> CompoundFile::stream(const QString& name) const {
    const Entry* e = findRootChild(name);
    if (e == nullptr || e->type != format::streamEntry) {
        return std::nullopt;
    }
    if (e->size > quint64(file_.size())) {
        throw Corrupt("stream larger than the file");
    }
    const qint64 size = qint64(e->size);
    if (e->size < miniCutoff_) {
        constexpr qint64 miniSize = format::miniSectorSize;
        const qint64 count = (size + miniSize - 1) / miniSize;
        const std::vector<quint32> minis = chain(e->start, count, miniFat_, "stream");
        std::vector<quint32> units;
        units.reserve(minis.size());
        for (quint32 m : minis) {
            if (m >= miniStreamUnits_.size()) {
                throw Corrupt("mini sector outside the mini stream");
            }
            units.push_back(miniStreamUnits_[m]);
        }
        for (size_t k = 0; k < units.size(); ++k) {
            const qint64 need = std::min<qint64>(miniSize, size - qint64(k) * miniSize);
            if (qint64(units[k]) + need > file_.size()) {
                throw Corrupt("mini sector past the end of the file");
            }
        }
        return Stream(file_, std::move(units), int(miniSize), size);
    }
    const qint64 count = (size + sectorSize() - 1) / sectorSize();
    const std::vector<quint32> sectors = chain(e->start, count, fat_, "stream");
    std::vector<quint32> units;
    units.reserve(sectors.size());
    for (size_t k = 0; k < sectors.size(); ++k) {
        const qint64 off = sectorOffset(sectors[k]);
        const qint64 need = std::min<qint64>(sectorSize(), size - qint64(k) * sectorSize());
        if (off + need > file_.size()) {
            throw Corrupt("sector past the end of the file");
        }
        units.push_back(quint32(off));
    }
    return Stream(file_, std::move(units), int(sectorSize()), size);
}

} // namespace tiku::bank::cfb
