// The workbook writer: the compound file and BIFF8 structure it lays down (walked here by hand,
// independently of the reader), and round trips through the reader for every encryption.

#include "bank/bankerror.h"
#include "bank/workbook.h"
#include "bank/writer.h"
#include "core/numbertext.h"
#include "handwalk.h"

#include <QtEndian>
#include <QtTest>

#include <map>

using namespace tiku;
using namespace tiku::bank;
using namespace tiku::testing::handwalk;

namespace {

SheetSpec questions(const QString& name, int rows, const QString& prefix) {
    SheetSpec sheet;
    sheet.name = name;
    for (int r = 1; r <= rows; ++r) {
        sheet.cells.push_back(
            {r, 2,
             CellValue::ofText(
                 QStringLiteral("%1第%2题：下列哪项正确\nA. 甲\nB. 乙\nC. 丙\nD. 丁\nE. 戊")
                     .arg(prefix)
                     .arg(r))});
        sheet.cells.push_back({r, 3, CellValue::ofText(QString(QChar(u'A' + r % 5)))});
    }
    return sheet;
}

WriteOptions plain() {
    WriteOptions o;
    o.encryption = Encryption::None;
    return o;
}

} // namespace

class TestWriter : public QObject {
    Q_OBJECT

private slots:
    void everyEncryptionReadsBack_data();
    void everyEncryptionReadsBack();
    void wrongPasswordIsRefused_data();
    void wrongPasswordIsRefused();
    void sameWorkbookSameBytes();
    void streamPlacement_data();
    void streamPlacement();
    void boundSheetOffsetsAndDimensions();
    void longStringsSplitIntoContinueRecords_data();
    void longStringsSplitIntoContinueRecords();
    void extSstPointsAtBucketStrings();
    void rowLimits_data();
    void rowLimits();
    void valueKinds();
    void laterCellReplacesEarlier();
    void sheetKindsAndEmptySheets();
    void badSpecsAreRefused_data();
    void badSpecsAreRefused();
};

void TestWriter::everyEncryptionReadsBack_data() {
    QTest::addColumn<int>("encryption");
    QTest::addColumn<int>("keyBits");
    QTest::addColumn<int>("major");
    QTest::addColumn<QString>("password");
    QTest::newRow("plain") << int(Encryption::None) << 128 << 4 << QString();
    QTest::newRow("xor") << int(Encryption::Xor) << 128 << 4 << QStringLiteral("qmpzrtv58204617");
    QTest::newRow("xor short") << int(Encryption::Xor) << 128 << 4 << QStringLiteral("ab");
    QTest::newRow("rc4") << int(Encryption::Rc4) << 128 << 4 << QStringLiteral("qmpzrtv58204617");
    QTest::newRow("cryptoapi 40") << int(Encryption::Rc4CryptoApi) << 40 << 4
                                  << QStringLiteral("qmpzrtv58204617");
    QTest::newRow("cryptoapi 56") << int(Encryption::Rc4CryptoApi) << 56 << 4
                                  << QStringLiteral("口令 mixed");
    QTest::newRow("cryptoapi 128")
        << int(Encryption::Rc4CryptoApi) << 128 << 4 << QStringLiteral("qmpzrtv58204617");
    QTest::newRow("cryptoapi 128 v2.2")
        << int(Encryption::Rc4CryptoApi) << 128 << 2 << QStringLiteral("qmpzrtv58204617");
    QTest::newRow("cryptoapi 128 v3.2")
        << int(Encryption::Rc4CryptoApi) << 128 << 3 << QStringLiteral("qmpzrtv58204617");
    QTest::newRow("cryptoapi empty password")
        << int(Encryption::Rc4CryptoApi) << 128 << 4 << QString();
}

