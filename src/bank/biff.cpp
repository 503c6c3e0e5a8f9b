#include "biff.h"

#include "cfb.h"
#include "crypto.h"
#include "numbertext.h"
#include "recordids.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>

namespace tiku::bank::biff {

namespace {

namespace record = biff::record;

// The smallest data size of each cell record that the reader relies on.
int minimumCellSize(quint16 type) {
    switch (type) {
    case record::Formula:
        return 20;
    case record::LabelSst:
        return 10;
    case record::Label:
    case record::RString:
        return 9;
    case record::Number:
        return 14;
    case record::Rk:
        return 10;
    case record::MulRk:
        return 12;
    case record::BoolErr:
        return 8;
    case record::Blank:
        return 6;
    case record::MulBlank:
        return 8;
    default:
        return -1; // not a cell record
    }
}

// A fault found in the workbook's records; becomes ErrorKind::Damaged.
struct Damage {
    QString reason;
};

[[noreturn]] void damage(const char* reason) {
    throw Damage{QString::fromUtf8(reason)};
}

quint16 le16(const quint8* p) {
    return qFromLittleEndian<quint16>(p);
}
quint32 le32(const quint8* p) {
    return qFromLittleEndian<quint32>(p);
}

struct Record {
    quint16 type = 0;
    quint16 size = 0;
    qint64 pos = 0; // stream position of the data; the header is the 4 bytes before
};

// The records of the Workbook stream: headers read plain, data decrypted as it is read.
class Records {
public:
    explicit Records(const cfb::Stream& stream) : stream_(stream) {}

    qint64 size() const { return stream_.size(); }

    std::optional<Record> at(qint64 pos) const {
        quint8 h[4];
        if (pos < 0 || !stream_.read(pos, 4, reinterpret_cast<char*>(h))) {
            return std::nullopt;
        }
        Record r{le16(h), le16(h + 2), pos + 4};
        if (r.pos + r.size > stream_.size()) {
            return std::nullopt;
        }
        return r;
    }

    Record require(qint64 pos) const {
        std::optional<Record> r = at(pos);
        if (!r) {
            damage("record runs past the end of the stream");
        }
        return *r;
    }

    void read(const Record& r, int off, int n, quint8* out) const {
        if (off < 0 || n < 0 || off + n > r.size) {
            damage("field runs past the end of its record");
        }
        if (n == 0) {
            return;
        }
        if (!stream_.read(r.pos + off, n, reinterpret_cast<char*>(out))) {
            damage("record runs past the end of the stream");
        }
        if (cipher_ && r.pos - 4 >= encryptedFrom_ && !crypto::isPlainRecord(r.type)) {
            int from = off;
            int count = n;
            quint8* p = out;
            if (r.type == record::BoundSheet && from < 4) { // the sheet's stream offset stays plain
                const int plain = std::min(4 - from, count);
                from += plain;
                p += plain;
                count -= plain;
            }
            if (count > 0) {
                cipher_->decrypt(r.pos + from, r.size, p, count);
            }
        }
    }

    QByteArray data(const Record& r) const {
        QByteArray out(r.size, Qt::Uninitialized);
        read(r, 0, r.size, reinterpret_cast<quint8*>(out.data()));
        return out;
    }

    quint16 u16(const Record& r, int off) const {
        quint8 b[2];
        read(r, off, 2, b);
        return le16(b);
    }

    void setCipher(std::unique_ptr<crypto::RecordCipher> cipher, qint64 encryptedFrom) {
        cipher_ = std::move(cipher);
        encryptedFrom_ = encryptedFrom;
    }

private:
    const cfb::Stream& stream_;
    std::unique_ptr<crypto::RecordCipher> cipher_;
    qint64 encryptedFrom_ = 0;
};

// A read position in a record and the CONTINUE records after it, for strings that may cross
// from one record into the next.
class Cursor {
public:
    Cursor(const Records& records, const std::vector<Record>& segments, size_t seg, int off)
        : records_(records), segs_(segments), seg_(seg), off_(off) {}

    size_t segment() const { return seg_; }
    int offset() const { return off_; }

