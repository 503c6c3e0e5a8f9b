// The BIFF8 reader on hand-made record streams: strings split across CONTINUE records, cell
// records of every kind, formula results, date formats, compound file versions and sizes, and
// the formats that are refused.

#include "bank/bankerror.h"
#include "bank/biff.h"
#include "bank/workbook.h"
#include "craftedbook.h"

#include <QtTest>

using namespace tiku::bank;
using tiku::ErrorKind;
using namespace tiku::testing::crafted;

namespace {

std::shared_ptr<const WorkbookData> openBytes(const QByteArray& bytes) {
    return WorkbookData::fromBytes(bytes, QString(), QStringLiteral("/t/crafted.xls"));
}

SheetDef sheet(const QString& name, std::vector<std::pair<int, QByteArray>> records) {
    SheetDef s;
    s.name = name;
    s.records = std::move(records);
    return s;
}

// SST header: total and unique counts.
Bytes sstHeader(int count) {
    Bytes b;
    b.u32(quint32(count)).u32(quint32(count));
    return b;
}

} // namespace

class TestBiff : public QObject {
    Q_OBJECT
private slots:
    void splitStringChangesWidth_data();
    void splitStringChangesWidth();
    void richRunsAndPhoneticsCrossContinue();
    void extSstThatDisagreesIsNotTrusted_data();
    void extSstThatDisagreesIsNotTrusted();
    void manyStringsWithoutExtSst();
    void cellRecords_data();
    void cellRecords();
    void formulaResults_data();
    void formulaResults();
    void formulaStringAfterSharedFormula();
    void dateFormats_data();
    void dateFormats();
    void usedRowsCountEveryCellRecord();
    void bytesAfterLastEofIgnored();
    void sheetIndexedWhenFirstUsed();
    void compoundFileVersionsAndDifat_data();
    void compoundFileVersionsAndDifat();
    void refusedFormats_data();
    void refusedFormats();
    void rkValues_data();
    void rkValues();
    void formatClassification_data();
    void formatClassification();
    void dateTextEdges_data();
    void dateTextEdges();
};

void TestBiff::splitStringChangesWidth_data() {
    QTest::addColumn<bool>("firstWide");
    QTest::addColumn<bool>("secondWide");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::newRow("compressed then UTF-16") << false << true << "abc"
                                            << "中文字";
    QTest::newRow("UTF-16 then compressed") << true << false << "中文"
                                            << "xyz";
    QTest::newRow("compressed both") << false << false << "abc"
                                     << "def";
    QTest::newRow("UTF-16 both") << true << true << "甲乙"
                                 << "丙丁";
}

void TestBiff::splitStringChangesWidth() {
    QFETCH(bool, firstWide);
    QFETCH(bool, secondWide);
    QFETCH(QString, first);
    QFETCH(QString, second);
    // String 0 is split after its first half; the CONTINUE starts with its own option byte.
    Bytes seg0 = sstHeader(2);
    seg0.u16(int(first.size() + second.size())).u8(firstWide ? 1 : 0);
    firstWide ? seg0.utf16(first) : seg0.latin1(first);
    Bytes seg1;
    seg1.u8(secondWide ? 1 : 0);
    secondWide ? seg1.utf16(second) : seg1.latin1(second);
    seg1.str16(QStringLiteral("after"), false); // string 1, whole
    const QByteArray stream = workbookStream(
        {sheet(QStringLiteral("S"), {labelSst(1, 1, 0), labelSst(2, 1, 1)})}, {seg0.b, seg1.b});
    auto book = openBytes(workbookFile(stream));
    QCOMPARE(book->cellText(0, 1, 1), first + second);
    QCOMPARE(book->cellText(0, 2, 1), QStringLiteral("after"));
}

