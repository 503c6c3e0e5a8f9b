// tiku-bank, run as a program: its output, exit status and error lines.

#include "bankfiles.h"
#include "toolrun.h"

#include "bank/writer.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace tiku;
using namespace tiku::bank;
using tiku::testing::Question;
using tiku::testing::Run;
using tiku::testing::tool;
using tiku::testing::writeText;

namespace {

std::vector<Question> goodBank(int n) {
    return testing::numberedQuestions(n, QStringLiteral("题"));
}

QString pathIn(const QTemporaryDir& dir, const QString& name) {
    return dir.filePath(name);
}

} // namespace

class TestTikuBank : public QObject {
    Q_OBJECT

private slots:
    void infoText();
    void infoJson_data();
    void infoJson();
    void dumpEscapesAndLiterals();
    void dumpRows_data();
    void dumpRows();
    void check_data();
    void check();
    void checkOverLimitAndMissingSheet();
    void checkCountsBySheetPosition();
    void checkShortensLongAnswers();
    void makeFromTsvAndCsv();
    void makeReplacesOutput();
    void makeRefusesBadInput_data();
    void makeRefusesBadInput();
    void badUsage_data();
    void badUsage();
    void usageAndVersion();
    void unreadableFile_data();
    void unreadableFile();

private:
    QTemporaryDir dir_;
};

void TestTikuBank::infoText() {
    const QString file = testing::writeBank(dir_.path(), goodBank(30), goodBank(12));
    const Run r = tool({QStringLiteral("info"), file});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.err, QString());
    QCOMPARE(r.outLines(),
             (QStringList{QStringLiteral("format: BIFF8"),
                          QStringLiteral("encryption: rc4-cryptoapi, 128-bit key"),
                          QStringLiteral("sheets: 2"),
                          QStringLiteral("  1. sheet1 (worksheet): rows 1-30, used rows 30"),
                          QStringLiteral("  2. sheet2 (worksheet): rows 1-12, used rows 12")}));
    QVERIFY(!r.out.contains(QStringLiteral("qmpzrtv58204617")));
}

void TestTikuBank::infoJson_data() {
    QTest::addColumn<int>("encryption");
    QTest::addColumn<int>("keyBits");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("keyBitsShown");
    QTest::newRow("none") << int(Encryption::None) << 128 << QStringLiteral("none") << 0;
    QTest::newRow("xor") << int(Encryption::Xor) << 128 << QStringLiteral("xor") << 0;
    QTest::newRow("rc4") << int(Encryption::Rc4) << 128 << QStringLiteral("rc4") << -1;
    QTest::newRow("cryptoapi 40") << int(Encryption::Rc4CryptoApi) << 40
                                  << QStringLiteral("rc4-cryptoapi") << 40;
    QTest::newRow("cryptoapi 128")
        << int(Encryption::Rc4CryptoApi) << 128 << QStringLiteral("rc4-cryptoapi") << 128;
}

