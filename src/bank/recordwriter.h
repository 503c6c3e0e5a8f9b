#pragma once

// Writing the Workbook stream: little-endian record data, and the stream of records with the
// places whose bytes get encrypted once the whole stream is laid down.

#include "crypto.h"
#include "recordids.h"

#include <QByteArray>
#include <QStringView>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <vector>

namespace tiku::bank::detail {

namespace record = biff::record;

// Little-endian record data.
class Bytes {
public:
    Bytes& u8(quint8 v) {
        b_.append(char(v));
        return *this;
    }
    Bytes& u16(quint16 v) {
        char t[2];
        qToLittleEndian(v, t);
        b_.append(t, 2);
        return *this;
    }
    Bytes& u32(quint32 v) {
        char t[4];
        qToLittleEndian(v, t);
        b_.append(t, 4);
        return *this;
    }
    Bytes& f64(double v) {
        quint64 bits;
        std::memcpy(&bits, &v, 8);
        char t[8];
        qToLittleEndian(bits, t);
        b_.append(t, 8);
        return *this;
    }
    Bytes& raw(const QByteArray& v) {
        b_.append(v);
        return *this;
    }
    Bytes& zeros(int n) {
        b_.append(n, '\0');
        return *this;
    }
    // Characters, one byte each when `compressed`, else UTF-16LE.
    Bytes& chars(QStringView s, bool compressed) {
        for (QChar c : s) {
            if (compressed) {
                u8(quint8(c.unicode()));
            } else {
                u16(c.unicode());
            }
        }
        return *this;
    }
    // ShortXLUnicodeString: 8-bit count, flags, characters.
    Bytes& shortString(QStringView s) {
        const bool compressed = fitsLatin1(s);
        u8(quint8(s.size())).u8(compressed ? 0 : 1);
        return chars(s, compressed);
    }
    // XLUnicodeString: 16-bit count, flags, characters.
    Bytes& string(QStringView s) {
        const bool compressed = fitsLatin1(s);
        u16(quint16(s.size())).u8(compressed ? 0 : 1);
        return chars(s, compressed);
    }
    const QByteArray& data() const { return b_; }
    int size() const { return int(b_.size()); }

    static bool fitsLatin1(QStringView s) {
        return std::all_of(s.begin(), s.end(), [](QChar c) { return c.unicode() < 0x100; });
    }

private:
    QByteArray b_;
};

// The Workbook stream as it is written, with the places whose bytes get encrypted.
class BiffStream {
public:
    // Appends one record; returns the stream position of its data.
    qint64 record(quint16 type, const QByteArray& data) {
        Q_ASSERT(data.size() <= record::maxData);
        const qint64 at = out_.size();
        char header[4];
        qToLittleEndian<quint16>(type, header);
        qToLittleEndian<quint16>(quint16(data.size()), header + 2);
        out_.append(header, 4);
        out_.append(data);
        int plain = 0;
        if (crypto::isPlainRecord(type)) {
            plain = int(data.size());
        } else if (type == record::BoundSheet) {
            plain = 4;
        }
        if (plain < data.size()) {
            spans_.push_back({at + 4 + plain, int(data.size()) - plain, int(data.size())});
        }
        return at + 4;
    }
    qint64 record(quint16 type, const Bytes& data) { return record(type, data.data()); }
    qint64 position() const { return out_.size(); }
    void patch32(qint64 at, quint32 v) { qToLittleEndian<quint32>(v, out_.data() + at); }

    // Encrypts every record's data after the FILEPASS record, as the cipher wants it.
    void encrypt(const crypto::RecordCipher& cipher, qint64 from) {
        for (const Span& s : spans_) {
            if (s.start >= from) {
                cipher.encrypt(s.start, s.recordSize,
                               reinterpret_cast<quint8*>(out_.data() + s.start), s.length);
            }
        }
    }
    QByteArray take() { return std::move(out_); }

private:
    struct Span {
        qint64 start;
        int length;
        int recordSize;
    };
    QByteArray out_;
    std::vector<Span> spans_;
};

inline Bytes bof(quint16 kind) {
    Bytes b;
    b.u16(0x0600).u16(kind).u16(0x0DBB).u16(0x07CC).u32(0x000000C1).u32(0x00000006);
    return b;
}

inline Bytes u16Record(quint16 v) {
    return Bytes().u16(v);
}

} // namespace tiku::bank::detail