void TestBiff::richRunsAndPhoneticsCrossContinue() {
    // String 0: rich text with 2 runs and 6 bytes of phonetic data; the runs are cut in the
    // middle by one CONTINUE and the phonetic data by the next. String 1 follows.
    Bytes seg0 = sstHeader(3);
    seg0.u16(2).u8(0x0D).u16(2).u32(6).utf16(QStringLiteral("甲乙")).u32(0x00010000).u16(0);
    Bytes seg1;
    seg1.u16(1).u8(0xAA).u8(0xBB); // rest of the runs, 2 phonetic bytes
    Bytes seg2;
    seg2.u8(0xCC).u8(0xDD).u8(0xEE).u8(0xFF); // rest of the phonetic data
    seg2.str16(QStringLiteral("tail"), false);
    // String 2 begins at a record boundary: its header is in a CONTINUE of its own.
    Bytes seg3;
    seg3.str16(QStringLiteral("last"), true);
    const QByteArray stream = workbookStream(
        {sheet(QStringLiteral("S"), {labelSst(1, 1, 0), labelSst(1, 2, 1), labelSst(1, 3, 2)})},
        {seg0.b, seg1.b, seg2.b, seg3.b});
    auto book = openBytes(workbookFile(stream));
    QCOMPARE(book->cellText(0, 1, 1), QStringLiteral("甲乙"));
    QCOMPARE(book->cellText(0, 1, 2), QStringLiteral("tail"));
    QCOMPARE(book->cellText(0, 1, 3), QStringLiteral("last"));
}

void TestBiff::extSstThatDisagreesIsNotTrusted_data() {
    QTest::addColumn<int>("shift"); // how far bucket 1 points away from string 2
    QTest::addColumn<bool>("keepOffsetField");
    QTest::newRow("exact") << 0 << true;
    QTest::newRow("inside string 1, offset field wrong") << -3 << false;
    QTest::newRow("inside string 1, offset field matching") << -3 << true;
    QTest::newRow("past the table") << 100000 << true;
    // Offset and position agree, but name string 3 ("two22" takes 8 bytes) for string 2: every
    // string of the bucket would be read one off.
    QTest::newRow("at the next string, offset field matching") << 8 << true;
}

void TestBiff::extSstThatDisagreesIsNotTrusted() {
    QFETCH(int, shift);
    QFETCH(bool, keepOffsetField);
    const QStringList strings = {QStringLiteral("zero"), QStringLiteral("one1"),
                                 QStringLiteral("two22"), QStringLiteral("three")};
    Bytes seg0 = sstHeader(int(strings.size()));
    std::vector<int> at;
    for (const QString& s : strings) {
        at.push_back(int(seg0.b.size()));
        seg0.str16(s, false);
    }
    // First work out where the SST record lands, from a stream without EXTSST.
    auto buildStream = [&](const QByteArray& ext) {
        std::vector<std::pair<int, QByteArray>> cells;
        for (int k = 0; k < int(strings.size()); ++k) {
            cells.push_back(labelSst(k + 1, 1, quint32(k)));
        }
        return workbookStream({sheet(QStringLiteral("S"), cells)}, {seg0.b}, ext);
    };
    const QByteArray probe = buildStream(Bytes().u16(2).u32(0).u16(0).u16(0).b);
    const qint64 sstData = probe.indexOf(seg0.b);
    QVERIFY(sstData > 0);
    Bytes ext;
    ext.u16(2);
    ext.u32(quint32(sstData + at[0])).u16(at[0] + 4).u16(0);
    const qint64 pos1 = sstData + at[2] + shift;
    ext.u32(quint32(pos1)).u16(keepOffsetField ? int(pos1 - sstData + 4) : at[2] + 4).u16(0);
    auto book = openBytes(workbookFile(buildStream(ext.b)));
    for (int k = int(strings.size()) - 1; k >= 0; --k) {
        QCOMPARE(book->cellText(0, k + 1, 1), strings[k]);
    }
}