void TestTikuBank::infoJson() {
    QFETCH(int, encryption);
    QFETCH(int, keyBits);
    QFETCH(QString, name);
    QFETCH(int, keyBitsShown);
    // Sheets of every kind, a sheet starting below row 1 and an empty one, in this order.
    WorkbookSpec spec;
    spec.sheets.push_back(testing::bankSheet(QStringLiteral("sheet1"), goodBank(7)));
    SheetSpec late;
    late.name = QStringLiteral("临床 \"2\"");
    late.cells.push_back({4, 3, CellValue::ofText(QStringLiteral("A"))});
    late.cells.push_back({9, 1, CellValue::blank()});
    spec.sheets.push_back(late);
    SheetSpec chart;
    chart.name = QStringLiteral("Chart1");
    chart.kind = SheetKind::Chart;
    spec.sheets.push_back(chart);
    SheetSpec macro;
    macro.name = QStringLiteral("Macro1");
    macro.kind = SheetKind::Macro;
    spec.sheets.push_back(macro);
    SheetSpec empty;
    empty.name = QStringLiteral("empty");
    spec.sheets.push_back(empty);
    WriteOptions options;
    options.encryption = Encryption(encryption);
    options.keyBits = keyBits;
    const QString file = pathIn(dir_, QStringLiteral("info-%1.xls").arg(QTest::currentDataTag()));
    writeWorkbookFile(file, spec, options);

    const Run r = tool({QStringLiteral("info"), file, QStringLiteral("--json")});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.outLines().size(), 1);
    QJsonParseError error;
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8(), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QVERIFY(r.out.startsWith(QStringLiteral("{\"format\": \"BIFF8\", \"encryption\": ")));
    QCOMPARE(o.value(QStringLiteral("encryption")).toString(), name);
    if (keyBitsShown >= 0) {
        QCOMPARE(o.value(QStringLiteral("key_bits")).toInt(), keyBitsShown);
    }
    const QJsonArray sheets = o.value(QStringLiteral("sheets")).toArray();
    QCOMPARE(sheets.size(), 5);
    struct Want {
        const char* kind;
        int first, last, used;
    };
    const Want want[] = {{"worksheet", 1, 7, 7},
                         {"worksheet", 4, 9, 6},
                         {"chart", 0, 0, 1},
                         {"macro", 0, 0, 1},
                         {"worksheet", 0, 0, 1}};
    for (int i = 0; i < 5; ++i) {
        const QJsonObject s = sheets[i].toObject();
        QCOMPARE(s.value(QStringLiteral("name")).toString(), spec.sheets[size_t(i)].name);
        QCOMPARE(s.value(QStringLiteral("kind")).toString(), QString::fromLatin1(want[i].kind));
        QCOMPARE(s.value(QStringLiteral("first_row")).toInt(), want[i].first);
        QCOMPARE(s.value(QStringLiteral("last_row")).toInt(), want[i].last);
        QCOMPARE(s.value(QStringLiteral("used_rows")).toInt(), want[i].used);
    }
}

void TestTikuBank::dumpEscapesAndLiterals() {
    WorkbookSpec spec;
    SheetSpec s;
    s.name = QStringLiteral("Sheet2");
    auto text = [](const char16_t* t) { return CellValue::ofText(QString::fromUtf16(t)); };
    s.cells = {
        {1, 2, text(u"题干\n第二行\tTab\\反斜杠\r")},
        {1, 3, text(u"A")},
        {2, 2, CellValue::ofNumber(3.5)},
        {2, 3, CellValue::ofBoolean(true)},
        {4, 1, CellValue::ofText(QStringLiteral("column 1 is not shown"))},
    };
    const ErrorValue errors[] = {ErrorValue::Div0, ErrorValue::NA,   ErrorValue::Value,
                                 ErrorValue::Ref,  ErrorValue::Name, ErrorValue::Num,
                                 ErrorValue::Null};
    int row = 5;
    for (ErrorValue e : errors) {
        s.cells.push_back({row, 2, CellValue::ofError(e)});
        s.cells.push_back({row, 3, CellValue::ofText(QStringLiteral("B"))});
        ++row;
    }
    spec.sheets.push_back(s);
    const QString file = pathIn(dir_, QStringLiteral("dump.xls"));
    writeWorkbookFile(file, spec);
    // The sheet name is matched without regard to letter case.
    const Run r =
        tool({QStringLiteral("dump"), file, QStringLiteral("--sheet"), QStringLiteral("sheet2")});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.err, QString());
    QCOMPARE(r.out, QStringLiteral("1\t题干\\n第二行\\tTab\\\\反斜杠\\r\tA\n"
                                   "2\t3.5\tTrue\n"
                                   "3\t\t\n"
                                   "4\t\t\n"
                                   "5\t#DIV/0!\tB\n"
                                   "6\t#N/A\tB\n"
                                   "7\t#VALUE!\tB\n"
                                   "8\t#REF!\tB\n"
                                   "9\t#NAME?\tB\n"
                                   "10\t#NUM!\tB\n"
                                   "11\t#NULL!\tB\n"));
}