void TestWriter::everyEncryptionReadsBack() {
    QFETCH(int, encryption);
    QFETCH(int, keyBits);
    QFETCH(int, major);
    QFETCH(QString, password);
    WorkbookSpec spec;
    // Enough rows that the stream runs over many 1024-byte RC4 blocks and regular sectors.
    spec.sheets.push_back(questions(QStringLiteral("sheet1"), 300, QStringLiteral("人文")));
    spec.sheets.push_back(questions(QStringLiteral("sheet2"), 7, QStringLiteral("临床")));
    WriteOptions options;
    options.encryption = Encryption(encryption);
    options.keyBits = keyBits;
    options.cryptoApiMajorVersion = major;
    options.password = password;
    const QByteArray bytes = writeWorkbook(spec, options);

    const auto book = WorkbookData::fromBytes(bytes, password, QStringLiteral("t.xls"));
    QCOMPARE(int(book->encryption()), encryption);
    if (Encryption(encryption) == Encryption::Rc4CryptoApi) {
        QCOMPARE(book->keyBits(), keyBits);
    }
    QCOMPARE(book->sheets().size(), size_t(2));
    QCOMPARE(book->sheets()[0].usedRows, 300);
    QCOMPARE(book->sheets()[1].usedRows, 7);
    for (int r : {1, 2, 150, 299, 300}) {
        QCOMPARE(book->cellText(0, r, 2), spec.sheets[0].cells[size_t(2 * (r - 1))].value.text);
        QCOMPARE(book->cellText(0, r, 3), QString(QChar(u'A' + r % 5)));
    }
    QCOMPARE(book->cellText(1, 7, 2), spec.sheets[1].cells[12].value.text);

    // The FILEPASS record sits right after the workbook BOF, and BOF records stay readable.
    const CompoundFile cf = CompoundFile::parse(bytes);
    const auto recs = records(cf.workbook);
    QCOMPARE(recs[0].type, quint16(0x0809));
    if (Encryption(encryption) != Encryption::None) {
        QCOMPARE(recs[1].type, quint16(0x002F));
    }
    int bofs = 0;
    for (const Record& r : recs) {
        bofs += r.type == 0x0809 && u16(r.data, 0) == 0x0600 ? 1 : 0;
    }
    QCOMPARE(bofs, 3);
}

void TestWriter::wrongPasswordIsRefused_data() {
    QTest::addColumn<int>("encryption");
    QTest::newRow("xor") << int(Encryption::Xor);
    QTest::newRow("rc4") << int(Encryption::Rc4);
    QTest::newRow("cryptoapi") << int(Encryption::Rc4CryptoApi);
}

void TestWriter::wrongPasswordIsRefused() {
    QFETCH(int, encryption);
    WorkbookSpec spec;
    spec.sheets.push_back(questions(QStringLiteral("sheet1"), 5, QString()));
    WriteOptions options;
    options.encryption = Encryption(encryption);
    options.password = QStringLiteral("right-password");
    const QByteArray bytes = writeWorkbook(spec, options);
    try {
        WorkbookData::fromBytes(bytes, QStringLiteral("wrong-password"), QStringLiteral("t.xls"));
        QFAIL("a wrong password opened the workbook");
    } catch (const BankError& e) {
        QCOMPARE(e.kind(), ErrorKind::PasswordRefused);
    }
}

// The salt comes from the content under the password: a bank written again is byte for byte
// the same (a package's demo bank stays one version), while another content or password gets
// another salt, so no two banks share a keystream.
void TestWriter::sameWorkbookSameBytes() {
    WorkbookSpec spec;
    spec.sheets.push_back(questions(QStringLiteral("sheet1"), 5, QString()));
    const auto filePass = [](const QByteArray& bytes) {
        const auto recs = records(CompoundFile::parse(bytes).workbook);
        return recs.size() > 1 && recs[1].type == 0x002F ? recs[1].data : QByteArray();
    };
    const QByteArray first = writeWorkbook(spec);
    QVERIFY(!filePass(first).isEmpty());
    QCOMPARE(writeWorkbook(spec), first);

    WorkbookSpec changed = spec;
    changed.sheets[0].cells[0].value.text += u'.';
    QVERIFY(filePass(writeWorkbook(changed)) != filePass(first));
    WriteOptions other;
    other.password = QStringLiteral("another");
    QVERIFY(filePass(writeWorkbook(spec, other)) != filePass(first));
}

void TestWriter::streamPlacement_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("mini");
    QTest::addColumn<bool>("difat");
    QTest::newRow("small: mini stream") << 1 << true << false;
    QTest::newRow("regular sectors") << 100 << false << false;
    // 32,767 rows of about 120 characters: some 10 MB, more FAT sectors than the header holds.
    QTest::newRow("difat") << 32767 << false << true;
}