void TestBiff::manyStringsWithoutExtSst() {
    // 300 strings across several CONTINUE records and no EXTSST: found by walking the table,
    // in any order, again and again.
    std::vector<QByteArray> segs;
    Bytes cur = sstHeader(300);
    QStringList strings;
    std::vector<std::pair<int, QByteArray>> cells;
    for (int k = 0; k < 300; ++k) {
        const QString s = k % 3 == 0 ? QStringLiteral("题%1").arg(k) : QStringLiteral("q%1").arg(k);
        strings << s;
        if (cur.b.size() > 1000) {
            segs.push_back(cur.b);
            cur = Bytes();
        }
        cur.str16(s, k % 3 == 0);
        cells.push_back(labelSst(k + 1, 1, quint32(k)));
    }
    segs.push_back(cur.b);
    QVERIFY(segs.size() > 2);
    auto book = openBytes(workbookFile(workbookStream({sheet(QStringLiteral("S"), cells)}, segs)));
    for (int k : {299, 0, 150, 64, 63, 65, 128, 298, 1, 200, 299}) {
        QCOMPARE(book->cellText(0, k + 1, 1), strings[k]);
    }
}

void TestBiff::cellRecords_data() {
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<int>("recordType");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    auto add = [](const char* name, std::pair<int, QByteArray> r, int col, CellContent::Kind k,
                  const QString& text) {
        QTest::newRow(name) << r.second << r.first << col << int(k) << text;
    };
    using K = CellContent::Kind;
    add("number", number(3, 2, 5344.9), 2, K::Number, QStringLiteral("5344.9"));
    add("number large", number(3, 2, 1e20), 2, K::Number, QStringLiteral("1E+20"));
    add("number 15 digits", number(3, 2, 0.1 + 0.2), 2, K::Number, QStringLiteral("0.3"));
    add("rk integer", rk(3, 2, (quint32(-7) << 2) | 2), 2, K::Number, QStringLiteral("-7"));
    add("rk hundredths", rk(3, 2, (quint32(1234) << 2) | 3), 2, K::Number, QStringLiteral("12.34"));
    add("label compressed", label(3, 2, QStringLiteral("  spaced \n line "), false), 2, K::Text,
        QStringLiteral("  spaced \n line "));
    add("label wide", label(3, 2, QStringLiteral("第1题\r\nA. 甲"), true), 2, K::Text,
        QStringLiteral("第1题\r\nA. 甲"));
    add("label empty", label(3, 2, QString(), false), 2, K::Text, QString());
    add("true", boolErr(3, 2, 1, false), 2, K::Boolean, QStringLiteral("True"));
    add("false", boolErr(3, 2, 0, false), 2, K::Boolean, QStringLiteral("False"));
    add("error", boolErr(3, 2, 0x07, true), 2, K::Error, QString());
    add("blank", blank(3, 2), 2, K::Empty, QString());
    Bytes mulrk;
    mulrk.u16(2)
        .u16(0)
        .u16(0)
        .u32((10u << 2) | 2)
        .u16(0)
        .u32((20u << 2) | 2)
        .u16(0)
        .u32((30u << 2) | 2);
    mulrk.u16(2);
    QTest::newRow("mulrk first") << mulrk.b << 0x00BD << 1 << int(K::Number) << "10";
    QTest::newRow("mulrk middle") << mulrk.b << 0x00BD << 2 << int(K::Number) << "20";
    QTest::newRow("mulrk last") << mulrk.b << 0x00BD << 3 << int(K::Number) << "30";
    QTest::newRow("mulrk past") << mulrk.b << 0x00BD << 4 << int(K::Empty) << "";
    Bytes mulblank;
    mulblank.u16(2).u16(1).u16(0).u16(0).u16(2);
    QTest::newRow("mulblank") << mulblank.b << 0x00BE << 3 << int(K::Empty) << "";
}

