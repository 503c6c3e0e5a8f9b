#pragma once

// A by-hand walk of what the writer lays down, independent of the reader: the compound file
// through its header DIFAT, DIFAT sectors, FAT and mini FAT, the records of a stream, and the
// strings of the shared string table.

#include <QByteArray>
#include <QStringList>
#include <QtEndian>
#include <QtTest>

#include <vector>

namespace tiku::testing::handwalk {

inline quint16 u16(const QByteArray& b, qint64 at) {
    return qFromLittleEndian<quint16>(b.constData() + at);
}
inline quint32 u32(const QByteArray& b, qint64 at) {
    return qFromLittleEndian<quint32>(b.constData() + at);
}

// A by-hand walk of a version 3 compound file: the FAT through the header DIFAT and the DIFAT
// sectors, then the Workbook stream through the FAT or the mini FAT.
struct CompoundFile {
    QByteArray file;
    std::vector<quint32> fat;
    int difatSectorsWalked = 0;
    bool workbookInMiniStream = false;
    QByteArray workbook;

    static constexpr quint32 kEnd = 0xFFFFFFFE;

    QByteArray sector(quint32 n) const { return file.mid((qint64(n) + 1) * 512, 512); }

    QByteArray chain(quint32 start, const std::vector<quint32>& table, int unit,
                     const QByteArray* container) const {
        QByteArray out;
        quint32 s = start;
        size_t guard = 0;
        while (s != kEnd) {
            if (s >= table.size() || ++guard > table.size()) {
                QTest::qFail("broken sector chain", __FILE__, __LINE__);
                return {};
            }
            out += container ? container->mid(qint64(s) * unit, unit) : sector(s);
            s = table[s];
        }
        return out;
    }

    static CompoundFile parse(const QByteArray& file) {
        CompoundFile cf;
        cf.file = file;
        if (file.size() < 512 ||
            file.left(8) != QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)) {
            QTest::qFail("no compound file signature", __FILE__, __LINE__);
            return cf;
        }
        const quint32 fatSectors = u32(file, 0x2C);
        std::vector<quint32> fatSectorIds;
        for (int i = 0; i < 109 && fatSectorIds.size() < fatSectors; ++i) {
            fatSectorIds.push_back(u32(file, 0x4C + 4 * i));
        }
        quint32 difat = u32(file, 0x44);
        while (difat != kEnd && fatSectorIds.size() < fatSectors && cf.difatSectorsWalked < 1000) {
            const QByteArray d = cf.sector(difat);
            for (int i = 0; i < 127 && fatSectorIds.size() < fatSectors; ++i) {
                fatSectorIds.push_back(u32(d, 4 * i));
            }
            difat = u32(d, 508);
            ++cf.difatSectorsWalked;
        }
        for (quint32 id : fatSectorIds) {
            const QByteArray s = cf.sector(id);
            for (int i = 0; i < 128; ++i) {
                cf.fat.push_back(u32(s, 4 * i));
            }
        }
        const QByteArray dir = cf.chain(u32(file, 0x30), cf.fat, 512, nullptr);
        const QByteArray miniStream = cf.chain(u32(dir, 0x74), cf.fat, 512, nullptr);
        std::vector<quint32> miniFat;
        if (u32(file, 0x3C) != kEnd) {
            const QByteArray m = cf.chain(u32(file, 0x3C), cf.fat, 512, nullptr);
            for (qint64 i = 0; i + 4 <= m.size(); i += 4) {
                miniFat.push_back(u32(m, i));
            }
        }
        for (qint64 e = 0; e + 128 <= dir.size(); e += 128) {
            const QString name =
                QString::fromUtf16(reinterpret_cast<const char16_t*>(dir.constData() + e),
                                   std::max(0, u16(dir, e + 0x40) / 2 - 1));
            if (dir[e + 0x42] == 2 && name == QStringLiteral("Workbook")) {
                const quint32 size = u32(dir, e + 0x78);
                cf.workbookInMiniStream = size < u32(file, 0x38);
                cf.workbook = (cf.workbookInMiniStream
                                   ? cf.chain(u32(dir, e + 0x74), miniFat, 64, &miniStream)
                                   : cf.chain(u32(dir, e + 0x74), cf.fat, 512, nullptr))
                                  .left(size);
            }
        }
        return cf;
    }
};

struct Record {
    quint16 type;
    qint64 pos; // of the header
    QByteArray data;
};

inline std::vector<Record> records(const QByteArray& stream) {
    std::vector<Record> out;
    qint64 pos = 0;
    while (pos + 4 <= stream.size()) {
        const quint16 size = u16(stream, pos + 2);
        out.push_back({u16(stream, pos), pos, stream.mid(pos + 4, size)});
        pos += 4 + size;
    }
    return out;
}

// The strings of the SST and its CONTINUE records, read by hand. splitPair is set when a record
// ends between the two halves of a surrogate pair.
inline QStringList sstStrings(const std::vector<Record>& recs, bool* splitPair) {
    std::vector<QByteArray> parts;
    for (size_t i = 0; i < recs.size(); ++i) {
        if (recs[i].type == 0x00FC) {
            parts.push_back(recs[i].data);
            for (size_t j = i + 1; j < recs.size() && recs[j].type == 0x003C; ++j) {
                parts.push_back(recs[j].data);
            }
            break;
        }
    }
    QStringList out;
    if (parts.empty()) {
        return out;
    }
    size_t part = 0;
    qint64 pos = 8;
    const quint32 unique = u32(parts[0], 4);
    for (quint32 k = 0; k < unique; ++k) {
        if (pos >= parts[part].size()) {
            ++part;
            pos = 0;
        }
        const int cch = u16(parts[part], pos);
        bool wide = parts[part][pos + 2] & 1;
        pos += 3;
        QString s;
        while (s.size() < cch) {
            if (pos >= parts[part].size()) {
                if (!s.isEmpty() && s.back().isHighSurrogate()) {
                    *splitPair = true;
                }
                ++part;
                wide = parts[part][0] & 1; // a continued string starts with its flags again
                pos = 1;
            }
            if (wide) {
                s += QChar(u16(parts[part], pos));
                pos += 2;
            } else {
                s += QChar(uchar(parts[part][pos]));
                pos += 1;
            }
        }
        out += s;
    }
    return out;
}

} // namespace tiku::testing::handwalk