void TestTikuBank::dumpRows_data() {
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QStringList>("numbers");
    QTest::newRow("all: from row 1 although cells start at 3")
        << QString() << QStringList{"1", "2", "3", "4", "5"};
    QTest::newRow("a range") << QStringLiteral("2-4") << QStringList{"2", "3", "4"};
    QTest::newRow("one row") << QStringLiteral("5") << QStringList{"5"};
    QTest::newRow("past the last used row")
        << QStringLiteral("4-7") << QStringList{"4", "5", "6", "7"};
}

void TestTikuBank::dumpRows() {
    QFETCH(QString, rows);
    QFETCH(QStringList, numbers);
    WorkbookSpec spec;
    SheetSpec s;
    s.name = QStringLiteral("sheet1");
    for (int r = 3; r <= 5; ++r) {
        s.cells.push_back({r, 2, CellValue::ofText(QStringLiteral("Q%1").arg(r))});
    }
    spec.sheets.push_back(s);
    const QString file = pathIn(dir_, QStringLiteral("rows.xls"));
    writeWorkbookFile(file, spec);
    QStringList args{QStringLiteral("dump"), file, QStringLiteral("--sheet=sheet1")};
    if (!rows.isEmpty()) {
        args << QStringLiteral("--rows") << rows;
    }
    const Run r = tool(args);
    QCOMPARE(r.code, 0);
    const QStringList lines = r.outLines();
    QCOMPARE(lines.size(), numbers.size());
    for (int i = 0; i < lines.size(); ++i) {
        const int n = numbers[i].toInt();
        const QString want = n >= 3 && n <= 5 ? QStringLiteral("Q%1").arg(n) : QString();
        QCOMPARE(lines[i], QStringLiteral("%1\t%2\t").arg(n).arg(want));
    }
}

void TestTikuBank::check_data() {
    QTest::addColumn<QList<QStringList>>("bank1"); // rows of {question, answer}
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("findings");
    auto rows = [](int n) {
        QList<QStringList> out;
        for (int k = 1; k <= n; ++k) {
            out.append({QStringLiteral("第%1题\nA. 甲\nB. 乙\nC. 丙\nD. 丁\nE. 戊").arg(k),
                        QString(QChar(u'A' + k % 5))});
        }
        return out;
    };
    QTest::newRow("clean") << rows(5) << 0 << QStringList();
    QList<QStringList> bad = rows(8);
    bad[0][1] = QStringLiteral("a");
    bad[1][1] = QStringLiteral(" A");
    bad[2][1] = QStringLiteral("AB");
    bad[3][1] = QString();
    bad[4][0] = QString();
    bad[5][1] = QStringLiteral("F");
    QTest::newRow("answers no hand-in counts")
        << bad << 1
        << QStringList{
               QStringLiteral("sheet1 (人文): row 1: the answer \"a\" is not one of A to E"),
               QStringLiteral("sheet1 (人文): row 2: the answer \" A\" is not one of A to E"),
               QStringLiteral("sheet1 (人文): row 3: the answer \"AB\" is not one of A to E"),
               QStringLiteral("sheet1 (人文): row 4: the answer \"\" is not one of A to E"),
               QStringLiteral("sheet1 (人文): row 5: empty question"),
               QStringLiteral("sheet1 (人文): row 6: the answer \"F\" is not one of A to E"),
               QStringLiteral("sheet1 (人文): 8 questions, 6 findings")};
    QTest::newRow("under five") << rows(4) << 1
                                << QStringList{
                                       QStringLiteral("sheet1 (人文): 4 rows, under the 5")};
    QList<QStringList> gap = rows(6);
    gap[2] = QStringList{QString(), QString()};
    QTest::newRow("an empty row between questions")
        << gap << 1
        << QStringList{
               QStringLiteral("sheet1 (人文): row 3: empty question"),
               QStringLiteral("sheet1 (人文): row 3: the answer \"\" is not one of A to E")};
}

