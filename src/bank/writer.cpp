#include "writer.h"

#include "bankerror.h"
#include "bankformat.h"
#include "cfbwriter.h"
#include "crypto.h"
#include "recordids.h"

#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>

#include <unistd.h>

namespace tiku::bank {

namespace {

namespace record = biff::record;

constexpr int kRowsPerBlock = 32;

// Cell formats: 0-14 style formats, 15 the default cell format, 16 the same with wrapped text.
constexpr quint16 kXfDefault = 15;
constexpr quint16 kXfWrap = 16;

[[noreturn]] void badArgument(const QString& what) {
    throw BankError(ErrorKind::BadArgument, failure_code::ApplicationDefined, what);
}

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

Bytes bof(quint16 kind) {
    Bytes b;
    b.u16(0x0600).u16(kind).u16(0x0DBB).u16(0x07CC).u32(0x000000C1).u32(0x00000006);
    return b;
}

Bytes u16Record(quint16 v) {
    return Bytes().u16(v);
}

Bytes font() {
    Bytes b;
    b.u16(200).u16(0).u16(0x7FFF).u16(400).u16(0).u8(0).u8(0).u8(0).u8(0);
    b.shortString(u"Arial");
    return b;
}

// An XF record: font, number format, the type/protection word, the alignment byte and the
// "attributes used" byte; borders and fill are left empty with the default palette colours.
Bytes xf(quint16 fontIndex, quint16 protection, quint8 alignment, quint8 used) {
    Bytes b;
    b.u16(fontIndex).u16(0).u16(protection).u8(alignment).u8(0).u8(0).u8(used);
    b.u32(0).u32(0).u16(0x20C0);
    return b;
}

QByteArray randomBytes(int n) {
    QByteArray out(n, '\0');
    for (int i = 0; i < n; ++i) {
        out[i] = char(QRandomGenerator::system()->bounded(256));
    }
    return out;
}

// The FILEPASS record and the cipher for the rest of the stream.
struct Protection {
    Bytes filePass;
    std::unique_ptr<crypto::RecordCipher> cipher;
};

Protection makeProtection(const WriteOptions& options) {
    Protection p;
    switch (options.encryption) {
    case Encryption::None:
        break;
    case Encryption::Xor: {
        const QByteArray pw = crypto::xorPasswordBytes(options.password);
        if (pw.isEmpty()) {
            badArgument(QStringLiteral("XOR 加密需要非空的密码"));
        }
        p.filePass.u16(0x0000).u16(crypto::xorKey(pw)).u16(crypto::xorVerifier(pw));
        p.cipher = crypto::RecordCipher::xorObfuscation(options.password);
        break;
    }
    case Encryption::Rc4: {
        const QByteArray salt = randomBytes(16);
        const crypto::Rc4Keys keys = crypto::Rc4Keys::standard(options.password, salt);
        p.filePass.u16(0x0001).u16(1).u16(1).raw(salt).raw(keys.encryptVerifier(randomBytes(16)));
        p.cipher = crypto::RecordCipher::rc4(keys);
        break;
    }
    case Encryption::Rc4CryptoApi: {
        if (options.keyBits < 40 || options.keyBits > 128 || options.keyBits % 8 != 0) {
            badArgument(QStringLiteral("RC4 CryptoAPI 密钥长度 %1 不在 40 到 128 位之间")
                            .arg(options.keyBits));
        }
        if (options.cryptoApiMajorVersion < 2 || options.cryptoApiMajorVersion > 4) {
            badArgument(QStringLiteral("RC4 CryptoAPI 版本 %1.2 不受支持")
                            .arg(options.cryptoApiMajorVersion));
        }
        const QByteArray salt = randomBytes(16);
        const crypto::Rc4Keys keys =
            crypto::Rc4Keys::cryptoApi(options.password, salt, options.keyBits);
        const QByteArray verifier = keys.encryptVerifier(randomBytes(16));
        const QString csp = options.keyBits == 40
                                ? QStringLiteral("Microsoft Base Cryptographic Provider v1.0")
                                : QStringLiteral("Microsoft Enhanced Cryptographic Provider v1.0");
        // fCryptoAPI and fDocProps: the file has no summary streams, so none are encrypted
        // into an "encryption" stream.
        constexpr quint32 flags = 0x04 | 0x08;
        Bytes header;
        header.u32(flags)
            .u32(0)      // SizeExtra
            .u32(0x6801) // RC4
            .u32(0x8004) // SHA-1
            .u32(quint32(options.keyBits))
            .u32(1) // PROV_RSA_FULL
            .u32(0)
            .u32(0)
            .chars(csp, false)
            .u16(0);
        p.filePass.u16(0x0001).u16(quint16(options.cryptoApiMajorVersion)).u16(2);
        p.filePass.u32(flags).u32(quint32(header.size())).raw(header.data());
        p.filePass.u32(16).raw(salt).raw(verifier.left(16)).u32(20).raw(verifier.mid(16));
        p.cipher = crypto::RecordCipher::rc4(keys);
        break;
    }
    }
    return p;
}

struct PlacedCell {
    int row; // 0-based
    int column;
    const CellValue* value;
};

void checkSpec(const WorkbookSpec& spec) {
    if (spec.sheets.empty()) {
        badArgument(QStringLiteral("工作簿至少要有一张工作表"));
    }
    if (spec.sheets.size() > size_t(maxSheets)) {
        badArgument(QStringLiteral("工作表太多"));
    }
    QHash<QString, int> names;
    for (const SheetSpec& sheet : spec.sheets) {
        if (sheet.name.isEmpty() || sheet.name.size() > 31) {
            badArgument(
                QStringLiteral("工作表名“%1”的长度不在 1 到 31 个字符之间").arg(sheet.name));
        }
        for (QChar c : sheet.name) {
            if (QStringView(u"[]:*?/\\").contains(c)) {
                badArgument(QStringLiteral("工作表名“%1”含有不允许的字符").arg(sheet.name));
            }
        }
        if (names.contains(sheet.name.toCaseFolded())) {
            badArgument(QStringLiteral("工作表名“%1”重复").arg(sheet.name));
        }
        names.insert(sheet.name.toCaseFolded(), 1);
        for (const CellSpec& cell : sheet.cells) {
            if (cell.row < 1 || cell.row > maxSheetRows || cell.column < 1 ||
                cell.column > maxSheetColumns) {
                badArgument(QStringLiteral("单元格位置（%1, %2）超出工作表范围")
                                .arg(cell.row)
                                .arg(cell.column));
            }
            if (cell.value.kind == CellValue::Kind::Text &&
                cell.value.text.size() > maxTextLength) {
                badArgument(QStringLiteral("单元格（%1, %2）的文字超过 %3 个字符")
                                .arg(cell.row)
                                .arg(cell.column)
                                .arg(maxTextLength));
            }
        }
    }
}

// The cells of a sheet in row-major order, a later cell at the same place replacing an earlier.
std::vector<PlacedCell> placeCells(const SheetSpec& sheet) {
    std::vector<PlacedCell> cells;
    cells.reserve(sheet.cells.size());
    for (const CellSpec& c : sheet.cells) {
        cells.push_back({c.row - 1, c.column - 1, &c.value});
    }
    std::stable_sort(cells.begin(), cells.end(), [](const PlacedCell& a, const PlacedCell& b) {
        return a.row != b.row ? a.row < b.row : a.column < b.column;
    });
    std::vector<PlacedCell> unique;
    unique.reserve(cells.size());
    for (const PlacedCell& c : cells) {
        if (!unique.empty() && unique.back().row == c.row && unique.back().column == c.column) {
            unique.back() = c;
        } else {
            unique.push_back(c);
        }
    }
    return unique;
}

// The shared string table: SST with CONTINUE records as needed, then EXTSST.
class StringTable {
public:
    quint32 add(const QString& s) {
        ++total_;
        auto it = index_.constFind(s);
        if (it != index_.cend()) {
            return *it;
        }
        const quint32 i = quint32(strings_.size());
        index_.insert(s, i);
        strings_.push_back(s);
        return i;
    }

