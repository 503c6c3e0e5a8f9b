// Workbooks made by the engine's writer read back the same: every value type under every
// encryption, the shapes banks take (blank rows, data below row 1, sheets in another order than
// their names, long strings across CONTINUE records, 32,767 and more rows), and passwords.

#include "bank/bankerror.h"
#include "bank/service.h"
#include "bank/workbook.h"
#include "bank/writer.h"
#include "bankfiles.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace tiku::bank;
using tiku::ErrorKind;

Q_DECLARE_METATYPE(tiku::bank::WriteOptions)

namespace {

const QString kPassword = QStringLiteral("qmpzrtv58204617");

WriteOptions options(Encryption e, int bits = 128, int major = 4) {
    WriteOptions o;
    o.encryption = e;
    o.keyBits = bits;
    o.cryptoApiMajorVersion = major;
    o.password = kPassword;
    return o;
}

std::shared_ptr<const WorkbookData> roundTrip(const WorkbookSpec& spec, const WriteOptions& o,
                                              const QString& password = kPassword) {
    return WorkbookData::fromBytes(writeWorkbook(spec, o), password, QStringLiteral("/t/rt.xls"));
}

struct ValueCase {
    CellValue value;
    CellContent::Kind kind;
    QString text;
};

std::vector<ValueCase> valueCases() {
    using K = CellContent::Kind;
    return {
        {CellValue::ofText(QStringLiteral("plain")), K::Text, QStringLiteral("plain")},
        {CellValue::ofText(QStringLiteral(" 第1题\nA. 甲\r\nB. 乙 ")), K::Text,
         QStringLiteral(" 第1题\nA. 甲\r\nB. 乙 ")},
        {CellValue::ofText(QString()), K::Text, QString()},
        {CellValue::ofText(QStringLiteral("Ünïcödé")), K::Text, QStringLiteral("Ünïcödé")},
        {CellValue::ofText(QStringLiteral("𠀀 surrogate")), K::Text,
         QStringLiteral("𠀀 surrogate")},
        {CellValue::ofNumber(0), K::Number, QStringLiteral("0")},
        {CellValue::ofNumber(42), K::Number, QStringLiteral("42")},
        {CellValue::ofNumber(-7.25), K::Number, QStringLiteral("-7.25")},
        {CellValue::ofNumber(0.1 + 0.2), K::Number, QStringLiteral("0.3")},
        {CellValue::ofNumber(1e20), K::Number, QStringLiteral("1E+20")},
        {CellValue::ofNumber(1.5e-7), K::Number, QStringLiteral("1.5E-07")},
        {CellValue::ofNumber(123456789012345678.0), K::Number,
         QStringLiteral("1.23456789012346E+17")},
        {CellValue::ofNumber(536870912.0), K::Number, QStringLiteral("536870912")},
        {CellValue::ofBoolean(true), K::Boolean, QStringLiteral("True")},
        {CellValue::ofBoolean(false), K::Boolean, QStringLiteral("False")},
        {CellValue::ofError(ErrorValue::Div0), K::Error, QString()},
        {CellValue::ofError(ErrorValue::NA), K::Error, QString()},
        {CellValue::blank(), K::Empty, QString()},
    };
}

} // namespace

class TestRoundTrip : public QObject {
    Q_OBJECT
private slots:
    void everyValueType_data();
    void everyValueType();
    void wrongPasswordRefused_data();
    void wrongPasswordRefused();
    void defaultPasswordOpensWithAnyPassword();
    void shapes();
    void sheetOrderAndNameCase();
    void longStringsAcrossContinue_data();
    void longStringsAcrossContinue();
    void manySharedStrings();
    void largeRowCounts_data();
    void largeRowCounts();
};