void TestTikuBank::check() {
    QFETCH(QList<QStringList>, bank1);
    QFETCH(int, exitCode);
    QFETCH(QStringList, findings);
    std::vector<Question> questions;
    for (const QStringList& row : bank1) {
        questions.push_back({row[0], row[1]});
    }
    QTemporaryDir dir;
    const QString file = testing::writeBank(dir.path(), questions, goodBank(6));
    const Run r = tool({QStringLiteral("check"), file});
    QCOMPARE(r.code, exitCode);
    QCOMPARE(r.err, QString());
    for (const QString& f : findings) {
        QVERIFY2(r.out.contains(f), qPrintable(r.out));
    }
    QVERIFY2(r.out.contains(QStringLiteral("sheet2 (临床): 6 questions, 0 findings")),
             qPrintable(r.out));
    if (exitCode == 0) {
        QVERIFY(r.out.contains(
            QStringLiteral("sheet1 (人文): %1 questions, 0 findings").arg(bank1.size())));
    }
}

void TestTikuBank::checkOverLimitAndMissingSheet() {
    // sheet1 of 32,768 rows with an error answer and cells starting in row 2; no sheet2.
    WorkbookSpec spec;
    SheetSpec big;
    big.name = QStringLiteral("sheet1");
    for (int r = 2; r <= 32769; ++r) {
        big.cells.push_back({r, 2, CellValue::ofText(QStringLiteral("Q"))});
        big.cells.push_back({r, 3, CellValue::ofText(QStringLiteral("C"))});
    }
    big.cells.push_back({10, 3, CellValue::ofError(ErrorValue::NA)});
    spec.sheets.push_back(big);
    SheetSpec other;
    other.name = QStringLiteral("other");
    other.cells.push_back({1, 2, CellValue::ofText(QStringLiteral("x"))});
    spec.sheets.push_back(other);
    const QString file = pathIn(dir_, QStringLiteral("over.xls"));
    writeWorkbookFile(file, spec);
    const Run r = tool({QStringLiteral("check"), file});
    QCOMPARE(r.code, 1);
    const QStringList want{
        QStringLiteral("sheet1 (人文): 32768 rows, over the 32767 a bank can hold"),
        QStringLiteral("sheet1 (人文): rows 32769-32769 lie beyond the count of 32768"),
        QStringLiteral("sheet1 (人文): row 1: empty question"),
        QStringLiteral("sheet1 (人文): row 10: the answer is the error value #N/A"),
        QStringLiteral("sheet2 (临床): no worksheet of that name")};
    for (const QString& f : want) {
        QVERIFY2(r.out.contains(f), qPrintable(f));
    }
    QVERIFY(!r.out.contains(QStringLiteral("row 32768:"))); // the 16-bit count stops at 32767
}

void TestTikuBank::checkCountsBySheetPosition() {
    // sheet2 first, then a chart where the second bank is counted, then sheet1.
    WorkbookSpec spec;
    spec.sheets.push_back(testing::bankSheet(QStringLiteral("Sheet2"), goodBank(6)));
    SheetSpec chart;
    chart.name = QStringLiteral("Chart1");
    chart.kind = SheetKind::Chart;
    spec.sheets.push_back(chart);
    spec.sheets.push_back(testing::bankSheet(QStringLiteral("SHEET1"), goodBank(9)));
    const QString file = pathIn(dir_, QStringLiteral("positions.xls"));
    writeWorkbookFile(file, spec);
    const Run r = tool({QStringLiteral("check"), file});
    QCOMPARE(r.code, 1);
    QCOMPARE(
        r.outLines(),
        (QStringList{
            QStringLiteral("sheet1 (人文): the bank size is counted on \"Sheet2\", the sheet at "
                           "position 1"),
            QStringLiteral("sheet1 (人文): rows 7-9 lie beyond the count of 6 and are never "
                           "shown"),
            QStringLiteral("sheet1 (人文): 6 questions, 2 findings"),
            QStringLiteral("sheet2 (临床): no worksheet at position 2, where the bank size is "
                           "counted")}));
}

