// Damaged and hostile files: cut at many lengths, bytes flipped, and structures built to loop or
// overreach. Each must open and read cleanly or fail with a BankError; never crash or hang.

#include "bank/bankerror.h"
#include "bank/workbook.h"
#include "bank/writer.h"
#include "bankfiles.h"
#include "craftedbook.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

using namespace tiku::bank;
using tiku::ErrorKind;
using namespace tiku::testing::crafted;

namespace {

const QString kName = QStringLiteral("/t/damaged.xls");

struct Source {
    QString name;
    QByteArray bytes;
    QString password;
};

// The real workbooks and a few made by the writer.
std::vector<Source> sources() {
    std::vector<Source> out;
    const QString dir = tiku::testing::realFixturesDir();
    if (!dir.isEmpty()) {
        const QStringList files = QDir(dir).entryList({QStringLiteral("*.xls")}, QDir::Files);
        const QHash<QString, QString> passwords = {
            {"msoffcrypto-rc4cryptoapi_password.xls", "Password1234_"},
            {"msoffcrypto-xor_password_123456789012345.xls", "123456789012345"},
            {"poi-password.xls", "password"},
            {"poi-35897-type4.xls", "freedom"},
            {"poi-xor-encryption-abc.xls", "abc"},
            {"sheetjs-password_2002_40_972000.xls", "password"},
            {"sheetjs-password_2002_40_xor.xls", "password"},
            {"sheetjs-password_2002_40_basecrypto.xls", "password"},
            {"sheetjs-password_2002_128_strong.xls", "password"},
            {"parseexcel-pers-encrypted-RC4-pass-11.xls", "11"},
            {"parseexcel-pers-encrypted-def-pass-QwErTyUiOp.xls", "QwErTyUiOp"}};
        for (const QString& f : files) {
            QFile file(dir + u'/' + f);
            if (file.open(QIODevice::ReadOnly)) {
                out.push_back({f, file.readAll(), passwords.value(f)});
            }
        }
    }
    const auto q1 = tiku::testing::numberedQuestions(300, QStringLiteral("人文"));
    const auto q2 = tiku::testing::numberedQuestions(200, QStringLiteral("临床"));
    WorkbookSpec spec{{tiku::testing::bankSheet(QStringLiteral("sheet1"), q1),
                       tiku::testing::bankSheet(QStringLiteral("sheet2"), q2)}};
    for (Encryption e :
         {Encryption::None, Encryption::Xor, Encryption::Rc4, Encryption::Rc4CryptoApi}) {
        WriteOptions o;
        o.encryption = e;
        out.push_back(
            {QStringLiteral("writer-%1").arg(int(e)), writeWorkbook(spec, o), o.password});
    }
    return out;
}

// Opens and reads every worksheet's used rows and the cells of its first and last rows. Returns
// the failure, or nullopt when everything read.
std::optional<BankError> openAndReadAll(const QByteArray& bytes, const QString& password) {
    try {
        auto book = WorkbookData::fromBytes(bytes, password, kName);
        for (int s = 0; s < int(book->sheets().size()); ++s) {
            const SheetInfo& info = book->sheets()[size_t(s)];
            if (info.kind != SheetKind::Worksheet) {
                continue;
            }
            const int first = std::max(1, info.firstRow);
            for (int r = first; r < first + 20 && r <= std::max(first, info.lastRow); ++r) {
                for (int c = 1; c <= 4; ++c) {
                    book->cell(s, r, c);
                }
            }
            for (int c = 1; c <= 4; ++c) {
                book->cell(s, std::max(1, info.lastRow), c);
            }
        }
        return std::nullopt;
    } catch (const BankError& e) {
        return e;
    }
}

void checkCleanFailure(const BankError& e) {
    static const QList<ErrorKind> allowed = {ErrorKind::Damaged, ErrorKind::NotAWorkbook,
                                             ErrorKind::UnsupportedFormat,
                                             ErrorKind::PasswordRefused};
    QVERIFY2(allowed.contains(e.kind()), qPrintable(e.description()));
    QVERIFY2(e.description().startsWith(QStringLiteral("无法打开题库文件“/t/damaged.xls”：")),
             qPrintable(e.description()));
}

// A small good workbook stream, for the structural cases.
QByteArray goodStream(qint64 minSize = 4096) {
    SheetDef s;
    s.name = QStringLiteral("sheet1");
    s.records = {number(1, 2, 1), labelSst(2, 2, 0)};
    Bytes sst;
    sst.u32(1).u32(1).str16(QStringLiteral("题"), true);
    return workbookStream({s}, {sst.b}, {}, false, minSize);
}

ErrorKind kindOf(const QByteArray& bytes) {
    std::optional<BankError> e = openAndReadAll(bytes, QString());
    return e ? e->kind() : ErrorKind::Closed; // Closed stands for "read fine"
}

} // namespace