    bool bytes(quint8* out, int n) {
        while (n > 0) {
            if (off_ >= segs_[seg_].size) {
                if (!next()) {
                    return false;
                }
                continue;
            }
            const int take = std::min(n, segs_[seg_].size - off_);
            records_.read(segs_[seg_], off_, take, out);
            out += take;
            off_ += take;
            n -= take;
        }
        return true;
    }

    bool skip(quint64 n) {
        while (n > 0) {
            if (off_ >= segs_[seg_].size) {
                if (!next()) {
                    return false;
                }
                continue;
            }
            const int take = int(std::min<quint64>(n, quint64(segs_[seg_].size - off_)));
            off_ += take;
            n -= take;
        }
        return true;
    }

    // cch characters, one or two bytes each; where the characters cross into the next record,
    // that record starts with a new option byte saying which. out may be null to skip them.
    bool chars(int cch, bool high, QString* out) {
        quint8 buf[512];
        while (cch > 0) {
            if (off_ >= segs_[seg_].size) {
                if (!next()) {
                    return false;
                }
                quint8 flags = 0;
                records_.read(segs_[seg_], 0, 1, &flags);
                off_ = 1;
                high = (flags & 0x01) != 0;
                continue;
            }
            const int width = high ? 2 : 1;
            const int avail = (segs_[seg_].size - off_) / width;
            if (avail == 0) {
                return false; // half a character before the record ends
            }
            const int take = std::min({cch, avail, int(sizeof buf) / 2});
            if (out != nullptr) {
                records_.read(segs_[seg_], off_, take * width, buf);
                if (high) {
                    for (int k = 0; k < take; ++k) {
                        out->append(QChar(char16_t(le16(buf + 2 * k))));
                    }
                } else {
                    out->append(QLatin1StringView(reinterpret_cast<const char*>(buf), take));
                }
            }
            off_ += take * width;
            cch -= take;
        }
        return true;
    }

private:
    bool next() {
        if (seg_ + 1 >= segs_.size()) {
            return false;
        }
        ++seg_;
        off_ = 0;
        return true;
    }

    const Records& records_;
    const std::vector<Record>& segs_;
    size_t seg_;
    int off_;
};

// XLUnicodeRichExtendedString: the shared string table's strings, with rich-text runs and
// phonetic data skipped. out null: skip the string.
bool readRichString(Cursor& c, QString* out) {
    quint8 h[3];
    if (!c.bytes(h, 3)) {
        return false;
    }
    const int cch = le16(h);
    const quint8 flags = h[2];
    if ((flags & ~0x0D) != 0) {
        return false;
    }
    quint32 runs = 0;
    quint32 ext = 0;
    if ((flags & 0x08) != 0) {
        quint8 b[2];
        if (!c.bytes(b, 2)) {
            return false;
        }
        runs = le16(b);
    }
    if ((flags & 0x04) != 0) {
        quint8 b[4];
        if (!c.bytes(b, 4)) {
            return false;
        }
        ext = le32(b);
    }
    if (out != nullptr) {
        out->reserve(cch);
    }
    return c.chars(cch, (flags & 0x01) != 0, out) && c.skip(quint64(runs) * 4) && c.skip(ext);
}

// XLUnicodeString (LABEL, RSTRING, STRING, FORMAT): 2-byte length, option byte, characters.
bool readPlainString(Cursor& c, QString& out) {
    quint8 h[3];
    if (!c.bytes(h, 3)) {
        return false;
    }
    if ((h[2] & ~0x0D) != 0) {
        return false;
    }
    out.reserve(le16(h));
    return c.chars(le16(h), (h[2] & 0x01) != 0, &out);
}

// A record and the CONTINUE records that follow it.
std::vector<Record> withContinues(const Records& records, const Record& first) {
    std::vector<Record> segs{first};
    qint64 pos = first.pos + first.size;
    // A string of 65535 two-byte characters needs at most 16 more records.
    for (int k = 0; k < 32; ++k) {
        std::optional<Record> r = records.at(pos);
        if (!r || r->type != record::Continue) {
            break;
        }
        segs.push_back(*r);
        pos = r->pos + r->size;
    }
    return segs;
}

// One cell record of a sheet: 8 bytes, so the index of a full bank stays small. The record's
// type and size are read again from its plain header when the cell is read.
struct CellRef {
    quint32 pos;     // data position of the record
    quint16 row;     // 0-based
    quint8 firstCol; // 0-based, columns past 256 left out
    quint8 lastCol;
};

struct Sheet {
    SheetInfo info;
    bool scanned = false;
    qint64 bofPos = 0;
    std::vector<CellRef> cells; // sorted by row, in stream order within a row
};

class BiffWorkbook final : public WorkbookData {
public:
    BiffWorkbook(QByteArray bytes, const QString& password, const QString& displayName);