void TestTikuBank::checkShortensLongAnswers() {
    // Answers of 32,000 characters with a line break, of 40 characters (shown whole), and of 41
    // characters outside the BMP (cut between characters, not inside a surrogate pair).
    const QString huge = QStringLiteral("\n") + QString(31999, QLatin1Char('B'));
    const QString forty = QString(40, QLatin1Char('x'));
    QString emoji;
    for (int i = 0; i < 41; ++i) {
        emoji += QString::fromUcs4(U"\U0001F600", 1);
    }
    std::vector<Question> questions = goodBank(5);
    questions[0].answer = huge;
    questions[1].answer = forty;
    questions[2].answer = emoji;
    QTemporaryDir dir;
    const QString file = testing::writeBank(dir.path(), questions, goodBank(5));
    const Run r = tool({QStringLiteral("check"), file});
    QCOMPARE(r.code, 1);
    const QString tail = QStringLiteral(" is not one of A to E, so no hand-in counts it right");
    QCOMPARE(
        r.outLines().mid(0, 3),
        (QStringList{QStringLiteral("sheet1 (人文): row 1: the answer \"\\n%1…\" (32000 "
                                    "characters)%2")
                         .arg(QString(39, QLatin1Char('B')), tail),
                     QStringLiteral("sheet1 (人文): row 2: the answer \"%1\"%2").arg(forty, tail),
                     QStringLiteral("sheet1 (人文): row 3: the answer \"%1…\" (41 characters)%2")
                         .arg(emoji.left(80), tail)}));
}

void TestTikuBank::makeFromTsvAndCsv() {
    QTemporaryDir dir;
    const QString tsv = dir.filePath(QStringLiteral("sheet1.tsv"));
    const QString csv = dir.filePath(QStringLiteral("sheet2.csv"));
    writeText(tsv, QStringLiteral("1\t题一\\nA. 是\\tB. 否\\\\\tA\r\n\n3\t\tC\n").toUtf8());
    // With a byte order mark, CRLF and no final line break.
    writeText(csv, QByteArray("\xEF\xBB\xBF") +
                       QStringLiteral("1,\"含逗号,和\"\"引号\"\"\n换行\",B\r\n2,plain,C").toUtf8());
    const QString out = dir.filePath(QStringLiteral("dxt.xls"));
    // Deliberately short banks without options: written only with --force.
    const Run made = tool(
        {QStringLiteral("make"), tsv, csv, QStringLiteral("-o"), out, QStringLiteral("--force")});
    QCOMPARE(made.code, 0);
    QCOMPARE(made.err, QString());
    QVERIFY2(made.out.contains(QStringLiteral("written with --force despite")),
             qPrintable(made.out));

    const Run info = tool({QStringLiteral("info"), out});
    QVERIFY(info.out.contains(QStringLiteral("encryption: rc4-cryptoapi, 128-bit key")));
    QVERIFY(info.out.contains(QStringLiteral("1. sheet1 (worksheet): rows 1-3, used rows 3")));
    QVERIFY(info.out.contains(QStringLiteral("2. sheet2 (worksheet): rows 1-2, used rows 2")));

    const Run d1 =
        tool({QStringLiteral("dump"), out, QStringLiteral("--sheet"), QStringLiteral("sheet1")});
    QCOMPARE(d1.out, QStringLiteral("1\t题一\\nA. 是\\tB. 否\\\\\tA\n2\t\t\n3\t\tC\n"));
    const Run d2 =
        tool({QStringLiteral("dump"), out, QStringLiteral("--sheet"), QStringLiteral("sheet2")});
    QCOMPARE(d2.out, QStringLiteral("1\t含逗号,和\"引号\"\\n换行\tB\n2\tplain\tC\n"));

    // Another password: the default one no longer opens it, and it is never echoed.
    const QString secret = QStringLiteral("S3cret-口令");
    const Run again = tool({QStringLiteral("make"), tsv, QStringLiteral("-o"), out,
                            QStringLiteral("--password"), secret, QStringLiteral("--force")});
    QCOMPARE(again.code, 0);
    QCOMPARE(tool({QStringLiteral("info"), out}).code, 2);
    const Run opened = tool({QStringLiteral("info"), out, QStringLiteral("--password"), secret});
    QCOMPARE(opened.code, 0);
    QVERIFY(!again.out.contains(secret) && !opened.out.contains(secret));
}