class TestDamaged : public QObject {
    Q_OBJECT
private slots:
    void cutAtManyLengths_data();
    void cutAtManyLengths();
    void flippedBytes_data();
    void flippedBytes();
    void workbookStreamCut_data();
    void workbookStreamCut();
    void hostileStructures_data();
    void hostileStructures();
    void filePassHeaderInsideItsRecord();
};

void TestDamaged::cutAtManyLengths_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("password");
    for (const Source& s : sources()) {
        const qint64 n = s.bytes.size();
        QList<qint64> cuts = {0, 1, 7, 8, 100, 511, 512, 513, 1024, n - 1, n - 512, n - 513};
        for (int k = 1; k < 24; ++k) {
            cuts << n * k / 24;
        }
        for (qint64 c : cuts) {
            if (c >= 0 && c < n) {
                QTest::addRow("%s cut %lld", qPrintable(s.name), c)
                    << s.bytes.left(c) << s.password;
            }
        }
    }
}

void TestDamaged::cutAtManyLengths() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, password);
    const std::optional<BankError> e = openAndReadAll(bytes, password);
    if (bytes.size() < 8) {
        QVERIFY(e.has_value());
        QCOMPARE(e->kind(), ErrorKind::NotAWorkbook);
    } else if (bytes.size() < 512) {
        QVERIFY(e.has_value());
        QCOMPARE(e->kind(), ErrorKind::Damaged);
    } else if (e) {
        checkCleanFailure(*e);
    }
}

void TestDamaged::flippedBytes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("password");
    for (const Source& s : sources()) {
        QRandomGenerator rng(quint32(qHash(s.name)));
        for (int round = 0; round < 40; ++round) {
            QByteArray b = s.bytes;
            const int flips = 1 + int(rng.bounded(8));
            for (int f = 0; f < flips; ++f) {
                // Half the flips land in the first 4 KB, where the structures are.
                const qint64 limit =
                    rng.bounded(2) == 0 ? std::min<qint64>(4096, b.size()) : b.size();
                const qint64 at = rng.bounded(limit);
                b[at] = char(b[at] ^ char(1 + rng.bounded(255)));
            }
            QTest::addRow("%s #%d", qPrintable(s.name), round) << b << s.password;
        }
    }
}

void TestDamaged::flippedBytes() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, password);
    if (const std::optional<BankError> e = openAndReadAll(bytes, password)) {
        if (e->kind() != ErrorKind::CellError) {
            checkCleanFailure(*e);
        }
    }
}

// A stream of many records whose stated size ends inside them.
QByteArray longStream() {
    SheetDef s;
    s.name = QStringLiteral("sheet1");
    for (int r = 1; r <= 1000; ++r) {
        s.records.push_back(number(r, 2, r));
    }
    return workbookStream({s}, {}, {}, false, 0);
}

void TestDamaged::workbookStreamCut_data() {
    QTest::addColumn<qint64>("keep");
    const qint64 size = longStream().size();
    for (qint64 k :
         {qint64(4096), qint64(4097), qint64(10000), size / 2 + 1, size - 5, size - 4, size - 1}) {
        QTest::addRow("keep %lld of %lld", k, size) << k;
    }
}

void TestDamaged::workbookStreamCut() {
    QFETCH(qint64, keep);
    // The directory gives the stream fewer bytes than its records need: damaged, though the
    // sectors still hold the rest.
    CfbOptions opt;
    opt.sizeOverride = keep;
    QCOMPARE(kindOf(workbookFile(longStream(), opt)), ErrorKind::Damaged);
    QCOMPARE(kindOf(workbookFile(longStream())), ErrorKind::Closed); // uncut: reads fine
}