void TestRoundTrip::everyValueType_data() {
    QTest::addColumn<WriteOptions>("opts");
    QTest::newRow("plain") << options(Encryption::None);
    QTest::newRow("xor") << options(Encryption::Xor);
    QTest::newRow("rc4") << options(Encryption::Rc4);
    QTest::newRow("cryptoapi 2.2 40") << options(Encryption::Rc4CryptoApi, 40, 2);
    QTest::newRow("cryptoapi 3.2 56") << options(Encryption::Rc4CryptoApi, 56, 3);
    QTest::newRow("cryptoapi 4.2 128") << options(Encryption::Rc4CryptoApi, 128, 4);
    QTest::newRow("cryptoapi 4.2 40") << options(Encryption::Rc4CryptoApi, 40, 4);
}

void TestRoundTrip::everyValueType() {
    QFETCH(WriteOptions, opts);
    const std::vector<ValueCase> cases = valueCases();
    SheetSpec sheet;
    sheet.name = QStringLiteral("sheet1");
    // Each value in column 2 of its own row, and all of them again across row 100.
    for (size_t k = 0; k < cases.size(); ++k) {
        sheet.cells.push_back({int(k) + 1, 2, cases[k].value});
        sheet.cells.push_back({100, int(k) + 1, cases[k].value});
    }
    auto book = roundTrip({{sheet}}, opts);
    QCOMPARE(book->encryption(), opts.encryption);
    QCOMPARE(book->keyBits(), opts.encryption == Encryption::Rc4CryptoApi ? opts.keyBits : 0);
    QCOMPARE(book->sheets()[0].usedRows, 100);
    for (size_t k = 0; k < cases.size(); ++k) {
        for (const auto& [row, col] : {std::pair{int(k) + 1, 2}, std::pair{100, int(k) + 1}}) {
            const CellContent c = book->cell(0, row, col);
            QCOMPARE(int(c.kind), int(cases[k].kind));
            QCOMPARE(c.text, cases[k].text);
            if (c.kind == CellContent::Kind::Error) {
                QCOMPARE(c.error, cases[k].value.error);
            }
        }
    }
    QCOMPARE(int(book->cell(0, 1, 1).kind), int(CellContent::Kind::Empty));
    QCOMPARE(int(book->cell(0, 65536, 256).kind), int(CellContent::Kind::Empty));
}

void TestRoundTrip::wrongPasswordRefused_data() {
    QTest::addColumn<WriteOptions>("opts");
    QTest::newRow("xor") << options(Encryption::Xor);
    QTest::newRow("rc4") << options(Encryption::Rc4);
    QTest::newRow("cryptoapi 40") << options(Encryption::Rc4CryptoApi, 40, 2);
    QTest::newRow("cryptoapi 128") << options(Encryption::Rc4CryptoApi, 128, 4);
}

void TestRoundTrip::wrongPasswordRefused() {
    QFETCH(WriteOptions, opts);
    SheetSpec sheet{QStringLiteral("sheet1"),
                    SheetKind::Worksheet,
                    {{1, 2, CellValue::ofText(QStringLiteral("secret"))}}};
    const QByteArray bytes = writeWorkbook({{sheet}}, opts);
    for (const QString& wrong :
         {QStringLiteral("qmpzrtv58204618"), QStringLiteral("QMPZRTV58204617"), QString(),
          QStringLiteral("qmpzrtv5820461")}) {
        try {
            WorkbookData::fromBytes(bytes, wrong, QStringLiteral("/t/rt.xls"));
            QFAIL(qPrintable(QStringLiteral("opened with %1").arg(wrong)));
        } catch (const BankError& e) {
            QCOMPARE(e.kind(), ErrorKind::PasswordRefused);
            QCOMPARE(e.description(), QStringLiteral("无法打开题库文件“/t/rt.xls”：密码不正确。"));
        }
    }
    auto book = WorkbookData::fromBytes(bytes, kPassword, QStringLiteral("/t/rt.xls"));
    QCOMPARE(book->cellText(0, 1, 2), QStringLiteral("secret"));
}