void TestWriter::streamPlacement() {
    QFETCH(int, rows);
    QFETCH(bool, mini);
    QFETCH(bool, difat);
    WorkbookSpec spec;
    SheetSpec sheet = questions(QStringLiteral("sheet1"), rows, QString());
    if (difat) {
        for (CellSpec& c : sheet.cells) {
            if (c.column == 2) {
                c.value.text += QString(100, QChar(u'医'));
            }
        }
    }
    spec.sheets.push_back(sheet);
    const QByteArray bytes = writeWorkbook(spec, plain());
    QCOMPARE(bytes.size() % 512, 0);
    QCOMPARE(u16(bytes, 0x1A), quint16(3));
    QCOMPARE(u16(bytes, 0x1E), quint16(9));
    QCOMPARE(u32(bytes, 0x38), quint32(4096));

    const CompoundFile cf = CompoundFile::parse(bytes);
    QCOMPARE(cf.workbookInMiniStream, mini);
    QCOMPARE(cf.workbook.size() < 4096, mini);
    QCOMPARE(u32(bytes, 0x48) > 0, difat);
    QCOMPARE(cf.difatSectorsWalked, int(u32(bytes, 0x48)));
    if (difat) {
        QVERIFY(u32(bytes, 0x2C) > 109);
    }
    QCOMPARE(records(cf.workbook).back().type, quint16(0x000A)); // the stream ends in EOF

    const auto book = WorkbookData::fromBytes(bytes, QString(), QStringLiteral("t.xls"));
    QCOMPARE(book->sheets()[0].usedRows, rows);
    QCOMPARE(book->cellText(0, rows, 2), sheet.cells[size_t(2 * (rows - 1))].value.text);
}

void TestWriter::boundSheetOffsetsAndDimensions() {
    WorkbookSpec spec;
    spec.sheets.push_back(questions(QStringLiteral("sheet1"), 40, QString()));
    SheetSpec sparse;
    sparse.name = QStringLiteral("稀疏");
    sparse.cells.push_back({7, 4, CellValue::ofNumber(1)});
    sparse.cells.push_back({3, 2, CellValue::ofNumber(2)});
    spec.sheets.push_back(sparse);
    SheetSpec chart;
    chart.name = QStringLiteral("Chart1");
    chart.kind = SheetKind::Chart;
    spec.sheets.push_back(chart);
    // Encrypted, since the offsets must stay plain while the rest of BOUNDSHEET is not.
    const QByteArray bytes = writeWorkbook(spec, WriteOptions());
    const CompoundFile cf = CompoundFile::parse(bytes);
    const auto recs = records(cf.workbook);
    std::map<qint64, const Record*> byPos;
    for (const Record& r : recs) {
        byPos[r.pos] = &r;
    }
    std::vector<quint32> offsets;
    for (const Record& r : recs) {
        if (r.type == 0x0085) {
            offsets.push_back(u32(r.data, 0));
        }
    }
    QCOMPARE(offsets.size(), size_t(3));
    const quint16 kinds[] = {0x0010, 0x0010, 0x0020};
    for (size_t i = 0; i < 3; ++i) {
        QVERIFY(byPos.count(offsets[i]));
        const Record* bof = byPos[offsets[i]];
        QCOMPARE(bof->type, quint16(0x0809));
        QCOMPARE(u16(bof->data, 2), kinds[i]);
    }
    const auto book = WorkbookData::fromBytes(bytes, WriteOptions().password, QStringLiteral("t"));
    QCOMPARE(book->sheets()[1].name, QStringLiteral("稀疏"));
    QCOMPARE(book->sheets()[1].firstRow, 3);
    QCOMPARE(book->sheets()[1].lastRow, 7);
    QCOMPARE(book->sheets()[1].usedRows, 5);
    QCOMPARE(book->sheets()[2].kind, SheetKind::Chart);
}