void TestDamaged::hostileStructures_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("kind"); // expected failure kind

    {
        CfbOptions o;
        o.patchFat = [](std::vector<quint32>& fat, quint32 first) { fat[first + 3] = first; };
        QTest::newRow("FAT chain loops")
            << workbookFile(goodStream(20000), o) << int(ErrorKind::Damaged);
    }
    {
        CfbOptions o;
        o.patchFat = [](std::vector<quint32>& fat, quint32 first) { fat[first + 2] = 0x7FFFFFF0; };
        QTest::newRow("FAT chain leaves the file")
            << workbookFile(goodStream(20000), o) << int(ErrorKind::Damaged);
    }
    {
        CfbOptions o;
        o.patchFat = [](std::vector<quint32>& fat, quint32 first) { fat[first + 1] = 0xFFFFFFFE; };
        QTest::newRow("FAT chain too short")
            << workbookFile(goodStream(20000), o) << int(ErrorKind::Damaged);
    }
    {
        CfbOptions o;
        o.patchDirectory = [](QByteArray& dir) {
            qToLittleEndian(quint32(1), dir.data() + 128 + 72);
        };
        QTest::newRow("directory sibling is itself")
            << workbookFile(goodStream(), o) << int(ErrorKind::Damaged);
    }
    {
        CfbOptions o;
        o.patchDirectory = [](QByteArray& dir) { qToLittleEndian(quint32(0), dir.data() + 76); };
        QTest::newRow("root's child is the root")
            << workbookFile(goodStream(), o) << int(ErrorKind::Damaged);
    }
    {
        CfbOptions o;
        o.patchDirectory = [](QByteArray& dir) { qToLittleEndian(quint32(9999), dir.data() + 76); };
        QTest::newRow("root's child past the directory")
            << workbookFile(goodStream(), o) << int(ErrorKind::Damaged);
    }
    {
        CfbOptions o;
        o.sizeOverride = qint64(1) << 40;
        QTest::newRow("stream larger than the file")
            << workbookFile(goodStream(), o) << int(ErrorKind::Damaged);
    }
    {
        // DIFAT chain whose sector names itself as the next one.
        QByteArray f = workbookFile(goodStream(300 * 512));
        const qint64 sectors = f.size() / 512 - 1;
        qToLittleEndian(quint32(200), f.data() + 0x2C);     // FAT sectors: past the header's 109
        qToLittleEndian(quint32(5), f.data() + 0x44);       // first DIFAT sector
        qToLittleEndian(quint32(sectors), f.data() + 0x48); // as many as the file has
        for (int e = 0; e < 128; ++e) {
            qToLittleEndian(quint32(5), f.data() + 6 * 512 + 4 * e);
        }
        QTest::newRow("DIFAT loops") << f << int(ErrorKind::Damaged);
    }
    {
        QByteArray f = workbookFile(goodStream());
        qToLittleEndian(quint32(0x7FFFFFFF), f.data() + 0x2C);
        QTest::newRow("FAT sector count huge") << f << int(ErrorKind::Damaged);
    }
    {
        QByteArray f = workbookFile(goodStream());
        qToLittleEndian(quint16(10), f.data() + 0x1E);
        QTest::newRow("sector size unknown") << f << int(ErrorKind::Damaged);
    }
    {
        QByteArray f = workbookFile(goodStream());
        qToLittleEndian(quint32(0xFFFFFFF0), f.data() + 0x30);
        QTest::newRow("directory outside the file") << f << int(ErrorKind::Damaged);
    }
    auto oneSheet = [](std::vector<std::pair<int, QByteArray>> recs,
                       std::vector<QByteArray> sst = {}) {
        SheetDef s;
        s.name = QStringLiteral("sheet1");
        s.records = std::move(recs);
        return workbookFile(workbookStream({s}, sst));
    };
    {
        Bytes sst;
        sst.u32(1).u32(1000000).str16(QStringLiteral("x"), false);
        QTest::newRow("SST index past its strings")
            << oneSheet({labelSst(1, 1, 500000)}, {sst.b}) << int(ErrorKind::Damaged);
        QTest::newRow("SST index past its count")
            << oneSheet({labelSst(1, 1, 2000000)}, {sst.b}) << int(ErrorKind::Damaged);
    }
    {
        // A string of 60000 two-byte characters of which 4 are present, followed by
        // CONTINUE records with nothing in them.
        Bytes sst;
        sst.u32(1).u32(1).u16(60000).u8(1).utf16(QStringLiteral("abcd"));
        std::vector<QByteArray> segs{sst.b};
        for (int k = 0; k < 500; ++k) {
            segs.push_back(QByteArray());
        }
        QTest::newRow("string longer than its CONTINUE records")
            << oneSheet({labelSst(1, 1, 0)}, segs) << int(ErrorKind::Damaged);
    }
    {
        Bytes sst;
        sst.u32(1).u32(1).u16(3).u8(0x0C).u16(0xFFFF).u32(0xFFFFFFFF).latin1("abc");
        QTest::newRow("runs and phonetic sizes huge")
            << oneSheet({labelSst(1, 1, 0)}, {sst.b}) << int(ErrorKind::Damaged);
    }
    {
        Bytes mulrk;
        mulrk.u16(0).u16(0).u16(0).u32(2).u16(5);
        QTest::newRow("MULRK column count wrong")
            << oneSheet({{0x00BD, mulrk.b}}) << int(ErrorKind::Damaged);
    }
    QTest::newRow("cell record too short")
        << oneSheet({{0x0203, QByteArray(6, '\0')}}) << int(ErrorKind::Damaged);
    QTest::newRow("LABEL longer than its record")
        << oneSheet({{0x0204, Bytes().u16(0).u16(0).u16(0).u16(500).u8(0).latin1("ab").b}})
        << int(ErrorKind::Damaged);
    QTest::newRow("sheet that never ends")
        << oneSheet({{0x0809, bof(0x0020)}, {0x0809, bof(0x0020)}}) << int(ErrorKind::Damaged);
    {
        QByteArray s = goodStream();
        // BOUNDSHEET's stream offset: past the end of the stream.
        const qint64 at = s.indexOf(QByteArray("\x85\x00", 2));
        qToLittleEndian(quint32(0x7FFFFFF0), s.data() + at + 4);
        QTest::newRow("sheet offset past the stream") << workbookFile(s) << int(ErrorKind::Damaged);
        qToLittleEndian(quint32(0), s.data() + at + 4);
        // Pointing at the globals: they read as a sheet without cells and stop at their EOF.
        QTest::newRow("sheet offset at the globals") << workbookFile(s) << int(ErrorKind::Closed);
    }
    {
        QByteArray s = goodStream();
        const qint64 at = s.indexOf(QByteArray("\x0A\x00\x00\x00", 4));
        qToLittleEndian(quint16(0x7000), s.data() + at + 2); // globals EOF claims a huge size
        QTest::newRow("record past the stream end") << workbookFile(s) << int(ErrorKind::Damaged);
    }
    {
        Stream s;
        s.record(0x0809, bof(0x0005));
        s.record(0x002F, Bytes().u16(1).u16(1).u16(1).b); // RC4 FILEPASS cut short
        s.record(0x000A, {});
        s.bytes.append(QByteArray(4096, '\0'));
        QTest::newRow("FILEPASS cut short") << workbookFile(s.bytes) << int(ErrorKind::Damaged);
    }
    {
        Stream s;
        s.record(0x0809, bof(0x0005));
        s.record(0x002F, Bytes().u16(1).u16(4).u16(2).u32(4).u32(0xFFFFFF00).b);
        s.record(0x000A, {});
        s.bytes.append(QByteArray(4096, '\0'));
        QTest::newRow("FILEPASS header size huge")
            << workbookFile(s.bytes) << int(ErrorKind::Damaged);
    }
    {
        Stream s;
        s.record(0x0809, bof(0x0005));
        s.record(0x002F, Bytes().u16(1).u16(9).u16(9).b);
        s.record(0x000A, {});
        s.bytes.append(QByteArray(4096, '\0'));
        QTest::newRow("unknown encryption")
            << workbookFile(s.bytes) << int(ErrorKind::UnsupportedFormat);
    }
}

