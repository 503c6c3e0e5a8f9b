#pragma once

// Hand-made workbooks for the reader's tests: BIFF8 records put together byte by byte and a
// compound file around them, so that tests can build shapes the writer never makes (strings
// split with mixed character widths, broken chains, hostile sizes).

#include <QByteArray>
#include <QString>
#include <QtEndian>

#include <cstring>
#include <functional>
#include <vector>

namespace tiku::testing::crafted {

struct Bytes {
    QByteArray b;
    Bytes& u8(int v) {
        b.append(char(v & 0xFF));
        return *this;
    }
    Bytes& u16(int v) {
        char t[2];
        qToLittleEndian(quint16(v), t);
        b.append(t, 2);
        return *this;
    }
    Bytes& u32(quint32 v) {
        char t[4];
        qToLittleEndian(v, t);
        b.append(t, 4);
        return *this;
    }
    Bytes& f64(double v) {
        char t[8];
        qToLittleEndian(v, t);
        b.append(t, 8);
        return *this;
    }
    Bytes& latin1(const QString& s) {
        b.append(s.toLatin1());
        return *this;
    }
    Bytes& utf16(const QString& s) {
        for (QChar c : s) {
            u16(c.unicode());
        }
        return *this;
    }
    // XLUnicodeString: 2-byte count, option byte, characters.
    Bytes& str16(const QString& s, bool wide) {
        u16(int(s.size())).u8(wide ? 1 : 0);
        return wide ? utf16(s) : latin1(s);
    }
};

// A Workbook stream built record by record.
struct Stream {
    QByteArray bytes;
    qint64 record(int type, const QByteArray& data) {
        const qint64 at = bytes.size();
        Bytes h;
        h.u16(type).u16(int(data.size()));
        bytes.append(h.b).append(data);
        return at;
    }
    void patch32(qint64 at, quint32 v) { qToLittleEndian(v, bytes.data() + at); }
};

inline QByteArray bof(int kind) {
    return Bytes().u16(0x0600).u16(kind).u16(0x0DBB).u16(0x07CC).u32(0x41).u32(0x06).b;
}

// XF records: 0 General, 1 date (built-in 14), 2 custom 164, 3 time (built-in 21), 4 date and
// time (built-in 22).
inline void standardFormats(Stream& s, const QString& custom = QStringLiteral("yyyy-mm-dd hh:mm")) {
    s.record(0x041E, Bytes().u16(164).str16(custom, false).b);
    for (int ifmt : {0, 14, 164, 21, 22}) {
        Bytes xf;
        xf.u16(0).u16(ifmt);
        xf.b.append(QByteArray(16, '\0'));
        s.record(0x00E0, xf.b);
    }
}

struct SheetDef {
    QString name;
    int dt = 0;                                      // 0 worksheet, 1 macro, 2 chart
    std::vector<std::pair<int, QByteArray>> records; // cell records and others, in order
};

// A whole workbook stream: globals with the given SST segments (SST data first, then each
// CONTINUE's data) and optional EXTSST, then the sheets; padded with zeros to minSize.
inline QByteArray workbookStream(const std::vector<SheetDef>& sheets,
                                 const std::vector<QByteArray>& sstSegments = {},
                                 const QByteArray& extSst = {}, bool date1904 = false,
                                 qint64 minSize = 4096) {
    Stream s;
    s.record(0x0809, bof(0x0005));
    s.record(0x0042, Bytes().u16(1200).b);
    s.record(0x0022, Bytes().u16(date1904 ? 1 : 0).b);
    standardFormats(s);
    std::vector<qint64> offsets;
    for (const SheetDef& sh : sheets) {
        Bytes d;
        d.u32(0).u8(0).u8(sh.dt).u8(int(sh.name.size())).u8(1).utf16(sh.name);
        offsets.push_back(s.record(0x0085, d.b) + 4);
    }
    for (size_t k = 0; k < sstSegments.size(); ++k) {
        s.record(k == 0 ? 0x00FC : 0x003C, sstSegments[k]);
    }
    if (!extSst.isEmpty()) {
        s.record(0x00FF, extSst);
    }
    s.record(0x000A, {});
    for (size_t k = 0; k < sheets.size(); ++k) {
        s.patch32(offsets[k], quint32(s.bytes.size()));
        s.record(0x0809, bof(sheets[k].dt == 2 ? 0x0020 : sheets[k].dt == 1 ? 0x0040 : 0x0010));
        for (const auto& [type, data] : sheets[k].records) {
            s.record(type, data);
        }
        s.record(0x000A, {});
    }
    if (s.bytes.size() < minSize) {
        s.bytes.append(QByteArray(minSize - s.bytes.size(), '\0'));
    }
    return s.bytes;
}

// Cell records.
inline std::pair<int, QByteArray> number(int row, int col, double v, int xf = 0) {
    return {0x0203, Bytes().u16(row - 1).u16(col - 1).u16(xf).f64(v).b};
}
inline std::pair<int, QByteArray> labelSst(int row, int col, quint32 index) {
    return {0x00FD, Bytes().u16(row - 1).u16(col - 1).u16(0).u32(index).b};
}
inline std::pair<int, QByteArray> label(int row, int col, const QString& text, bool wide) {
    return {0x0204, Bytes().u16(row - 1).u16(col - 1).u16(0).str16(text, wide).b};
}
inline std::pair<int, QByteArray> rk(int row, int col, quint32 value) {
    return {0x027E, Bytes().u16(row - 1).u16(col - 1).u16(0).u32(value).b};
}
inline std::pair<int, QByteArray> boolErr(int row, int col, int value, bool error) {
    return {0x0205, Bytes().u16(row - 1).u16(col - 1).u16(0).u8(value).u8(error ? 1 : 0).b};
}
inline std::pair<int, QByteArray> blank(int row, int col) {
    return {0x0201, Bytes().u16(row - 1).u16(col - 1).u16(0).b};
}
// A FORMULA whose cached result is given by its 8 value bytes; a formula of one token.
inline std::pair<int, QByteArray> formula(int row, int col, const QByteArray& value) {
    Bytes d;
    d.u16(row - 1).u16(col - 1).u16(0);
    d.b.append(value);
    d.u16(0).u32(0).u16(1).u8(0x17); // grbit, chn, cce, a token
    return {0x0006, d.b};
}
inline QByteArray specialResult(int type, int value) {
    return Bytes().u8(type).u8(0).u8(value).u8(0).u8(0).u8(0).u16(0xFFFF).b;
}

// A compound file holding the streams, all in regular sectors (each stream at least 4096
// bytes). patchFat and patchDirectory may spoil the structures for damage tests.
struct CfbOptions {
    int major = 3;
    std::function<void(std::vector<quint32>& fat, quint32 firstStreamSector)> patchFat;
    std::function<void(QByteArray& directory)> patchDirectory;
    qint64 sizeOverride = -1; // written as the first stream's size when >= 0
};

inline QByteArray compoundFile(const std::vector<std::pair<QString, QByteArray>>& streams,
                               const CfbOptions& opt = {}) {
    const int shift = opt.major == 4 ? 12 : 9;
    const qint64 S = qint64(1) << shift;
    const qint64 perFat = S / 4;
    qint64 dataSectors = 0;
    std::vector<qint64> starts;
    for (const auto& st : streams) {
        starts.push_back(dataSectors);
        dataSectors += (st.second.size() + S - 1) / S;
    }
    const qint64 dirSectors = (qint64(streams.size() + 1) * 128 + S - 1) / S;
    qint64 nFat = 1, nDifat = 0;
    for (int it = 0; it < 10; ++it) {
        const qint64 total = dataSectors + dirSectors + nFat + nDifat;
        nFat = (total + perFat - 1) / perFat;
        nDifat = nFat > 109 ? (nFat - 109 + perFat - 2) / (perFat - 1) : 0;
    }
    const qint64 dirStart = dataSectors;
    const qint64 fatStart = dirStart + dirSectors;
    const qint64 difatStart = fatStart + nFat;
    const qint64 total = difatStart + nDifat;

    std::vector<quint32> fat(size_t(nFat * perFat), 0xFFFFFFFF);
    for (size_t k = 0; k < streams.size(); ++k) {
        const qint64 n = (streams[k].second.size() + S - 1) / S;
        for (qint64 j = 0; j < n; ++j) {
            fat[size_t(starts[k] + j)] = j + 1 < n ? quint32(starts[k] + j + 1) : 0xFFFFFFFE;
        }
    }
    for (qint64 j = 0; j < dirSectors; ++j) {
        fat[size_t(dirStart + j)] = j + 1 < dirSectors ? quint32(dirStart + j + 1) : 0xFFFFFFFE;
    }
    for (qint64 j = 0; j < nFat; ++j) {
        fat[size_t(fatStart + j)] = 0xFFFFFFFD;
    }
    for (qint64 j = 0; j < nDifat; ++j) {
        fat[size_t(difatStart + j)] = 0xFFFFFFFC;
    }
    if (opt.patchFat) {
        opt.patchFat(fat, streams.empty() ? 0 : quint32(starts[0]));
    }

    QByteArray file(S * (total + 1), '\0');
    auto put32 = [&file](qint64 at, quint32 v) { qToLittleEndian(v, file.data() + at); };
    auto put16 = [&file](qint64 at, quint16 v) { qToLittleEndian(v, file.data() + at); };
    const unsigned char sig[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::memcpy(file.data(), sig, 8);
    put16(0x18, 0x3E);
    put16(0x1A, quint16(opt.major));
    put16(0x1C, 0xFFFE);
    put16(0x1E, quint16(shift));
    put16(0x20, 6);
    put32(0x28, opt.major == 4 ? quint32(dirSectors) : 0);
    put32(0x2C, quint32(nFat));
    put32(0x30, quint32(dirStart));
    put32(0x38, 4096);
    put32(0x3C, 0xFFFFFFFE);
    put32(0x40, 0);
    put32(0x44, nDifat > 0 ? quint32(difatStart) : 0xFFFFFFFE);
    put32(0x48, quint32(nDifat));
    for (int k = 0; k < 109; ++k) {
        put32(0x4C + 4 * k, k < nFat ? quint32(fatStart + k) : 0xFFFFFFFF);
    }
    auto sectorAt = [S](qint64 sector) { return (sector + 1) * S; };
    for (qint64 d = 0; d < nDifat; ++d) {
        const qint64 base = sectorAt(difatStart + d);
        for (qint64 e = 0; e < perFat - 1; ++e) {
            const qint64 fatIndex = 109 + d * (perFat - 1) + e;
            put32(base + 4 * e, fatIndex < nFat ? quint32(fatStart + fatIndex) : 0xFFFFFFFF);
        }
        put32(base + 4 * (perFat - 1), d + 1 < nDifat ? quint32(difatStart + d + 1) : 0xFFFFFFFE);
    }
    for (qint64 j = 0; j < nFat; ++j) {
        for (qint64 e = 0; e < perFat; ++e) {
            put32(sectorAt(fatStart + j) + 4 * e, fat[size_t(j * perFat + e)]);
        }
    }
    for (size_t k = 0; k < streams.size(); ++k) {
        std::memcpy(file.data() + sectorAt(starts[k]), streams[k].second.constData(),
                    size_t(streams[k].second.size()));
    }
    QByteArray dir(dirSectors * S, '\0');
    auto entry = [&dir](int index, const QString& name, int type, quint32 right, quint32 child,
                        quint32 start, quint64 size) {
        char* e = dir.data() + index * 128;
        for (int c = 0; c < name.size(); ++c) {
            qToLittleEndian(quint16(name.at(c).unicode()), e + 2 * c);
        }
        qToLittleEndian(quint16((name.size() + 1) * 2), e + 64);
        e[66] = char(type);
        e[67] = 1;
        qToLittleEndian(quint32(0xFFFFFFFF), e + 68);
        qToLittleEndian(right, e + 72);
        qToLittleEndian(child, e + 76);
        qToLittleEndian(start, e + 116);
        qToLittleEndian(size, e + 120);
    };
    entry(0, QStringLiteral("Root Entry"), 5, 0xFFFFFFFF, streams.empty() ? 0xFFFFFFFF : 1,
          0xFFFFFFFE, 0);
    for (size_t k = 0; k < streams.size(); ++k) {
        const quint64 size = k == 0 && opt.sizeOverride >= 0 ? quint64(opt.sizeOverride)
                                                             : quint64(streams[k].second.size());
        entry(int(k + 1), streams[k].first, 2, k + 1 < streams.size() ? quint32(k + 2) : 0xFFFFFFFF,
              0xFFFFFFFF, quint32(starts[k]), size);
    }
    if (opt.patchDirectory) {
        opt.patchDirectory(dir);
    }
    std::memcpy(file.data() + sectorAt(dirStart), dir.constData(), size_t(dir.size()));
    return file;
}

inline QByteArray workbookFile(const QByteArray& stream, const CfbOptions& opt = {}) {
    return compoundFile({{QStringLiteral("Workbook"), stream}}, opt);
}

} // namespace tiku::testing::crafted