void TestWriter::longStringsSplitIntoContinueRecords_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("copies");
    QTest::newRow("one long CJK string") << QString(20000, QChar(u'病')) << 1;
    QTest::newRow("one long Latin-1 string") << QString(20000, QChar(u'é')) << 1;
    QString pairs;
    for (int i = 0; i < 6000; ++i) {
        pairs += QString::fromUtf16(u"\U0001F600");
    }
    QTest::newRow("surrogate pairs across the boundary") << QStringLiteral("x") + pairs << 1;
    QTest::newRow("odd offset surrogates") << pairs << 1;
    QTest::newRow("many short strings") << QStringLiteral("短题") << 4000;
    QTest::newRow("header at the end of a record") << QString(4107, QChar(u'肺')) << 3;
}

void TestWriter::longStringsSplitIntoContinueRecords() {
    QFETCH(QString, text);
    QFETCH(int, copies);
    WorkbookSpec spec;
    SheetSpec sheet;
    sheet.name = QStringLiteral("sheet1");
    for (int i = 0; i < copies; ++i) {
        // Distinct strings, so none is shared.
        sheet.cells.push_back({i + 1, 2, CellValue::ofText(text + QString::number(i))});
    }
    spec.sheets.push_back(sheet);
    const QByteArray bytes = writeWorkbook(spec, plain());
    const auto recs = records(CompoundFile::parse(bytes).workbook);
    int continues = 0;
    bool afterSst = false;
    for (const Record& r : recs) {
        QVERIFY2(r.data.size() <= 8224, "a record over 8224 bytes");
        if (r.type == 0x00FC) {
            afterSst = true;
            QCOMPARE(u32(r.data, 4), quint32(copies));
        } else if (r.type == 0x003C && afterSst) {
            ++continues;
        } else if (afterSst) {
            QCOMPARE(r.type, quint16(0x00FF)); // EXTSST follows the last CONTINUE
            break;
        }
    }
    QVERIFY(continues > 0);
    bool splitPair = false;
    const QStringList strings = sstStrings(recs, &splitPair);
    QCOMPARE(strings.size(), copies);
    for (int i = 0; i < copies; ++i) {
        QCOMPARE(strings[i], text + QString::number(i));
    }
    QVERIFY2(!splitPair, "a surrogate pair split across records");
    const auto book = WorkbookData::fromBytes(bytes, QString(), QStringLiteral("t.xls"));
    for (int i : {0, copies / 2, copies - 1}) {
        QCOMPARE(book->cellText(0, i + 1, 2), text + QString::number(i));
    }
}

void TestWriter::extSstPointsAtBucketStrings() {
    WorkbookSpec spec;
    SheetSpec sheet;
    sheet.name = QStringLiteral("sheet1");
    for (int i = 0; i < 2000; ++i) {
        sheet.cells.push_back({i + 1, 2, CellValue::ofText(QStringLiteral("题%1").arg(i))});
    }
    spec.sheets.push_back(sheet);
    const QByteArray stream = CompoundFile::parse(writeWorkbook(spec, plain())).workbook;
    const auto recs = records(stream);
    auto ext =
        std::find_if(recs.begin(), recs.end(), [](const Record& r) { return r.type == 0x00FF; });
    QVERIFY(ext != recs.end());
    const int perBucket = u16(ext->data, 0);
    QVERIFY(perBucket >= 8);
    const int buckets = int(ext->data.size() - 2) / 8;
    QCOMPARE(buckets, (2000 + perBucket - 1) / perBucket);
    QVERIFY(buckets <= 128);
    for (int b = 0; b < buckets; ++b) {
        const quint32 ib = u32(ext->data, 2 + 8 * b);
        const quint16 cbOffset = u16(ext->data, 2 + 8 * b + 4);
        // The bucket's first string: its count, flags and characters at the stream position.
        const QString want = QStringLiteral("题%1").arg(b * perBucket);
        QCOMPARE(int(u16(stream, ib)), int(want.size()));
        QCOMPARE(stream[ib + 2], char(1));
        QCOMPARE(QString::fromUtf16(reinterpret_cast<const char16_t*>(stream.constData() + ib + 3),
                                    want.size()),
                 want);
        // cbOffset counts from the header of the record holding it.
        const qint64 recordStart = ib - cbOffset;
        QVERIFY(std::any_of(recs.begin(), recs.end(), [&](const Record& r) {
            return r.pos == recordStart && (r.type == 0x00FC || r.type == 0x003C);
        }));
    }
}