void TestBiff::cellRecords() {
    QFETCH(QByteArray, record);
    QFETCH(int, recordType);
    QFETCH(int, column);
    QFETCH(int, kind);
    QFETCH(QString, text);
    const QByteArray stream = workbookStream(
        {sheet(QStringLiteral("S"), {{recordType, record}, label(5, 1, "x", false)})});
    auto book = openBytes(workbookFile(stream));
    const CellContent c = book->cell(0, 3, column);
    QCOMPARE(int(c.kind), kind);
    QCOMPARE(c.text, text);
    QCOMPARE(book->sheets()[0].firstRow, 3);
    QCOMPARE(book->sheets()[0].usedRows, 3);
    if (kind == int(CellContent::Kind::Error)) {
        QCOMPARE(c.error, ErrorValue::Div0);
        try {
            book->cellText(0, 3, column);
            QFAIL("an error value has no text");
        } catch (const BankError& e) {
            QCOMPARE(e.kind(), ErrorKind::CellError);
            QCOMPARE(e.code(), 13);
        }
    }
}

void TestBiff::formulaResults_data() {
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    Bytes num;
    num.f64(64809.51);
    using K = CellContent::Kind;
    QTest::newRow("number") << num.b << int(K::Number) << "64809.51";
    QTest::newRow("text") << specialResult(0, 0) << int(K::Text) << "结果 text";
    QTest::newRow("true") << specialResult(1, 1) << int(K::Boolean) << "True";
    QTest::newRow("false") << specialResult(1, 0) << int(K::Boolean) << "False";
    QTest::newRow("error") << specialResult(2, 0x2A) << int(K::Error) << "";
    QTest::newRow("empty text") << specialResult(3, 0) << int(K::Text) << "";
}

void TestBiff::formulaResults() {
    QFETCH(QByteArray, value);
    QFETCH(int, kind);
    QFETCH(QString, text);
    std::vector<std::pair<int, QByteArray>> recs{formula(1, 1, value)};
    if (value == specialResult(0, 0)) {
        recs.push_back({0x0207, Bytes().str16(QStringLiteral("结果 text"), true).b});
    }
    auto book = openBytes(workbookFile(workbookStream({sheet(QStringLiteral("S"), recs)})));
    const CellContent c = book->cell(0, 1, 1);
    QCOMPARE(int(c.kind), kind);
    QCOMPARE(c.text, text);
    if (c.kind == CellContent::Kind::Error) {
        QCOMPARE(c.error, ErrorValue::NA);
    }
}

void TestBiff::formulaStringAfterSharedFormula() {
    // SHRFMLA between FORMULA and STRING; the string itself continues in a CONTINUE record
    // whose option byte switches to UTF-16.
    Bytes str;
    str.u16(5).u8(0).latin1(QStringLiteral("ab"));
    Bytes cont;
    cont.u8(1).utf16(QStringLiteral("中文字"));
    const QByteArray stream =
        workbookStream({sheet(QStringLiteral("S"), {formula(2, 2, specialResult(0, 0)),
                                                    {0x04BC, QByteArray(10, '\0')},
                                                    {0x0207, str.b},
                                                    {0x003C, cont.b}})});
    auto book = openBytes(workbookFile(stream));
    QCOMPARE(book->cellText(0, 2, 2), QStringLiteral("ab中文字"));
    // A text result without its STRING record is damage, not empty text.
    const QByteArray broken = workbookStream(
        {sheet(QStringLiteral("S"), {formula(2, 2, specialResult(0, 0)), number(3, 1, 1)})});
    auto brokenBook = openBytes(workbookFile(broken));
    try {
        brokenBook->cell(0, 2, 2);
        QFAIL("expected a failure");
    } catch (const BankError& e) {
        QCOMPARE(e.kind(), ErrorKind::Damaged);
    }
}

