#pragma once

// The records of the Workbook stream: headers read plain, data decrypted as it is read, and
// strings read across the CONTINUE records that carry them on. The faults found in the records
// and how they become the engine's errors.

#include "biff.h"
#include "cfb.h"
#include "crypto.h"
#include "recordids.h"

#include <QtEndian>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

namespace tiku::bank::biff {

// A fault found while reading the workbook: its kind and the reason given to the user. Becomes a
// BankError naming the file in guarded().
class Fault : public Failure {
public:
    using Failure::Failure;
};

// A damaged or hostile file: "文件已损坏（<what>）。"
[[noreturn]] void damage(const char* what);
[[noreturn]] void refuse(ErrorKind kind, const QString& reason);

// Runs f; a Fault becomes the open failure of that kind naming the file.
template <class F> decltype(auto) guarded(const QString& displayName, F&& f) {
    try {
        return f();
    } catch (const Fault& fault) {
        throw openFailure(fault.kind(), displayName, fault.description());
    }
}

inline quint16 le16(const quint8* p) {
    return qFromLittleEndian<quint16>(p);
}
inline quint32 le32(const quint8* p) {
    return qFromLittleEndian<quint32>(p);
}

// One record: 8 bytes, so that lists of records stay small. A stream is smaller than its
// compound file, which is smaller than 4 GiB, so positions fit 32 bits.
struct Record {
    quint32 pos = 0; // stream position of the data; the header is the 4 bytes before
    quint16 type = 0;
    quint16 size = 0;
    qint64 end() const { return qint64(pos) + size; }
};

class Records {
public:
    explicit Records(const cfb::Stream& stream) : stream_(stream) {}

    qint64 size() const { return stream_.size(); }
    // The record whose header is at pos; nullopt when it does not lie wholly in the stream.
    std::optional<Record> at(qint64 pos) const;
    // The same; damage when there is none.
    Record require(qint64 pos) const;
    // The CONTINUE record right after r, when it carries data.
    std::optional<Record> continueAfter(const Record& r) const;

    // n bytes of r's data from off, decrypted; damage when they are not all inside r.
    void read(const Record& r, int off, int n, quint8* out) const;
    QByteArray data(const Record& r) const;
    quint16 u16(const Record& r, int off) const;

    void setCipher(std::unique_ptr<crypto::RecordCipher> cipher, qint64 encryptedFrom) {
        cipher_ = std::move(cipher);
        encryptedFrom_ = encryptedFrom;
    }

private:
    const cfb::Stream& stream_;
    std::unique_ptr<crypto::RecordCipher> cipher_;
    qint64 encryptedFrom_ = 0;
};

// Inline: a worksheet's index reads every record header and the first bytes of every cell.
inline std::optional<Record> Records::at(qint64 pos) const {
    quint8 h[4];
    if (pos < 0 || !stream_.read(pos, 4, reinterpret_cast<char*>(h))) {
        return std::nullopt;
    }
    Record r{quint32(pos + 4), le16(h), le16(h + 2)};
    if (r.end() > stream_.size()) {
        return std::nullopt;
    }
    return r;
}

inline Record Records::require(qint64 pos) const {
    std::optional<Record> r = at(pos);
    if (!r) {
        damage("record runs past the end of the stream");
    }
    return *r;
}

inline void Records::read(const Record& r, int off, int n, quint8* out) const {
    if (off < 0 || n < 0 || off + n > r.size) {
        damage("field runs past the end of its record");
    }
    if (n == 0) {
        return;
    }
    if (!stream_.read(qint64(r.pos) + off, n, reinterpret_cast<char*>(out))) {
        damage("record runs past the end of the stream");
    }
    if (cipher_ && qint64(r.pos) - 4 >= encryptedFrom_ && !crypto::isPlainRecord(r.type)) {
        int from = off;
        int count = n;
        quint8* p = out;
        if (r.type == biff::record::BoundSheet &&
            from < 4) { // the sheet's stream offset stays plain
            const int plain = std::min(4 - from, count);
            from += plain;
            p += plain;
            count -= plain;
        }
        if (count > 0) {
            cipher_->decrypt(qint64(r.pos) + from, r.size, p, count);
        }
    }
}

// A read position in a record and the CONTINUE records after it, for strings that may cross
// from one record into the next. Either over the records that follow in the stream, taken as the
// reading needs them (an empty CONTINUE ends the chain), or over a list made beforehand.
class Cursor {
public:
    Cursor(const Records& records, const Record& first, int off)
        : records_(records), cur_(first), off_(off) {}
    Cursor(const Records& records, const std::vector<Record>& list, size_t seg, int off)
        : records_(records), list_(&list), seg_(seg), cur_(list[seg]), off_(off) {}

    size_t segment() const { return seg_; }
    int offset() const { return off_; }

    bool bytes(quint8* out, int n);
    bool skip(quint64 n);
    // cch characters, one or two bytes each; where the characters cross into the next record,
    // that record starts with a new option byte saying which. out may be null to skip them.
    bool chars(int cch, bool high, QString* out);

private:
    bool next();

    const Records& records_;
    const std::vector<Record>* list_ = nullptr;
    size_t seg_ = 0;
    Record cur_;
    int off_;
};

// XLUnicodeRichExtendedString (the shared strings): the characters into out, rich-text runs and
// phonetic data left unread.
bool readRichString(Cursor& c, QString& out);
// The same string passed over whole, runs and phonetic data included.
bool skipRichString(Cursor& c);
// XLUnicodeString (LABEL, RSTRING, STRING, FORMAT): 2-byte length, option byte, characters.
bool readPlainString(Cursor& c, QString& out);

} // namespace tiku::bank::biff