void TestWriter::rowLimits_data() {
    QTest::addColumn<int>("lastRow");
    QTest::newRow("32767") << 32767;
    QTest::newRow("32768") << 32768;
    QTest::newRow("65536") << 65536;
}

void TestWriter::rowLimits() {
    QFETCH(int, lastRow);
    WorkbookSpec spec;
    SheetSpec sheet;
    sheet.name = QStringLiteral("sheet1");
    for (int r = 1; r <= lastRow; ++r) {
        sheet.cells.push_back({r, 3, CellValue::ofText(QString(QChar(u'A' + r % 5)))});
    }
    sheet.cells.push_back({lastRow, 2, CellValue::ofText(QStringLiteral("最后一题"))});
    spec.sheets.push_back(sheet);
    const QByteArray bytes = writeWorkbook(spec, WriteOptions());
    const auto book = WorkbookData::fromBytes(bytes, WriteOptions().password, QStringLiteral("t"));
    QCOMPARE(book->sheets()[0].usedRows, lastRow);
    QCOMPARE(book->sheets()[0].lastRow, lastRow);
    QCOMPARE(book->cellText(0, lastRow, 2), QStringLiteral("最后一题"));
    QCOMPARE(book->cellText(0, lastRow, 3), QString(QChar(u'A' + lastRow % 5)));
    QCOMPARE(book->cellText(0, 32767, 3), QString(QChar(u'A' + 32767 % 5)));
}

void TestWriter::valueKinds() {
    WorkbookSpec spec;
    SheetSpec sheet;
    sheet.name = QStringLiteral("sheet1");
    sheet.cells = {
        {1, 2, CellValue::ofNumber(42)},
        {2, 2, CellValue::ofNumber(-0.125)},
        {3, 2, CellValue::ofNumber(1e20)},
        {4, 2, CellValue::ofBoolean(true)},
        {5, 2, CellValue::ofBoolean(false)},
        {6, 2, CellValue::ofError(ErrorValue::Div0)},
        {7, 2, CellValue::ofError(ErrorValue::NA)},
        {8, 2, CellValue::ofText(QString())},
        {9, 1, CellValue::blank()},
    };
    spec.sheets.push_back(sheet);
    const auto book =
        WorkbookData::fromBytes(writeWorkbook(spec, plain()), QString(), QStringLiteral("t"));
    QCOMPARE(book->cellText(0, 1, 2), QStringLiteral("42"));
    QCOMPARE(book->cellText(0, 2, 2), QStringLiteral("-0.125"));
    QCOMPARE(book->cellText(0, 3, 2), formatNumber(1e20));
    QCOMPARE(book->cell(0, 4, 2).kind, CellContent::Kind::Boolean);
    QCOMPARE(book->cellText(0, 4, 2), QStringLiteral("True"));
    QCOMPARE(book->cellText(0, 5, 2), QStringLiteral("False"));
    QCOMPARE(book->cell(0, 6, 2).kind, CellContent::Kind::Error);
    QCOMPARE(book->cell(0, 6, 2).error, ErrorValue::Div0);
    QCOMPARE(book->cell(0, 7, 2).error, ErrorValue::NA);
    QCOMPARE(book->cellText(0, 8, 2), QString());
    // A formatted blank counts as used: the sheet runs to row 9.
    QCOMPARE(book->sheets()[0].usedRows, 9);
    QCOMPARE(book->cell(0, 9, 1).kind, CellContent::Kind::Empty);
}