    QString format() const override { return QStringLiteral("BIFF8"); }
    Encryption encryption() const override { return encryption_; }
    int keyBits() const override { return keyBits_; }
    const std::vector<SheetInfo>& sheets() const override;
    int sheetCount() const override { return int(sheetList_.size()); }
    QString sheetName(int index) const override { return sheetList_.at(size_t(index)).info.name; }
    SheetKind sheetKind(int index) const override { return sheetList_.at(size_t(index)).info.kind; }
    const SheetInfo& sheet(int index) const override;
    CellContent cell(int sheetIndex, int row, int column) const override;

private:
    [[noreturn]] void fail(ErrorKind kind, const QString& reason) const {
        throw openFailure(kind, displayName_, reason);
    }
    void locateStream();
    void readGlobals();
    void readFilePass(const Record& r, const QString& password);
    void scanSheet(Sheet& sheet) const;
    const Sheet& scanned(size_t index) const;
    CellContent decode(const CellRef& ref, int column) const;
    CellContent numberCell(double value, int xf) const;
    QString formulaString(const Record& formula) const;
    QString sharedString(quint32 index) const;
    bool stringAt(size_t seg, int off, quint32 skipCount, QString& out) const;

    QByteArray bytes_;
    QString displayName_;
    std::optional<cfb::CompoundFile> cfb_;
    cfb::Stream stream_;
    std::optional<Records> records_;

    Encryption encryption_ = Encryption::None;
    int keyBits_ = 0;
    bool date1904_ = false;
    int codePage_ = 1200;
    std::vector<quint16> xfFormat_;  // number format index of each XF
    std::map<int, QString> formats_; // FORMAT records
    mutable std::map<int, DateParts> dateFormats_;

    // A worksheet's cell records are indexed when it is first used.
    mutable std::vector<Sheet> sheetList_;
    mutable std::vector<SheetInfo> infos_;
    mutable bool allScanned_ = false;