void TestDamaged::hostileStructures() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, kind);
    QCOMPARE(int(kindOf(bytes)), kind);
}

// An RC4 CryptoAPI FILEPASS of 32 bytes whose header claims 32 bytes: with the 14 bytes before
// it, the header would end 14 bytes past the record, and its key size lies 2 bytes past it.
void TestDamaged::filePassHeaderInsideItsRecord() {
    Stream s;
    s.record(0x0809, bof(0x0005));
    Bytes filePass;
    filePass.u16(1).u16(4).u16(2).u32(0x0C).u32(32).u32(0x0C).u32(0).u32(0x6801).u32(0x8004);
    filePass.u16(128); // the low half of the key size, the last two bytes of the record
    QCOMPARE(filePass.b.size(), 32);
    s.record(0x002F, filePass.b);
    s.record(0x000A, {});
    s.bytes.append(QByteArray(4096, '\0'));
    const std::optional<BankError> e = openAndReadAll(workbookFile(s.bytes), QString());
    QVERIFY(e);
    QCOMPARE(e->kind(), ErrorKind::Damaged);
    QVERIFY2(e->description().contains(QStringLiteral("FILEPASS encryption header size")),
             qPrintable(e->description()));
}

QTEST_GUILESS_MAIN(TestDamaged)
#include "test_damaged.moc"