void TestRoundTrip::defaultPasswordOpensWithAnyPassword() {
    for (Encryption e : {Encryption::Xor, Encryption::Rc4, Encryption::Rc4CryptoApi}) {
        WriteOptions o = options(e);
        o.password = QStringLiteral("VelvetSweatshop");
        SheetSpec sheet{QStringLiteral("sheet1"),
                        SheetKind::Worksheet,
                        {{1, 2, CellValue::ofText(QStringLiteral("open"))}}};
        auto book = roundTrip({{sheet}}, o, kPassword);
        QCOMPARE(book->cellText(0, 1, 2), QStringLiteral("open"));
        auto again = roundTrip({{sheet}}, o, QString());
        QCOMPARE(again->encryption(), e);
    }
}

void TestRoundTrip::shapes() {
    // Data from row 3 to row 9 with empty rows inside; a formatted blank as the last row.
    SheetSpec sheet{QStringLiteral("sheet1"), SheetKind::Worksheet, {}};
    sheet.cells.push_back({3, 2, CellValue::ofText(QStringLiteral("q3"))});
    sheet.cells.push_back({6, 3, CellValue::ofText(QStringLiteral("C"))});
    sheet.cells.push_back({9, 1, CellValue::blank()});
    sheet.cells.push_back({6, 3, CellValue::ofText(QStringLiteral("D"))}); // replaces "C"
    SheetSpec empty{QStringLiteral("sheet2"), SheetKind::Worksheet, {}};
    auto book = roundTrip({{sheet, empty}}, options(Encryption::Rc4CryptoApi));
    const SheetInfo& s = book->sheets()[0];
    QCOMPARE(s.firstRow, 3);
    QCOMPARE(s.lastRow, 9);
    QCOMPARE(s.usedRows, 7);
    QCOMPARE(book->cellText(0, 3, 2), QStringLiteral("q3"));
    QCOMPARE(book->cellText(0, 4, 2), QString());
    QCOMPARE(book->cellText(0, 6, 3), QStringLiteral("D"));
    QCOMPARE(book->cellText(0, 9, 1), QString());
    QCOMPARE(book->sheets()[1].usedRows, 1);
}

void TestRoundTrip::sheetOrderAndNameCase() {
    QTemporaryDir dir;
    WorkbookSpec spec;
    SheetSpec chart{QStringLiteral("Chart1"), SheetKind::Chart, {}};
    spec.sheets.push_back(tiku::testing::bankSheet(QStringLiteral("SHEET2"),
                                                   tiku::testing::numberedQuestions(4, "临床")));
    spec.sheets.push_back(chart);
    spec.sheets.push_back(tiku::testing::bankSheet(QStringLiteral("sheet1"),
                                                   tiku::testing::numberedQuestions(7, "人文")));
    const QString path = dir.filePath(QStringLiteral("dxt.xls"));
    writeWorkbookFile(path, spec, options(Encryption::Rc4CryptoApi));
    auto app = Application::start();
    auto book = app->open(path, kPassword);
    // By name, letter case ignored; a chart is no worksheet.
    QVERIFY_THROWS_EXCEPTION(BankError, book->worksheet(QStringLiteral("Chart1")));
    auto s1 = book->worksheet(QStringLiteral("sheet1"));
    QCOMPARE(s1->name(), QStringLiteral("sheet1"));
    QVERIFY(s1->cellText(7, 2).startsWith(QStringLiteral("人文第7题")));
    auto s2 = book->worksheet(QStringLiteral("sheet2"));
    QCOMPARE(s2->name(), QStringLiteral("SHEET2"));
    QCOMPARE(s2->cellText(4, 3), QStringLiteral("D"));
    // By position: the first sheet is the 临床 bank, the second a chart.
    QCOMPARE(app->usedRowCount(1), 4);
    QCOMPARE(app->usedRowCount(3), 7);
    QVERIFY_THROWS_EXCEPTION(BankError, app->usedRowCount(2));
    app->quit();
}