void TestBiff::dateFormats_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("xf");
    QTest::addColumn<bool>("date1904");
    QTest::addColumn<QString>("text");
    QTest::newRow("general") << 45296.0 << 0 << false << "45296";
    QTest::newRow("date") << 45296.0 << 1 << false << "2024/1/5";
    QTest::newRow("date 1904") << 43834.0 << 1 << true << "2024/1/5";
    QTest::newRow("date and time") << 45296.5729166667 << 4 << false << "2024/1/5 13:45:00";
    QTest::newRow("custom date time") << 45296.5729166667 << 2 << false << "2024/1/5 13:45:00";
    QTest::newRow("time only") << 0.5729166667 << 3 << false << "13:45:00";
    QTest::newRow("time early") << 0.25 << 3 << false << "6:00:00";
    QTest::newRow("date of 10/11/2014") << 41923.0 << 1 << false << "2014/10/11";
    QTest::newRow("before 1 March 1900") << 59.0 << 1 << false << "1900/2/28";
    QTest::newRow("negative stays a number") << -1.0 << 1 << false << "-1";
}

void TestBiff::dateFormats() {
    QFETCH(double, value);
    QFETCH(int, xf);
    QFETCH(bool, date1904);
    QFETCH(QString, text);
    const QByteArray stream =
        workbookStream({sheet(QStringLiteral("S"), {number(1, 1, value, xf)})}, {}, {}, date1904);
    auto book = openBytes(workbookFile(stream));
    QCOMPARE(book->cellText(0, 1, 1), text);
}

void TestBiff::usedRowsCountEveryCellRecord() {
    // Rows 4 to 9 hold records of different kinds; a formatted blank at row 9 counts; records
    // inside an embedded chart's substream do not.
    std::vector<std::pair<int, QByteArray>> recs{number(4, 2, 1),   label(6, 3, "x", false),
                                                 blank(9, 1),       {0x0809, bof(0x0020)},
                                                 number(200, 1, 1), {0x000A, QByteArray()}};
    const QByteArray stream =
        workbookStream({sheet(QStringLiteral("S"), recs), sheet(QStringLiteral("Empty"), {})});
    auto book = openBytes(workbookFile(stream));
    QCOMPARE(book->sheets()[0].firstRow, 4);
    QCOMPARE(book->sheets()[0].lastRow, 9);
    QCOMPARE(book->sheets()[0].usedRows, 6);
    QCOMPARE(book->sheets()[1].usedRows, 1);
    QCOMPARE(book->sheets()[1].firstRow, 0);
}

void TestBiff::bytesAfterLastEofIgnored() {
    QByteArray stream = workbookStream({sheet(QStringLiteral("S"), {number(1, 1, 42)})});
    stream.append(QByteArray(3000, '\xAB')); // not a record at all
    stream.append("\x01", 1);
    auto book = openBytes(workbookFile(stream));
    QCOMPARE(book->cellText(0, 1, 1), QStringLiteral("42"));
}

void TestBiff::sheetIndexedWhenFirstUsed() {
    // The second sheet is damaged: the first reads, the second fails when it is used.
    Bytes badMulRk;
    badMulRk.u16(0).u16(0).u16(0).u32(2).u16(7);
    const QByteArray stream =
        workbookStream({sheet(QStringLiteral("Good"), {number(2, 1, 5), number(4, 1, 6)}),
                        sheet(QStringLiteral("Bad"), {{0x00BD, badMulRk.b}})});
    auto book = openBytes(workbookFile(stream));
    QCOMPARE(book->sheetCount(), 2);
    QCOMPARE(book->sheetName(1), QStringLiteral("Bad"));
    QCOMPARE(book->sheetKind(1), SheetKind::Worksheet);
    QCOMPARE(book->sheet(0).usedRows, 3);
    QCOMPARE(book->cellText(0, 4, 1), QStringLiteral("6"));
    for (auto f : std::vector<std::function<void()>>{
             [&] { book->sheet(1); }, [&] { book->cell(1, 1, 1); }, [&] { book->sheets(); }}) {
        try {
            f();
            QFAIL("a damaged sheet was read");
        } catch (const BankError& e) {
            QCOMPARE(e.kind(), ErrorKind::Damaged);
        }
    }
}