void TestWriter::laterCellReplacesEarlier() {
    WorkbookSpec spec;
    SheetSpec sheet;
    sheet.name = QStringLiteral("sheet1");
    sheet.cells = {
        {5, 3, CellValue::ofText(QStringLiteral("old"))},
        {1, 2, CellValue::ofText(QStringLiteral("first"))},
        {5, 3, CellValue::ofText(QStringLiteral("B"))},
        {5, 2, CellValue::ofNumber(3)},
    };
    spec.sheets.push_back(sheet);
    const QByteArray bytes = writeWorkbook(spec, plain());
    const auto book = WorkbookData::fromBytes(bytes, QString(), QStringLiteral("t"));
    QCOMPARE(book->cellText(0, 5, 3), QStringLiteral("B"));
    QCOMPARE(book->cellText(0, 5, 2), QStringLiteral("3"));
    QCOMPARE(book->cellText(0, 1, 2), QStringLiteral("first"));
    // One cell record per place, in row and column order.
    const auto recs = records(CompoundFile::parse(bytes).workbook);
    std::vector<std::pair<int, int>> places;
    for (const Record& r : recs) {
        if (r.type == 0x00FD || r.type == 0x0203) {
            places.push_back({u16(r.data, 0), u16(r.data, 2)});
        }
    }
    QCOMPARE(places, (std::vector<std::pair<int, int>>{{0, 1}, {4, 1}, {4, 2}}));
}

void TestWriter::sheetKindsAndEmptySheets() {
    WorkbookSpec spec;
    SheetSpec empty;
    empty.name = QStringLiteral("empty");
    SheetSpec macro;
    macro.name = QStringLiteral("Macro1");
    macro.kind = SheetKind::Macro;
    macro.cells.push_back({2, 1, CellValue::ofNumber(1)});
    SheetSpec chart;
    chart.name = QStringLiteral("Chart1");
    chart.kind = SheetKind::Chart;
    spec.sheets = {empty, macro, chart, questions(QStringLiteral("sheet1"), 3, QString())};
    const auto book = WorkbookData::fromBytes(writeWorkbook(spec, WriteOptions()),
                                              WriteOptions().password, QStringLiteral("t"));
    const auto& s = book->sheets();
    QCOMPARE(s.size(), size_t(4));
    QCOMPARE(s[0].kind, SheetKind::Worksheet);
    QCOMPARE(s[0].firstRow, 0);
    QCOMPARE(s[0].usedRows, 1);
    QCOMPARE(s[1].kind, SheetKind::Macro);
    QCOMPARE(s[2].kind, SheetKind::Chart);
    QCOMPARE(s[3].name, QStringLiteral("sheet1"));
    QCOMPARE(s[3].usedRows, 3);
}

void TestWriter::badSpecsAreRefused_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("textLength");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("keyBits");
    QTest::newRow("row 0") << 0 << 1 << 1 << QStringLiteral("s") << 128;
    QTest::newRow("row 65537") << 65537 << 1 << 1 << QStringLiteral("s") << 128;
    QTest::newRow("column 0") << 1 << 0 << 1 << QStringLiteral("s") << 128;
    QTest::newRow("column 257") << 1 << 257 << 1 << QStringLiteral("s") << 128;
    QTest::newRow("text of 32768") << 1 << 1 << 32768 << QStringLiteral("s") << 128;
    QTest::newRow("empty name") << 1 << 1 << 1 << QString() << 128;
    QTest::newRow("name of 32") << 1 << 1 << 1 << QString(32, QChar(u'n')) << 128;
    QTest::newRow("name with a colon") << 1 << 1 << 1 << QStringLiteral("a:b") << 128;
    QTest::newRow("key of 32 bits") << 1 << 1 << 1 << QStringLiteral("s") << 32;
    QTest::newRow("key of 44 bits") << 1 << 1 << 1 << QStringLiteral("s") << 44;
    QTest::newRow("key of 136 bits") << 1 << 1 << 1 << QStringLiteral("s") << 136;
}

void TestWriter::badSpecsAreRefused() {
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(int, textLength);
    QFETCH(QString, name);
    QFETCH(int, keyBits);
    WorkbookSpec spec;
    SheetSpec sheet;
    sheet.name = name;
    sheet.cells.push_back({row, column, CellValue::ofText(QString(textLength, QChar(u'x')))});
    spec.sheets.push_back(sheet);
    WriteOptions options;
    options.keyBits = keyBits;
    try {
        writeWorkbook(spec, options);
        QFAIL("the workbook was written");
    } catch (const BankError& e) {
        QCOMPARE(e.kind(), ErrorKind::BadArgument);
    }
}

QTEST_GUILESS_MAIN(TestWriter)
#include "test_writer.moc"