void TestRoundTrip::longStringsAcrossContinue_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<Encryption>("encryption");
    const QString cjk = QStringLiteral("题库中文内容");
    const QString ascii = QStringLiteral("question text ");
    QTest::newRow("CJK 20000, rc4 cryptoapi")
        << cjk.repeated(3400).left(20000) << Encryption::Rc4CryptoApi;
    QTest::newRow("ASCII 30000, xor") << ascii.repeated(2200).left(30000) << Encryption::Xor;
    QTest::newRow("mixed 9000, plain")
        << (ascii + cjk).repeated(450).left(9000) << Encryption::None;
    QTest::newRow("max length, rc4") << cjk.repeated(11000).left(32767) << Encryption::Rc4;
}

void TestRoundTrip::longStringsAcrossContinue() {
    QFETCH(QString, text);
    QFETCH(Encryption, encryption);
    SheetSpec sheet{QStringLiteral("sheet1"), SheetKind::Worksheet, {}};
    // Short strings before and after, so the long one starts in the middle of a record.
    sheet.cells.push_back({1, 2, CellValue::ofText(QStringLiteral("before"))});
    sheet.cells.push_back({2, 2, CellValue::ofText(text)});
    sheet.cells.push_back({3, 2, CellValue::ofText(QStringLiteral("after"))});
    sheet.cells.push_back({4, 2, CellValue::ofText(text.left(9000) + QStringLiteral("尾"))});
    auto book = roundTrip({{sheet}}, options(encryption));
    QCOMPARE(book->cellText(0, 3, 2), QStringLiteral("after"));
    QCOMPARE(book->cellText(0, 2, 2), text);
    QCOMPARE(book->cellText(0, 4, 2), text.left(9000) + QStringLiteral("尾"));
    QCOMPARE(book->cellText(0, 1, 2), QStringLiteral("before"));
}

void TestRoundTrip::manySharedStrings() {
    // 6000 distinct strings: many SST buckets and CONTINUE records; read out of order.
    const auto questions = tiku::testing::numberedQuestions(6000, QStringLiteral("Q"));
    WorkbookSpec spec{{tiku::testing::bankSheet(QStringLiteral("sheet1"), questions)}};
    auto book = roundTrip(spec, options(Encryption::Rc4CryptoApi));
    QCOMPARE(book->sheets()[0].usedRows, 6000);
    for (int row : {5999, 1, 3001, 4096, 2, 6000, 777}) {
        QCOMPARE(book->cellText(0, row, 2), questions[size_t(row - 1)].text);
        QCOMPARE(book->cellText(0, row, 3), questions[size_t(row - 1)].answer);
    }
}

void TestRoundTrip::largeRowCounts_data() {
    QTest::addColumn<int>("rows");
    QTest::newRow("32767") << 32767;
    QTest::newRow("32768") << 32768;
    QTest::newRow("65536") << 65536;
}

void TestRoundTrip::largeRowCounts() {
    QFETCH(int, rows);
    SheetSpec sheet{QStringLiteral("sheet1"), SheetKind::Worksheet, {}};
    sheet.cells.push_back({1, 3, CellValue::ofText(QStringLiteral("A"))});
    sheet.cells.push_back({rows / 2, 2, CellValue::ofNumber(rows / 2)});
    sheet.cells.push_back({rows - 1, 256, CellValue::blank()});
    sheet.cells.push_back({rows, 2, CellValue::ofText(QStringLiteral("last"))});
    auto book = roundTrip({{sheet}}, options(Encryption::Rc4CryptoApi));
    QCOMPARE(book->sheets()[0].usedRows, rows);
    QCOMPARE(book->cellText(0, rows, 2), QStringLiteral("last"));
    QCOMPARE(book->cellText(0, rows / 2, 2), QString::number(rows / 2));
    // A visit gives the values held, in order, and leaves the blank cell out.
    QStringList visited;
    book->visitCells(0, [&](int r, int c, const CellContent& cell) {
        visited << QStringLiteral("%1,%2=%3").arg(r).arg(c).arg(cell.text);
    });
    QCOMPARE(visited, QStringList({QStringLiteral("1,3=A"), QStringLiteral("%1,2=%1").arg(rows / 2),
                                   QStringLiteral("%1,2=last").arg(rows)}));
}

QTEST_GUILESS_MAIN(TestRoundTrip)
#include "test_roundtrip.moc"