void TestBiff::compoundFileVersionsAndDifat_data() {
    QTest::addColumn<int>("major");
    QTest::addColumn<qint64>("streamSize");
    QTest::newRow("v3 small") << 3 << qint64(4096);
    QTest::newRow("v4 small") << 4 << qint64(5000);
    // Past 109 FAT sectors of 512 bytes (about 7 MB) the FAT list goes on in DIFAT sectors.
    QTest::newRow("v3 with DIFAT sectors") << 3 << qint64(8 * 1024 * 1024);
}

void TestBiff::compoundFileVersionsAndDifat() {
    QFETCH(int, major);
    QFETCH(qint64, streamSize);
    const QByteArray stream =
        workbookStream({sheet(QStringLiteral("S"), {label(2, 2, QStringLiteral("题目"), true)})},
                       {}, {}, false, streamSize);
    CfbOptions opt;
    opt.major = major;
    const QByteArray file =
        compoundFile({{QStringLiteral("\x05SummaryInformation"), QByteArray(4096, 'x')},
                      {QStringLiteral("WORKBOOK"), stream}},
                     opt);
    if (streamSize > 7 * 1024 * 1024) {
        QVERIFY(qFromLittleEndian<quint32>(file.constData() + 0x48) > 0); // DIFAT sectors used
    }
    auto book = openBytes(file);
    QCOMPARE(book->cellText(0, 2, 2), QStringLiteral("题目"));
}

void TestBiff::refusedFormats_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("kind");
    const QByteArray good = workbookStream({sheet(QStringLiteral("S"), {number(1, 1, 1)})});
    QByteArray biff5 = good;
    biff5[4] = 0x00;
    biff5[5] = 0x05; // BOF version 0x0500
    QTest::newRow("Book stream") << compoundFile({{QStringLiteral("Book"), good}})
                                 << int(ErrorKind::UnsupportedFormat);
    QTest::newRow("BIFF5 in Workbook") << workbookFile(biff5) << int(ErrorKind::UnsupportedFormat);
    QTest::newRow("encrypted OOXML")
        << compoundFile({{QStringLiteral("EncryptionInfo"), QByteArray(4096, '\0')},
                         {QStringLiteral("EncryptedPackage"), QByteArray(4096, '\0')}})
        << int(ErrorKind::UnsupportedFormat);
    QTest::newRow("zip") << QByteArray("PK\x03\x04 rest of a zip file", 24)
                         << int(ErrorKind::UnsupportedFormat);
    QTest::newRow("text file") << QByteArray("题库\n") << int(ErrorKind::NotAWorkbook);
    QTest::newRow("empty") << QByteArray() << int(ErrorKind::NotAWorkbook);
    QTest::newRow("other compound file")
        << compoundFile({{QStringLiteral("WordDocument"), QByteArray(4096, '\0')}})
        << int(ErrorKind::NotAWorkbook);
    QByteArray sheetBof = good;
    sheetBof[6] = 0x10; // a worksheet BOF where the globals should be
    QTest::newRow("no globals") << workbookFile(sheetBof) << int(ErrorKind::NotAWorkbook);
}

void TestBiff::refusedFormats() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, kind);
    try {
        openBytes(bytes);
        QFAIL("expected a failure");
    } catch (const BankError& e) {
        QCOMPARE(int(e.kind()), kind);
        QCOMPARE(e.code(), 1004);
        QVERIFY(e.description().contains(QStringLiteral("/t/crafted.xls")));
    }
}

void TestBiff::rkValues_data() {
    QTest::addColumn<quint32>("rk");
    QTest::addColumn<double>("value");
    QTest::newRow("int 0") << quint32(0x2) << 0.0;
    QTest::newRow("int max") << quint32((0x1FFFFFFFu << 2) | 2) << 536870911.0;
    QTest::newRow("int negative") << quint32(0xFFFFFFFEu) << -1.0;
    QTest::newRow("int /100") << quint32((150u << 2) | 3) << 1.5;
    QTest::newRow("float 1.0") << quint32(0x3FF00000) << 1.0;
    QTest::newRow("float /100") << quint32(0x40590000 | 1) << 1.0; // 100 / 100
    QTest::newRow("float -2.5") << quint32(0xC0040000) << -2.5;
}