void TestTikuBank::makeReplacesOutput() {
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("dxt.xls"));
    writeText(out, QByteArray(300000, 'x'));
    const QString tsv = dir.filePath(QStringLiteral("sheet1.tsv"));
    writeText(tsv, "1\tQ\tA\n");
    QCOMPARE(
        tool({QStringLiteral("make"), tsv, QStringLiteral("-o"), out, QStringLiteral("--force")})
            .code,
        0);
    QVERIFY(QFileInfo(out).size() < 300000);
    QCOMPARE(tool({QStringLiteral("info"), out}).code, 0);
    // A failed make leaves the existing file alone.
    const QByteArray before = [&] {
        QFile f(out);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    writeText(tsv, "1\tbad \\q escape\tA\n");
    QCOMPARE(tool({QStringLiteral("make"), tsv, QStringLiteral("-o"), out}).code, 2);
    QFile f(out);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

void TestTikuBank::makeRefusesBadInput_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown escape") << QStringLiteral("sheet1.tsv") << QByteArray("1\ta\\x\tA\n")
                                    << QStringLiteral("sheet1.tsv:1: unknown escape \\x");
    QTest::newRow("backslash at the end")
        << QStringLiteral("sheet1.tsv") << QByteArray("1\tQ\tA\n2\tQ\\\n")
        << QStringLiteral("sheet1.tsv:2: a backslash at the end of a field");
    QTest::newRow("not UTF-8") << QStringLiteral("sheet1.tsv") << QByteArray("1\t\xB5\xDA\tA\n")
                               << QStringLiteral("not valid UTF-8");
    QTest::newRow("unclosed quote") << QStringLiteral("sheet1.csv") << QByteArray("1,\"abc\n2,x\n")
                                    << QStringLiteral("sheet1.csv:1: a quoted field is not closed");
    QTest::newRow("text after a quote")
        << QStringLiteral("sheet1.csv") << QByteArray("1,\"abc\"x,A\n")
        << QStringLiteral("text after a closing quote");
    QTest::newRow("bad sheet name")
        << QStringLiteral("a[1].tsv") << QByteArray("1\tQ\tA\n") << QStringLiteral("a[1]");
    QTest::newRow("too many columns")
        << QStringLiteral("sheet1.tsv") << QByteArray(300, '\t').append("x\n")
        << QStringLiteral("more than 256 fields");
}

void TestTikuBank::makeRefusesBadInput() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString input = dir.filePath(name);
    writeText(input, content);
    const QString out = dir.filePath(QStringLiteral("dxt.xls"));
    const Run r = tool({QStringLiteral("make"), input, QStringLiteral("-o"), out});
    QCOMPARE(r.code, 2);
    QCOMPARE(r.out, QString());
    QCOMPARE(r.errLines().size(), 1);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY(!QFileInfo::exists(out));
}

void TestTikuBank::badUsage_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown command") << QStringList{"show", "x.xls"} << "unknown command \"show\"";
    QTest::newRow("unknown option")
        << QStringList{"info", "x.xls", "--verbose"} << "unknown option --verbose";
    QTest::newRow("option without value")
        << QStringList{"info", "x.xls", "--password"} << "option --password needs a value";
    QTest::newRow("two files") << QStringList{"info", "a.xls", "b.xls"}
                               << "one workbook file expected, 2 given";
    QTest::newRow("no file") << QStringList{"check"} << "no workbook file given";
    QTest::newRow("json on check")
        << QStringList{"check", "x.xls", "--json"} << "option --json does not go with this command";
    QTest::newRow("dump without sheet") << QStringList{"dump", "x.xls"} << "dump needs --sheet";
    QTest::newRow("rows reversed")
        << QStringList{"dump", "x.xls", "--sheet", "s", "--rows", "5-2"} << "--rows takes A-B";
    QTest::newRow("rows from 0") << QStringList{"dump", "x.xls", "--sheet", "s", "--rows", "0-2"}
                                 << "--rows takes A-B";
    QTest::newRow("rows not numbers")
        << QStringList{"dump", "x.xls", "--sheet", "s", "--rows", "a-b"} << "--rows takes A-B";
    QTest::newRow("rows past the sheet")
        << QStringList{"dump", "x.xls", "--sheet", "s", "--rows", "1-65537"} << "--rows takes A-B";
    QTest::newRow("sheet given twice")
        << QStringList{"dump", "x.xls", "--sheet", "a", "--sheet", "b"}
        << "option --sheet given twice";
    QTest::newRow("make without output")
        << QStringList{"make", "sheet1.tsv"} << "make needs -o FILE";
    QTest::newRow("make without input")
        << QStringList{"make", "-o", "x.xls"} << "make needs at least one input file";
    QTest::newRow("make with the same sheet twice")
        << QStringList{"make", "a/sheet1.tsv", "b/SHEET1.csv", "-o", "x.xls"}
        << "both name the sheet";
    QTest::newRow("sheet option on make") << QStringList{"make", "s.tsv", "-o", "x", "--sheet", "s"}
                                          << "option --sheet does not go with this command";
}