    void write(BiffStream& biff) const {
        const int unique = int(strings_.size());
        const int perBucket = std::max(8, (unique + 127) / 128);
        Bytes extSst;
        extSst.u16(quint16(perBucket));

        quint16 type = record::Sst;
        Bytes current;
        current.u32(total_).u32(quint32(unique));
        auto flush = [&] {
            biff.record(type, current);
            type = record::Continue;
            current = Bytes();
        };
        for (int k = 0; k < unique; ++k) {
            const QString& s = strings_[size_t(k)];
            const bool compressed = Bytes::fitsLatin1(s);
            const int charSize = compressed ? 1 : 2;
            // The count and flags never split from the first character.
            if (current.size() + 3 + (s.isEmpty() ? 0 : charSize) > record::maxData) {
                flush();
            }
            if (k % perBucket == 0) {
                extSst.u32(quint32(biff.position() + 4 + current.size()))
                    .u16(quint16(4 + current.size()))
                    .u16(0);
            }
            current.u16(quint16(s.size())).u8(compressed ? 0 : 1);
            qsizetype done = 0;
            while (done < s.size()) {
                qsizetype room = (record::maxData - current.size()) / charSize;
                // A surrogate pair stays in one record: readers decode each piece apart.
                if (room > 0 && done + room < s.size() && s.at(done + room - 1).isHighSurrogate()) {
                    --room;
                }
                if (room == 0) {
                    flush();
                    current.u8(compressed ? 0 : 1); // the characters go on in a CONTINUE
                    continue;
                }
                const qsizetype n = std::min(room, s.size() - done);
                current.chars(QStringView(s).mid(done, n), compressed);
                done += n;
            }
        }
        flush();
        biff.record(record::ExtSst, extSst);
    }

private:
    QHash<QString, quint32> index_;
    std::vector<QString> strings_;
    quint32 total_ = 0;
};

void writeGlobals(BiffStream& biff, const WorkbookSpec& spec, const Protection& protection,
                  const StringTable& strings, std::vector<qint64>& sheetOffsetAt,
                  qint64& encryptFrom) {
    biff.record(record::Bof, bof(0x0005));
    if (protection.cipher) {
        biff.record(record::FilePass, protection.filePass);
    }
    encryptFrom = biff.position();
    biff.record(record::InterfaceHdr, u16Record(1200));
    biff.record(record::Mms, u16Record(0));
    biff.record(record::InterfaceEnd, QByteArray());
    Bytes access;
    access.string(u"Tiku");
    access.raw(QByteArray(112 - access.size(), ' '));
    biff.record(record::WriteAccess, access);
    biff.record(record::CodePage, u16Record(1200));
    biff.record(record::Dsf, u16Record(0));
    Bytes tabIds;
    for (size_t i = 0; i < spec.sheets.size() && i < record::maxData / 2; ++i) {
        tabIds.u16(quint16(i + 1));
    }
    biff.record(record::TabId, tabIds);
    biff.record(record::FnGroupCount, u16Record(14));
    biff.record(record::WindowProtect, u16Record(0));
    biff.record(record::Protect, u16Record(0));
    biff.record(record::Password, u16Record(0));
    biff.record(record::Prot4Rev, u16Record(0));
    biff.record(record::Prot4RevPass, u16Record(0));
    Bytes window1;
    window1.u16(0x0168).u16(0x001E).u16(0x3A5C).u16(0x2328).u16(0x0038).u16(0).u16(0).u16(1).u16(
        600);
    biff.record(record::Window1, window1);
    biff.record(record::Backup, u16Record(0));
    biff.record(record::HideObj, u16Record(0));
    biff.record(record::DateMode, u16Record(0));
    biff.record(record::Precision, u16Record(1));
    biff.record(record::RefreshAll, u16Record(0));
    biff.record(record::BookBool, u16Record(0));
    for (int i = 0; i < 4; ++i) { // font 4 is never used, so four fonts make indexes 0-3
        biff.record(record::Font, font());
    }
    // Style formats 0-14 (Normal first), cell formats 15 and 16.
    biff.record(record::Xf, xf(0, 0xFFF5, 0x20, 0x00));
    for (int i = 1; i < 15; ++i) {
        biff.record(record::Xf, xf(i <= 2 ? 1 : (i <= 4 ? 2 : 0), 0xFFF5, 0x20, 0xF4));
    }
    biff.record(record::Xf, xf(0, 0x0001, 0x20, 0x00));
    biff.record(record::Xf,
                xf(0, 0x0001, 0x28, 0x10)); // wrapped text: alignment differs from Normal
    Bytes normal;
    normal.u16(0x8000).u8(0).u8(0xFF);
    biff.record(record::Style, normal);
    biff.record(record::UsesElfs, u16Record(0));
    for (const SheetSpec& sheet : spec.sheets) {
        Bytes b;
        quint8 dt = 0;
        if (sheet.kind == SheetKind::Macro) {
            dt = 1;
        } else if (sheet.kind == SheetKind::Chart) {
            dt = 2;
        }
        b.u32(0).u8(0).u8(dt).shortString(sheet.name);
        sheetOffsetAt.push_back(biff.record(record::BoundSheet, b));
    }
    Bytes country;
    country.u16(86).u16(86);
    biff.record(record::Country, country);
    strings.write(biff);
    biff.record(record::Eof, QByteArray());
}

void writeCells(BiffStream& biff, const std::vector<PlacedCell>& cells,
                const std::vector<quint32>& sstIndex) {
    // Rows in blocks of 32: the ROW records of a block, then the cells of its rows.
    size_t i = 0;
    while (i < cells.size()) {
        const int blockStart = cells[i].row / kRowsPerBlock * kRowsPerBlock;
        size_t end = i;
        while (end < cells.size() && cells[end].row < blockStart + kRowsPerBlock) {
            ++end;
        }
        for (size_t r = i; r < end;) {
            size_t rowEnd = r;
            while (rowEnd < end && cells[rowEnd].row == cells[r].row) {
                ++rowEnd;
            }
            Bytes row;
            row.u16(quint16(cells[r].row))
                .u16(quint16(cells[r].column))
                .u16(quint16(cells[rowEnd - 1].column + 1))
                .u16(0x00FF)
                .u16(0)
                .u16(0)
                .u32(0x000F0100);
            biff.record(record::Row, row);
            r = rowEnd;
        }
        for (size_t c = i; c < end; ++c) {
            const PlacedCell& cell = cells[c];
            const CellValue& v = *cell.value;
            Bytes b;
            b.u16(quint16(cell.row)).u16(quint16(cell.column));
            switch (v.kind) {
            case CellValue::Kind::Blank:
                b.u16(kXfDefault);
                biff.record(record::Blank, b);
                break;
            case CellValue::Kind::Text:
                b.u16(kXfWrap).u32(sstIndex[c]);
                biff.record(record::LabelSst, b);
                break;
            case CellValue::Kind::Number:
                b.u16(kXfDefault).f64(v.number);
                biff.record(record::Number, b);
                break;
            case CellValue::Kind::Boolean:
                b.u16(kXfDefault).u8(v.boolean ? 1 : 0).u8(0);
                biff.record(record::BoolErr, b);
                break;
            case CellValue::Kind::Error:
                b.u16(kXfDefault).u8(quint8(v.error)).u8(1);
                biff.record(record::BoolErr, b);
                break;
            }
        }
        i = end;
    }
}

void writeSheet(BiffStream& biff, const SheetSpec& sheet, const std::vector<PlacedCell>& cells,
                const std::vector<quint32>& sstIndex, bool selected) {
    if (sheet.kind == SheetKind::Chart) {
        biff.record(record::Bof, bof(0x0020));
        biff.record(record::Eof, QByteArray());
        return;
    }
    biff.record(record::Bof, bof(sheet.kind == SheetKind::Macro ? 0x0040 : 0x0010));
    biff.record(record::CalcMode, u16Record(1));
    biff.record(record::CalcCount, u16Record(100));
    biff.record(record::RefMode, u16Record(1));
    biff.record(record::Iteration, u16Record(0));
    biff.record(record::Delta, Bytes().f64(0.001));
    biff.record(record::SaveRecalc, u16Record(1));
    biff.record(record::PrintHeaders, u16Record(0));
    biff.record(record::PrintGridlines, u16Record(0));
    biff.record(record::GridSet, u16Record(1));
    biff.record(record::Guts, Bytes().u16(0).u16(0).u16(0).u16(0));
    biff.record(record::DefaultRowHeight, Bytes().u16(0).u16(0x00FF));
    biff.record(record::WsBool, u16Record(0x04C1));
    biff.record(record::DefColWidth, u16Record(8));
    // Column B, the question text, wide enough to read.
    biff.record(record::ColInfo, Bytes().u16(1).u16(1).u16(60 * 256).u16(kXfDefault).u16(0).u16(0));
    Bytes dims;
    if (cells.empty()) {
        dims.u32(0).u32(0).u16(0).u16(0).u16(0);
    } else {
        int lastColumn = 0;
        int firstColumn = maxSheetColumns;
        for (const PlacedCell& c : cells) {
            lastColumn = std::max(lastColumn, c.column);
            firstColumn = std::min(firstColumn, c.column);
        }
        dims.u32(quint32(cells.front().row))
            .u32(quint32(cells.back().row + 1))
            .u16(quint16(firstColumn))
            .u16(quint16(lastColumn + 1))
            .u16(0);
    }
    biff.record(record::Dimensions, dims);
    writeCells(biff, cells, sstIndex);
    Bytes window2;
    window2.u16(selected ? 0x06B6 : 0x00B6).u16(0).u16(0).u32(64).u16(0).u16(0).u32(0);
    biff.record(record::Window2, window2);
    biff.record(record::Eof, QByteArray());
}

} // namespace

QByteArray writeWorkbook(const WorkbookSpec& spec, const WriteOptions& options) {
    checkSpec(spec);
    const Protection protection = makeProtection(options);

    std::vector<std::vector<PlacedCell>> sheetCells;
    std::vector<std::vector<quint32>> sheetSst;
    StringTable strings;
    for (const SheetSpec& sheet : spec.sheets) {
        sheetCells.push_back(sheet.kind == SheetKind::Chart ? std::vector<PlacedCell>()
                                                            : placeCells(sheet));
        std::vector<quint32> sst(sheetCells.back().size(), 0);
        for (size_t i = 0; i < sst.size(); ++i) {
            const CellValue& v = *sheetCells.back()[i].value;
            if (v.kind == CellValue::Kind::Text) {
                sst[i] = strings.add(v.text);
            }
        }
        sheetSst.push_back(std::move(sst));
    }

    BiffStream biff;
    std::vector<qint64> sheetOffsetAt;
    qint64 encryptFrom = 0;
    writeGlobals(biff, spec, protection, strings, sheetOffsetAt, encryptFrom);
    for (size_t s = 0; s < spec.sheets.size(); ++s) {
        biff.patch32(sheetOffsetAt[s], quint32(biff.position()));
        writeSheet(biff, spec.sheets[s], sheetCells[s], sheetSst[s], s == 0);
    }
    if (protection.cipher) {
        biff.encrypt(*protection.cipher, encryptFrom);
    }
    return detail::writeCompoundFile(QStringLiteral("Workbook"), biff.take());
}

void writeWorkbookFile(const QString& path, const WorkbookSpec& spec, const WriteOptions& options) {
    const QString shown = QFileInfo(path).absoluteFilePath();
    auto fail = [&shown](const QString& why) {
        throw BankError(ErrorKind::FileUnreadable, failure_code::ApplicationDefined,
                        QStringLiteral("无法写入文件 %1：%2").arg(shown, why));
    };
    // A device, pipe or folder at the path is refused: renaming over it would replace the node.
    const QFileInfo existing(path);
    if (existing.exists() && !existing.isFile()) {
        fail(QStringLiteral("这不是普通文件。"));
    }
    const QByteArray bytes = writeWorkbook(spec, options);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        fail(file.errorString());
    }
    // Every byte must have reached the disk before the rename: a write that fits the device's
    // buffer fails only when it is flushed (a full disk), and some file systems report that
    // only when the data is synced.
    const bool written =
        file.write(bytes) == bytes.size() && file.flush() && ::fsync(file.handle()) == 0;
    if (!written) {
        const QString why =
            file.error() != QFileDevice::NoError ? file.errorString() : qt_error_string(errno);
        file.cancelWriting();
        fail(why);
    }
    if (!file.commit()) {
        fail(file.errorString());
    }
}

} // namespace tiku::bank