void TestBiff::rkValues() {
    QFETCH(quint32, rk);
    QFETCH(double, value);
    QCOMPARE(biff::decodeRk(rk), value);
}

void TestBiff::formatClassification_data() {
    QTest::addColumn<int>("ifmt");
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("date");
    QTest::addColumn<bool>("time");
    QTest::newRow("general") << 0 << "" << false << false;
    QTest::newRow("builtin 14") << 14 << "" << true << false;
    QTest::newRow("builtin 22") << 22 << "" << true << true;
    QTest::newRow("builtin 20") << 20 << "" << false << true;
    QTest::newRow("builtin CJK 31") << 31 << "" << true << false;
    QTest::newRow("builtin 2") << 2 << "" << false << false;
    QTest::newRow("custom ymd") << 164 << "yyyy\"年\"m\"月\"d\"日\"" << true << false;
    QTest::newRow("minutes") << 164 << "h:mm" << false << true;
    QTest::newRow("month") << 164 << "mmm-yy" << true << false;
    QTest::newRow("quoted letters") << 164 << "0.00\" days\"" << false << false;
    QTest::newRow("escaped") << 164 << "0\\d" << false << false;
    QTest::newRow("colour and number") << 164 << "[Red]#,##0.00" << false << false;
    QTest::newRow("elapsed hours") << 164 << "[h]:mm:ss" << false << true;
    QTest::newRow("second section ignored") << 164 << "0;\"d\"yy" << false << false;
    QTest::newRow("scientific") << 164 << "0.00E+00" << false << false;
}

void TestBiff::formatClassification() {
    QFETCH(int, ifmt);
    QFETCH(QString, code);
    QFETCH(bool, date);
    QFETCH(bool, time);
    const biff::DateParts p = biff::classifyFormat(ifmt, code);
    QCOMPARE(p.date, date);
    QCOMPARE(p.time, time);
}

void TestBiff::dateTextEdges_data() {
    QTest::addColumn<double>("serial");
    QTest::addColumn<bool>("date1904");
    QTest::addColumn<QString>("text");
    QTest::newRow("1900-01-01") << 1.0 << false << "1900/1/1";
    QTest::newRow("1900-03-01") << 61.0 << false << "1900/3/1";
    QTest::newRow("1904 day 0") << 0.0 << true << "1904/1/1";
    QTest::newRow("1900 day 0") << 0.0 << false << "1899/12/30";
    QTest::newRow("1900-02-28") << 59.0 << false << "1900/2/28";
    QTest::newRow("1900-02-29") << 60.0 << false << "1900/2/29";
    QTest::newRow("rounds past 9999") << 2958465.999999999 << false << "";
    QTest::newRow("rounds to next day") << 45296.999999999 << false << "2024/1/6 0:00:00";
    QTest::newRow("9999-12-31") << 2958465.0 << false << "9999/12/31 0:00:00";
    QTest::newRow("after 9999") << 2958466.0 << false << "";
    QTest::newRow("not finite") << qInf() << false << "";
}

void TestBiff::dateTextEdges() {
    QFETCH(double, serial);
    QFETCH(bool, date1904);
    QFETCH(QString, text);
    QCOMPARE(biff::dateText(serial, date1904, {true, true}).remove(QStringLiteral(" 0:00:00")),
             QString(text).remove(QStringLiteral(" 0:00:00")));
    if (!text.isEmpty()) {
        QVERIFY(biff::dateText(serial, date1904, {true, true}).endsWith(QStringLiteral(":00")));
    }
}

QTEST_GUILESS_MAIN(TestBiff)
#include "test_biff.moc"