void TestTikuBank::badUsage() {
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    const Run r = tool(args);
    QCOMPARE(r.code, 2);
    QCOMPARE(r.out, QString());
    QCOMPARE(r.errLines().size(), 1);
    QVERIFY(r.err.startsWith(QStringLiteral("tiku-bank: ")));
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
}

void TestTikuBank::usageAndVersion() {
    // --help and its short forms: the usage of every command in English and Chinese on stdout.
    for (const char* help : {"--help", "-h", "help"}) {
        const Run r = tool({QString::fromLatin1(help)});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.err, QString());
        for (const char* part :
             {"tiku-bank info FILE [--json]", "tiku-bank dump FILE --sheet NAME [--rows A-B]",
              "tiku-bank check FILE", "tiku-bank make INPUT... -o FILE", "--password P",
              "--version", "Exit status: 0", "用法", "退出状态", "man tiku-bank"}) {
            QVERIFY2(r.out.contains(QString::fromUtf8(part)), part);
        }
    }
    // Without an argument: the same usage, as a failed call on stderr.
    const Run bare = tool({});
    QCOMPARE(bare.code, 2);
    QCOMPARE(bare.out, QString());
    QCOMPARE(bare.err, tool({QStringLiteral("--help")}).out);

    const Run version = tool({QStringLiteral("--version")});
    QCOMPARE(version.code, 0);
    QCOMPARE(version.out, QStringLiteral("tiku-bank " TIKU_VERSION "\n"));
}

void TestTikuBank::unreadableFile_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("command");
    const QStringList commands[] = {
        {"info"}, {"info", "--json"}, {"dump", "--sheet", "sheet1"}, {"check"}};
    for (const char* kind : {"missing", "text file", "wrong password", "truncated"}) {
        for (const QStringList& c : commands) {
            QTest::addRow("%s: %s", kind, qPrintable(c.join(u' ')))
                << QString::fromLatin1(kind) << c;
        }
    }
}

void TestTikuBank::unreadableFile() {
    QFETCH(QString, kind);
    QFETCH(QStringList, command);
    QTemporaryDir dir;
    QString file = dir.filePath(QStringLiteral("dxt.xls"));
    const QString secret = QStringLiteral("not-the-password-7741");
    if (kind == QStringLiteral("text file")) {
        writeText(file, "1\tQ\tA\n");
    } else if (kind == QStringLiteral("wrong password")) {
        testing::writeBank(dir.path(), goodBank(5), goodBank(5));
    } else if (kind == QStringLiteral("truncated")) {
        testing::writeBank(dir.path(), goodBank(500), goodBank(5));
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.resize(f.size() / 2));
    }
    QStringList args{command.front(), file};
    args += command.mid(1);
    args << QStringLiteral("--password") << secret;
    const Run r = tool(args);
    QCOMPARE(r.code, 2);
    QCOMPARE(r.out, QString());
    QCOMPARE(r.errLines().size(), 1);
    QVERIFY(r.err.contains(QStringLiteral("dxt.xls")));
    QVERIFY(!r.err.contains(secret));
}

QTEST_GUILESS_MAIN(TestTikuBank)
#include "test_tikubank.moc"