    std::vector<Record> sst_; // SST and its CONTINUE records
    quint32 sstUnique_ = 0;
    int extSstStep_ = 0;
    struct Bucket {
        quint32 pos;    // stream position of every extSstStep_-th string
        quint16 offset; // its offset from the start of the record holding it, header included
    };
    std::vector<Bucket> extSst_;
    // Positions of every 64th string, found by walking the table from its start.
    struct SstPos {
        quint32 seg;
        quint32 off;
    };
    mutable std::vector<SstPos> walked_;
};

BiffWorkbook::BiffWorkbook(QByteArray bytes, const QString& password, const QString& displayName)
    : bytes_(std::move(bytes)), displayName_(displayName) {
    try {
        cfb_.emplace(bytes_);
    } catch (const cfb::Corrupt&) {
        fail(ErrorKind::Damaged, QStringLiteral("文件已损坏（复合文件结构错误）。"));
    }
    try {
        locateStream();
        records_.emplace(stream_);
        const Record bof = records_->require(0);
        if (bof.type != record::Bof || bof.size < 4) {
            fail(ErrorKind::Damaged, QStringLiteral("文件已损坏（工作簿流不以 BOF 记录开始）。"));
        }
        const quint16 version = records_->u16(bof, 0);
        const quint16 kind = records_->u16(bof, 2);
        if (version != 0x0600) {
            fail(ErrorKind::UnsupportedFormat,
                 QStringLiteral("这是 Excel 5.0/95 或更早格式的工作簿，不支持此格式。"));
        }
        if (kind != 0x0005) {
            fail(ErrorKind::NotAWorkbook, QStringLiteral("文件中没有工作簿。"));
        }
        // Reads FILEPASS and sets up decryption before anything encrypted is read.
        qint64 pos = bof.pos + bof.size;
        for (;;) {
            const Record r = records_->require(pos);
            if (r.type == record::FilePass) {
                readFilePass(r, password);
                break;
            }
            if (r.type == record::Eof || r.type == record::BoundSheet || r.type == record::Sst) {
                break; // FILEPASS comes right after BOF or not at all
            }
            pos = r.pos + r.size;
        }
        readGlobals();
    } catch (const Damage& d) {
        fail(ErrorKind::Damaged, QStringLiteral("文件已损坏（%1）。").arg(d.reason));
    }
}

void BiffWorkbook::locateStream() {
    std::optional<cfb::Stream> s;
    try {
        s = cfb_->stream(QStringLiteral("Workbook"));
    } catch (const cfb::Corrupt&) {
        fail(ErrorKind::Damaged, QStringLiteral("文件已损坏（工作簿流的扇区链错误）。"));
    }
    if (s) {
        stream_ = std::move(*s);
        return;
    }
    if (cfb_->contains(QStringLiteral("EncryptionInfo")) &&
        cfb_->contains(QStringLiteral("EncryptedPackage"))) {
        fail(ErrorKind::UnsupportedFormat,
             QStringLiteral("这是加密的 Excel 2007 及以后格式（.xlsx）的工作簿，不支持此格式。"));
    }
    if (cfb_->contains(QStringLiteral("Book"))) {
        fail(ErrorKind::UnsupportedFormat,
             QStringLiteral("这是 Excel 5.0/95 格式的工作簿，不支持此格式。"));
    }
    fail(ErrorKind::NotAWorkbook, QStringLiteral("文件中没有工作簿。"));
}

void BiffWorkbook::readFilePass(const Record& r, const QString& password) {
    const QByteArray d = records_->data(r); // FILEPASS itself is never encrypted
    const auto* p = reinterpret_cast<const quint8*>(d.constData());
    const int n = int(d.size());
    if (n < 6) {
        damage("FILEPASS too short");
    }
    const QString velvet = QString::fromUtf16(crypto::kDefaultPassword);
    const QString candidates[2] = {password, velvet};
    const qint64 encryptedFrom = r.pos + r.size;
    const quint16 type = le16(p);
    if (type == 0) {
        const quint16 key = le16(p + 2);
        const quint16 verifier = le16(p + 4);
        for (const QString& pw : candidates) {
            const QByteArray b = crypto::xorPasswordBytes(pw);
            if (!b.isEmpty() && crypto::xorVerifier(b) == verifier && crypto::xorKey(b) == key) {
                encryption_ = Encryption::Xor;
                records_->setCipher(crypto::RecordCipher::xorObfuscation(pw), encryptedFrom);
                return;
            }
        }
        fail(ErrorKind::PasswordRefused, QStringLiteral("密码不正确。"));
    }
    if (type != 1) {
        fail(ErrorKind::UnsupportedFormat, QStringLiteral("不支持此加密方式。"));
    }
    const quint16 major = le16(p + 2);
    const quint16 minor = le16(p + 4);
    if (major == 1 && minor == 1) {
        if (n < 6 + 48) {
            damage("FILEPASS too short");
        }
        const QByteArrayView salt(p + 6, 16), ev(p + 22, 16), evh(p + 38, 16);
        for (const QString& pw : candidates) {
            crypto::Rc4Keys keys = crypto::Rc4Keys::standard(pw, salt);
            if (keys.verify(ev, evh)) {
                encryption_ = Encryption::Rc4;
                records_->setCipher(crypto::RecordCipher::rc4(std::move(keys)), encryptedFrom);
                return;
            }
        }
        fail(ErrorKind::PasswordRefused, QStringLiteral("密码不正确。"));
    }
    if (major < 2 || major > 4 || minor != 2) {
        fail(ErrorKind::UnsupportedFormat, QStringLiteral("不支持此加密方式。"));
    }
    if (n < 14) {
        damage("FILEPASS too short");
    }
    const quint32 headerSize = le32(p + 10);
    if (headerSize < 32 || headerSize > quint32(n)) {
        damage("FILEPASS encryption header size");
    }
    const quint8* h = p + 14;
    const quint32 algId = le32(h + 8);
    int bits = int(le32(h + 16));
    if (algId != 0x6801 && algId != 0) {
        fail(ErrorKind::UnsupportedFormat, QStringLiteral("不支持此加密方式。"));
    }
    if (bits == 0) {
        bits = 40;
    }
    if (bits < 40 || bits > 128 || bits % 8 != 0) {
        fail(ErrorKind::UnsupportedFormat, QStringLiteral("不支持此加密方式。"));
    }
    const qint64 v = 14 + qint64(headerSize);
    if (v + 60 > n) {
        damage("FILEPASS verifier missing");
    }
    const quint8* vp = p + v;
    if (le32(vp) != 16 || le32(vp + 36) != 20) {
        damage("FILEPASS verifier sizes");
    }
    const QByteArrayView salt(vp + 4, 16), ev(vp + 20, 16), evh(vp + 40, 20);
    for (const QString& pw : candidates) {
        crypto::Rc4Keys keys = crypto::Rc4Keys::cryptoApi(pw, salt, bits);
        if (keys.verify(ev, evh)) {
            encryption_ = Encryption::Rc4CryptoApi;
            keyBits_ = bits;
            records_->setCipher(crypto::RecordCipher::rc4(std::move(keys)), encryptedFrom);
            return;
        }
    }
    fail(ErrorKind::PasswordRefused, QStringLiteral("密码不正确。"));
}

void BiffWorkbook::readGlobals() {
    qint64 pos = 0;
    bool inSst = false;
    for (;;) {
        const Record r = records_->require(pos);
        pos = r.pos + r.size;
        if (r.type == record::Continue && inSst) {
            sst_.push_back(r);
            continue;
        }
        inSst = false;
        switch (r.type) {
        case record::Eof:
            break;
        case record::DateMode:
            if (r.size >= 2) {
                date1904_ = records_->u16(r, 0) == 1;
            }
            continue;
        case record::CodePage:
            if (r.size >= 2) {
                codePage_ = records_->u16(r, 0);
            }
            continue;
        case record::Xf:
            if (r.size >= 4) {
                xfFormat_.push_back(records_->u16(r, 2));
            }
            continue;
        case record::Format: {
            if (r.size < 5) {
                continue;
            }
            const int ifmt = records_->u16(r, 0);
            std::vector<Record> segs = withContinues(*records_, r);
            Cursor c(*records_, segs, 0, 2);
            QString code;
            if (readPlainString(c, code)) {
                formats_[ifmt] = code;
            }
            continue;
        }
        case record::BoundSheet: {
            if (r.size < 8) {
                damage("BOUNDSHEET too short");
            }
            const QByteArray d = records_->data(r);
            const auto* p = reinterpret_cast<const quint8*>(d.constData());
            Sheet sheet;
            sheet.bofPos = le32(p);
            const quint8 dt = p[5];
            sheet.info.kind = dt == 0x00   ? SheetKind::Worksheet
                              : dt == 0x02 ? SheetKind::Chart
                                           : SheetKind::Macro;
            const int cch = p[6];
            const bool high = (p[7] & 0x01) != 0;
            if (8 + cch * (high ? 2 : 1) > r.size) {
                damage("sheet name runs past its record");
            }
            for (int k = 0; k < cch; ++k) {
                sheet.info.name.append(high ? QChar(char16_t(le16(p + 8 + 2 * k)))
                                            : QChar(char16_t(p[8 + k])));
            }
            sheetList_.push_back(std::move(sheet));
            continue;
        }
        case record::Sst:
            if (r.size < 8) {
                damage("SST too short");
            }
            {
                quint8 b[8];
                records_->read(r, 0, 8, b);
                sstUnique_ = le32(b + 4);
            }
            sst_.assign(1, r);
            inSst = true;
            continue;
        case record::ExtSst: {
            if (r.size < 2) {
                continue;
            }
            const QByteArray d = records_->data(r);
            const auto* p = reinterpret_cast<const quint8*>(d.constData());
            extSstStep_ = le16(p);
            for (int k = 2; k + 8 <= r.size; k += 8) {
                extSst_.push_back({le32(p + k), le16(p + k + 4)});
            }
            continue;
        }
        default:
            continue;
        }
        break; // EOF
    }
    if (!sst_.empty()) {
        walked_.push_back({0, 8});
        // The buckets must start at the first string and go up, or they are not to be trusted.
        bool trusted = extSstStep_ > 0 && !extSst_.empty() && extSst_[0].pos == sst_[0].pos + 8;
        for (size_t k = 1; trusted && k < extSst_.size(); ++k) {
            trusted = extSst_[k].pos > extSst_[k - 1].pos;
        }
        if (!trusted) {
            extSst_.clear();
            extSstStep_ = 0;
        }
    }
}

const Sheet& BiffWorkbook::scanned(size_t index) const {
    Sheet& sheet = sheetList_.at(index);
    if (!sheet.scanned) {
        if (sheet.info.kind == SheetKind::Worksheet) {
            try {
                scanSheet(sheet);
            } catch (const Damage& d) {
                throw openFailure(ErrorKind::Damaged, displayName_,
                                  QStringLiteral("文件已损坏（%1）。").arg(d.reason));
            }
        }
        sheet.scanned = true;
    }
    return sheet;
}

const SheetInfo& BiffWorkbook::sheet(int index) const {
    return scanned(size_t(index)).info;
}

const std::vector<SheetInfo>& BiffWorkbook::sheets() const {
    if (!allScanned_) {
        infos_.clear();
        for (size_t k = 0; k < sheetList_.size(); ++k) {
            infos_.push_back(scanned(k).info);
        }
        allScanned_ = true;
    }
    return infos_;
}

void BiffWorkbook::scanSheet(Sheet& sheet) const {
    std::optional<Record> first = records_->at(sheet.bofPos);
    if (!first || first->type != record::Bof) {
        damage("a worksheet's substream does not start with BOF");
    }
    // First the record headers alone, which are never encrypted: the substream's end and the
    // number of cell records, so the index is allocated once at its size.
    qint64 pos = sheet.bofPos;
    int depth = 0;
    size_t count = 0;
    for (;;) {
        const Record r = records_->require(pos);
        pos = r.pos + r.size;
        if (r.type == record::Bof) {
            ++depth;
        } else if (r.type == record::Eof) {
            if (--depth == 0) {
                break;
            }
        } else if (depth == 1 && minimumCellSize(r.type) >= 0) {
            ++count;
        }
    }
    sheet.cells.reserve(count);
    // Then the row and columns of each cell record.
    pos = sheet.bofPos;
    depth = 0;
    bool sorted = true;
    for (;;) {
        const Record r = records_->require(pos);
        pos = r.pos + r.size;
        if (r.type == record::Bof) {
            ++depth;
            continue;
        }
        if (r.type == record::Eof) {
            if (--depth == 0) {
                break;
            }
            continue;
        }
        const int minimum = minimumCellSize(r.type);
        if (depth != 1 || minimum < 0) {
            continue;
        }
        if (r.size < minimum) {
            damage("cell record too short");
        }
        quint8 b[4];
        records_->read(r, 0, 4, b);
        const quint16 row = le16(b);
        const int firstCol = le16(b + 2);
        int lastCol = firstCol;
        if (r.type == record::MulRk || r.type == record::MulBlank) {
            lastCol = records_->u16(r, r.size - 2);
            const int each = r.type == record::MulRk ? 6 : 2;
            if (lastCol < firstCol || (r.size - 6) % each != 0 ||
                (r.size - 6) / each != lastCol - firstCol + 1) {
                damage("MULRK or MULBLANK with a wrong column count");
            }
        }
        if (firstCol > 255) {
            // Past the last column: counts for the used rows, holds nothing readable.
            sheet.info.firstRow =
                sheet.info.firstRow == 0 ? row + 1 : std::min(sheet.info.firstRow, row + 1);
            sheet.info.lastRow = std::max(sheet.info.lastRow, row + 1);
            continue;
        }
        if (!sheet.cells.empty() && row < sheet.cells.back().row) {
            sorted = false;
        }
        sheet.cells.push_back(
            {quint32(r.pos), row, quint8(firstCol), quint8(std::min(lastCol, 255))});
    }
    if (!sorted) {
        std::stable_sort(sheet.cells.begin(), sheet.cells.end(),
                         [](const CellRef& a, const CellRef& b) { return a.row < b.row; });
    }
    if (!sheet.cells.empty()) {
        const int lo = sheet.cells.front().row + 1;
        const int hi = sheet.cells.back().row + 1;
        sheet.info.firstRow = sheet.info.firstRow == 0 ? lo : std::min(sheet.info.firstRow, lo);
        sheet.info.lastRow = std::max(sheet.info.lastRow, hi);
    }
    if (sheet.info.firstRow > 0) {
        sheet.info.usedRows = sheet.info.lastRow - sheet.info.firstRow + 1;
    }
}

CellContent BiffWorkbook::cell(int sheetIndex, int row, int column) const {
    if (sheetIndex < 0 || sheetIndex >= int(sheetList_.size()) || row < 1 || row > 65536 ||
        column < 1 || column > 256) {
        throw BankError(ErrorKind::BadArgument, error_code::ApplicationDefined,
                        QStringLiteral("单元格位置超出范围：工作表 %1，第 %2 行，第 %3 列。")
                            .arg(sheetIndex + 1)
                            .arg(row)
                            .arg(column));
    }
    const std::vector<CellRef>& cells = scanned(size_t(sheetIndex)).cells;
    const quint16 r = quint16(row - 1);
    const quint16 c = quint16(column - 1);
    auto range = std::equal_range(cells.begin(), cells.end(), CellRef{0, r, 0, 0},
                                  [](const CellRef& a, const CellRef& b) { return a.row < b.row; });
    const CellRef* found = nullptr;
    for (auto it = range.first; it != range.second; ++it) {
        if (it->firstCol <= c && c <= it->lastCol) {
            found = &*it; // a later record for the same cell wins
        }
    }
    if (found == nullptr) {
        return {};
    }
    try {
        return decode(*found, c);
    } catch (const Damage& d) {
        throw openFailure(ErrorKind::Damaged, displayName_,
                          QStringLiteral("文件已损坏（%1）。").arg(d.reason));
    }
}

CellContent BiffWorkbook::decode(const CellRef& ref, int column) const {
    const Record r = records_->require(qint64(ref.pos) - 4);
    const QByteArray data = records_->data(r);
    const auto* p = reinterpret_cast<const quint8*>(data.constData());
    CellContent out;
    switch (r.type) {
    case record::LabelSst:
        out.kind = CellContent::Kind::Text;
        out.text = sharedString(le32(p + 6));
        return out;
    case record::Label:
    case record::RString: {
        std::vector<Record> segs = withContinues(*records_, r);
        Cursor cur(*records_, segs, 0, 6);
        out.kind = CellContent::Kind::Text;
        if (!readPlainString(cur, out.text)) {
            damage("text cell runs past its record");
        }
        return out;
    }
    case record::Number: {
        double v;
        std::memcpy(&v, p + 6, 8);
        return numberCell(qFromLittleEndian<double>(&v), le16(p + 4));
    }
    case record::Rk:
        return numberCell(decodeRk(le32(p + 6)), le16(p + 4));
    case record::MulRk: {
        const int at = 4 + 6 * (column - ref.firstCol);
        return numberCell(decodeRk(le32(p + at + 2)), le16(p + at));
    }
    case record::BoolErr:
        if (p[7] != 0) {
            out.kind = CellContent::Kind::Error;
            out.error = ErrorValue(p[6]);
        } else {
            out.kind = CellContent::Kind::Boolean;
            out.text = p[6] != 0 ? QStringLiteral("True") : QStringLiteral("False");
        }
        return out;
    case record::Formula:
        if (p[12] == 0xFF && p[13] == 0xFF) {
            switch (p[6]) {
            case 0:
                out.kind = CellContent::Kind::Text;
                out.text = formulaString(r);
                return out;
            case 1:
                out.kind = CellContent::Kind::Boolean;
                out.text = p[8] != 0 ? QStringLiteral("True") : QStringLiteral("False");
                return out;
            case 2:
                out.kind = CellContent::Kind::Error;
                out.error = ErrorValue(p[8]);
                return out;
            case 3:
                out.kind = CellContent::Kind::Text;
                return out;
            default:
                damage("unknown formula result type");
            }
        } else {
            double v;
            std::memcpy(&v, p + 6, 8);
            return numberCell(qFromLittleEndian<double>(&v), le16(p + 4));
        }
    default: // BLANK, MULBLANK
        return out;
    }
}

CellContent BiffWorkbook::numberCell(double value, int xf) const {
    CellContent out;
    out.kind = CellContent::Kind::Number;
    if (xf >= 0 && size_t(xf) < xfFormat_.size()) {
        const int ifmt = xfFormat_[size_t(xf)];
        auto cached = dateFormats_.find(ifmt);
        if (cached == dateFormats_.end()) {
            auto code = formats_.find(ifmt);
            cached = dateFormats_
                         .emplace(ifmt, classifyFormat(ifmt, code == formats_.end() ? QString()
                                                                                    : code->second))
                         .first;
        }
        if (cached->second.any()) {
            out.text = dateText(value, date1904_, cached->second);
            if (!out.text.isEmpty()) {
                return out;
            }
        }
    }
    out.text = formatNumber(value);
    return out;
}

QString BiffWorkbook::formulaString(const Record& formula) const {
    qint64 pos = formula.pos + formula.size;
    for (int k = 0; k < 8; ++k) {
        const Record r = records_->require(pos);
        pos = r.pos + r.size;
        if (r.type == record::String) {
            std::vector<Record> segs = withContinues(*records_, r);
            Cursor c(*records_, segs, 0, 0);
            QString text;
            if (!readPlainString(c, text)) {
                damage("STRING record cut short");
            }
            return text;
        }
        if (r.type != record::ShrFmla && r.type != record::Array && r.type != record::Table &&
            r.type != record::Continue) {
            break;
        }
    }
    damage("formula text result without its STRING record");
}

bool BiffWorkbook::stringAt(size_t seg, int off, quint32 skipCount, QString& out) const {
    Cursor c(*records_, sst_, seg, off);
    for (quint32 k = 0; k < skipCount; ++k) {
        if (!readRichString(c, nullptr)) {
            return false;
        }
    }
    out.clear();
    return readRichString(c, &out);
}

QString BiffWorkbook::sharedString(quint32 index) const {
    if (sst_.empty() || index >= sstUnique_) {
        damage("shared string index outside the table");
    }
    QString out;
    // The EXTSST bucket holding the string, when its position lies inside the table.
    if (extSstStep_ > 0) {
        const size_t bucket = index / quint32(extSstStep_);
        if (bucket < extSst_.size()) {
            const qint64 at = extSst_[bucket].pos;
            auto it = std::upper_bound(sst_.begin(), sst_.end(), at,
                                       [](qint64 v, const Record& r) { return v < r.pos; });
            if (it != sst_.begin()) {
                --it;
                const qint64 off = at - it->pos;
                const size_t seg = size_t(it - sst_.begin());
                if (off < it->size && (seg > 0 || off >= 8) && off + 4 == extSst_[bucket].offset &&
                    stringAt(seg, int(off), index % quint32(extSstStep_), out)) {
                    return out;
                }
            }
        }
    }
    // Otherwise walk the table from the nearest position found before.
    constexpr quint32 kStep = 64;
    size_t known = std::min<size_t>(index / kStep, walked_.size() - 1);
    Cursor c(*records_, sst_, walked_[known].seg, int(walked_[known].off));
    for (quint32 k = quint32(known) * kStep; k < index; ++k) {
        if (!readRichString(c, nullptr)) {
            damage("shared string table cut short");
        }
        if ((k + 1) % kStep == 0 && (k + 1) / kStep == walked_.size()) {
            walked_.push_back({quint32(c.segment()), quint32(c.offset())});
        }
    }
    if (!readRichString(c, &out)) {
        damage("shared string table cut short");
    }
    return out;
}

} // namespace

std::shared_ptr<const WorkbookData> open(QByteArray bytes, const QString& password,
                                         const QString& displayName) {
    return std::make_shared<const BiffWorkbook>(std::move(bytes), password, displayName);
}

} // namespace tiku::bank::biff
