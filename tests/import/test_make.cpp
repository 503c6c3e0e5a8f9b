// `tiku-bank make` on the files bank authors hold: what comes out, what is refused with one line
// and exit status 2 (the output left alone), and question lists refused line by line.

#include "packages.h"

#include "bank/bankformat.h"
#include "bank/cfbwriter.h"
#include "bank/workbook.h"
#include "bank/writer.h"
#include "core/bankrules.h"

#include <QFile>
#include <QProcess>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

using namespace tiku;
using namespace tiku::testing::packages;

namespace {

struct Run {
    int code = -1;
    QString out;
    QString err;
};

Run tool(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(TIKU_BANK_TOOL), args);
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
    }
    Run r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Columns 1 to 3 of every row of a sheet as "a|b|c", error values as their literals.
QStringList rows(const bank::WorkbookData& book, int sheet) {
    QStringList out;
    const bank::SheetInfo& info = book.sheet(sheet);
    for (int r = 1; r <= info.lastRow; ++r) {
        QStringList cols;
        for (int c = 1; c <= 3; ++c) {
            const bank::CellContent cell = book.cell(sheet, r, c);
            cols.append(cell.kind == bank::CellContent::Kind::Error ? bank::errorLiteral(cell.error)
                                                                    : cell.text);
        }
        out.append(cols.join(u'|'));
    }
    return out;
}

const QByteArray kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";

} // namespace

class TestMake : public QObject {
    Q_OBJECT

private slots:
    void allInputKinds();
    void xlsInput();
    void renames();
    void questionListRefused();
    void badInput_data();
    void badInput();
    void deviceInputIsRefused();
    void checkSuggestsRenames();
    void xlsSparseSheets();
    void unusableBankRefused();
    void hiddenSheetLeftOut();
    void spacedOptionMarks();
};

void TestMake::allInputKinds() {
    QTemporaryDir dir;
    const QString xlsx = dir.filePath(QStringLiteral("book.xlsx"));
    write(xlsx, zipped(xlsxEntries({{QStringLiteral("人文"),
                                     "<row r=\"2\"><c r=\"B2\" t=\"s\"><v>0</v></c><c r=\"C2\" "
                                     "t=\"s\"><v>1</v></c></row>"}},
                                   "<si><t>题\nA. x</t></si><si><t>A</t></si>")));
    // A question list in GB18030, as Chinese Windows saves a text file, named .txt.
    const QString txt = dir.filePath(QStringLiteral("临床.txt"));
    QStringEncoder gb("GB18030");
    write(txt,
          gb(QStringLiteral("说明\r\n1．题干（　　）\r\nA．甲  B．乙\r\n答案：B\r\n解析：无\r\n")));
    // A .docx under a name that says nothing: recognised by its content.
    const QString docx = dir.filePath(QStringLiteral("list.bin"));
    write(docx, zipped(docxEntries("<w:p><w:r><w:t>(1) 问（ A ）</w:t></w:r></w:p>"
                                   "<w:p><w:r><w:t>A、是</w:t></w:r></w:p>"
                                   "<w:p><w:r><w:t>B、否</w:t></w:r></w:p>")));
    const QString out = dir.filePath(QStringLiteral("dxt.xls"));
    // Sheets named 人文 and 临床 become the banks; too short to be asked, so only with --force.
    const Run r = tool({QStringLiteral("make"), xlsx, txt, docx, QStringLiteral("-o"), out,
                        QStringLiteral("--verbose"), QStringLiteral("--force")});
    QCOMPARE(r.err, QString());
    QCOMPARE(r.code, 0);
    QCOMPARE(
        r.out.split(u'\n', Qt::SkipEmptyParts),
        (QStringList{txt + QStringLiteral(":1: left out (before the first question): \"说明\""),
                     txt + QStringLiteral(":5: left out (after the answer): \"解析：无\""),
                     QStringLiteral("the sheet 人文 becomes the bank sheet1 at position 1"),
                     QStringLiteral("the sheet 临床 becomes the bank sheet2 at position 2"),
                     QStringLiteral("written with --force despite 5 findings of tiku-bank "
                                    "check"),
                     QStringLiteral("wrote %1: sheet1 (2 rows), sheet2 (1 questions, 2 lines "
                                    "left out), list (1 questions, 0 lines left out)")
                         .arg(out)}));
    const auto book = bank::WorkbookData::load(out, bank::bankPassword());
    QCOMPARE(book->sheetCount(), 3);
    QCOMPARE(book->sheet(0).firstRow, 2);
    QCOMPARE(rows(*book, 0), (QStringList{QStringLiteral("||"), QStringLiteral("|题\nA. x|A")}));
    QCOMPARE(book->sheetName(1), QStringLiteral("sheet2"));
    QCOMPARE(rows(*book, 1), QStringList{QStringLiteral("1|题干（　　）\nA．甲\nB．乙|B")});
    QCOMPARE(rows(*book, 2), QStringList{QStringLiteral("1|问（　　）\nA、是\nB、否|A")});
}

void TestMake::xlsInput() {
    QTemporaryDir dir;
    bank::SheetSpec sheet;
    sheet.name = QStringLiteral("题库");
    sheet.cells = {{1, 2, bank::CellValue::ofText(QStringLiteral("问\n答"))},
                   {1, 3, bank::CellValue::ofNumber(1234567.25)},
                   {2, 1, bank::CellValue::ofBoolean(true)},
                   {2, 2, bank::CellValue::ofError(bank::ErrorValue::Ref)},
                   {5, 4, bank::CellValue::blank()}};
    bank::WriteOptions options;
    options.password = QStringLiteral("another");
    const QString in = dir.filePath(QStringLiteral("old.xls"));
    bank::writeWorkbookFile(in, bank::WorkbookSpec{{sheet}}, options);
    const QString out = dir.filePath(QStringLiteral("dxt.xls"));

    const Run refused = tool({QStringLiteral("make"), in, QStringLiteral("-o"), out});
    QCOMPARE(refused.code, 2);
    QVERIFY2(refused.err.contains(QStringLiteral("--input-password")), qPrintable(refused.err));
    QVERIFY(!QFile::exists(out));

    const Run r = tool({QStringLiteral("make"), in, QStringLiteral("--input-password=another"),
                        QStringLiteral("-o"), out, QStringLiteral("--force")});
    QCOMPARE(r.code, 0);
    const auto book = bank::WorkbookData::load(out, bank::bankPassword());
    QCOMPARE(book->sheetName(0), QStringLiteral("题库"));
    QCOMPARE(book->sheet(0).usedRows, 5); // the formatted empty last row still counts
    QCOMPARE(rows(*book, 0).mid(0, 2),
             (QStringList{QStringLiteral("|问\n答|1234567.25"), QStringLiteral("True|#REF!|")}));
    QCOMPARE(book->cell(0, 1, 3).kind, bank::CellContent::Kind::Number);
}

void TestMake::renames() {
    QTemporaryDir dir;
    const QString xlsx = dir.filePath(QStringLiteral("book.xlsx"));
    write(xlsx, zipped(xlsxEntries({{QStringLiteral("人文"), ""}, {QStringLiteral("临床"), ""}})));
    const QString out = dir.filePath(QStringLiteral("dxt.xls"));
    const Run r = tool({QStringLiteral("make"), xlsx, QStringLiteral("--rename"),
                        QStringLiteral("人文=sheet1"), QStringLiteral("--rename=临床=sheet2"),
                        QStringLiteral("-o"), out, QStringLiteral("--force")});
    QCOMPARE(r.code, 0);
    const auto book = bank::WorkbookData::load(out, bank::bankPassword());
    QCOMPARE(book->sheetName(0), QStringLiteral("sheet1"));
    QCOMPARE(book->sheetName(1), QStringLiteral("sheet2"));

    // A sheet name twice, before or after renaming, and a rename of no sheet, are refused.
    const QString tsv = dir.filePath(QStringLiteral("人文.tsv"));
    write(tsv, "a\tb\n");
    const QList<QStringList> refusals = {
        {QStringLiteral("make"), xlsx, tsv, QStringLiteral("-o"), out},
        {QStringLiteral("make"), xlsx, QStringLiteral("--rename"), QStringLiteral("人文=临床"),
         QStringLiteral("-o"), out},
        {QStringLiteral("make"), xlsx, QStringLiteral("--rename"), QStringLiteral("外科=sheet3"),
         QStringLiteral("-o"), out},
        {QStringLiteral("make"), xlsx, QStringLiteral("--rename"), QStringLiteral("人文"),
         QStringLiteral("-o"), out}};
    const QByteArray before = read(out);
    for (const QStringList& args : refusals) {
        const Run bad = tool(args);
        QCOMPARE(bad.code, 2);
        QCOMPARE(bad.err.count(u'\n'), 1);
        QVERIFY2(bad.err.startsWith(QStringLiteral("tiku-bank: ")), qPrintable(bad.err));
    }
    QCOMPARE(read(out), before);
}

void TestMake::questionListRefused() {
    QTemporaryDir dir;
    const QString txt = dir.filePath(QStringLiteral("q.txt"));
    write(txt, "\xEF\xBB\xBF"
               "1. a\nA. x\nB. y\n2. b\nA. x\nB. y\nC. z\n答案：D\n");
    const QString out = dir.filePath(QStringLiteral("dxt.xls"));
    const Run r = tool({QStringLiteral("make"), txt, QStringLiteral("-o"), out});
    QCOMPARE(r.code, 1);
    QCOMPARE(
        r.err.split(u'\n', Qt::SkipEmptyParts),
        (QStringList{txt + QStringLiteral(":1: question 1 has no answer (no 答案 line, no letter "
                                          "in its last brackets, and no answer key entry)"),
                     txt + QStringLiteral(":4: question 2 has the answer D, which is not one "
                                          "of its options A-C")}));
    QVERIFY(!QFile::exists(out));
}

void TestMake::badInput_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");
    const QByteArray good = zipped(xlsxEntries({{QStringLiteral("s"), ""}}));
    QTest::newRow("truncated archive")
        << "a.xlsx" << good.left(good.size() / 2) << "a damaged or truncated zip archive";
    Entries doctype = xlsxEntries({{QStringLiteral("s"), ""}});
    entry(doctype, QStringLiteral("xl/workbook.xml")) =
        "<?xml version=\"1.0\"?><!DOCTYPE w [<!ENTITY e SYSTEM "
        "\"file:///etc/passwd\">]><workbook xmlns=\"" +
        kMain + "\"><sheets><sheet name=\"&e;\"/></sheets></workbook>";
    QTest::newRow("DOCTYPE with an external entity")
        << "a.xlsx" << zipped(doctype) << "xl/workbook.xml:1: a DOCTYPE, which is refused";
    QTest::newRow("XML not well formed")
        << "a.xlsx" << zipped(xlsxEntries({{QStringLiteral("s"), "<row><c><v>1</v></row>"}}))
        << "xl/worksheets/sheet1.xml:2: XML that is not well formed";
    // 60 MB of blanks deflate to some 60 KB: far past 200 times the file.
    QTest::newRow("zip bomb") << "a.xlsx"
                              << zipped(xlsxEntries(
                                     {{QStringLiteral("s"), QByteArray(60 << 20, ' ')}}))
                              << "the archive inflates more than 200 times its size";
    Entries outside = xlsxEntries({{QStringLiteral("s"), ""}});
    entry(outside, QStringLiteral("xl/_rels/workbook.xml.rels"))
        .replace("worksheets/sheet1.xml", "../../../../../../etc/hostname");
    QTest::newRow("part name leaving the archive")
        << "a.xlsx" << zipped(outside) << "the part etc/hostname is missing";
    QTest::newRow("shared string out of the table")
        << "a.xlsx"
        << zipped(xlsxEntries({{QStringLiteral("s"), "<row><c t=\"s\"><v>7</v></c></row>"}}))
        << "a shared string \"7\" that is not in the table";
    QTest::newRow("value beyond column IV")
        << "a.xlsx"
        << zipped(xlsxEntries({{QStringLiteral("s"), "<row><c r=\"IW1\"><v>1</v></c></row>"}}))
        << "cell IW1 holds a value beyond row 65536 or column IV";
    QTest::newRow(".ods value beyond column IV")
        << "a.ods"
        << zipped(odsEntries({}, "<table:table table:name=\"t\"><table:table-row><table:table-cell "
                                 "table:number-columns-repeated=\"299\"/><table:table-cell "
                                 "office:value-type=\"float\" office:value=\"1\"/>"
                                 "</table:table-row></table:table>"))
        << "holds a value beyond row 65536 or column IV";
    // Sheets and list numbering past what a bank can use are refused before they multiply.
    Entries manySheets = xlsxEntries({{QStringLiteral("s"), ""}});
    entry(manySheets, QStringLiteral("xl/workbook.xml"))
        .replace("<sheets>", "<sheets>" + QByteArray("<sheet r:id=\"rId1\"/>").repeated(10001));
    QTest::newRow("more sheets than a workbook holds")
        << "a.xlsx" << zipped(manySheets) << "more than 10000 sheets, which is refused";
    QTest::newRow("more tables than a workbook holds")
        << "a.ods" << zipped(odsEntries({}, QByteArray("<table:table/>").repeated(10001)))
        << "more than 10000 tables, which is refused";
    QTest::newRow("long list numbering text")
        << "a.docx"
        << zipped(docxEntries(
               "<w:p><w:pPr><w:numPr><w:numId w:val=\"1\"/></w:numPr></w:pPr></w:p>",
               "<w:abstractNum w:abstractNumId=\"0\"><w:lvl w:ilvl=\"0\"><w:lvlText w:val=\"" +
                   QByteArray("%1").repeated(33) +
                   "\"/></w:lvl></w:abstractNum><w:num w:numId=\"1\"><w:abstractNumId "
                   "w:val=\"0\"/></w:num>"))
        << "a list numbering text longer than 64 characters";
    Entries longNamespace = odsEntries({}, "<table:table table:name=\"t\"/>");
    entry(longNamespace, QStringLiteral("content.xml"))
        .replace("<office:body>", "<office:body xmlns:n=\"" + QByteArray(513, 'u') + "\">");
    QTest::newRow("long namespace name")
        << "a.ods" << zipped(longNamespace)
        << "content.xml:2: a namespace name longer than 512 bytes, which is refused";
    QTest::newRow("elements nested too deep")
        << "a.docx"
        << zipped(docxEntries(QByteArray("<w:p>").repeated(1100) +
                              QByteArray("</w:p>").repeated(1100)))
        << "word/document.xml:2: elements nested more than 1024 deep, which is refused";
    QTest::newRow("password-protected .xlsx")
        << "a.xlsx" << bank::detail::writeCompoundFile(QStringLiteral("EncryptedPackage"), "x")
        << "a password-protected .xlsx, which Tiku cannot open";
    QTest::newRow("text named .xlsx")
        << "a.xlsx" << QByteArray("1. a\n") << "not a .xlsx file (damaged, or of another kind)";
    QTest::newRow("other zip") << "a.zip" << zipped({{"x.txt", "x"}})
                               << "a zip archive, but no .xlsx, .ods or .docx";
    QTest::newRow("ods without content")
        << "a.ods" << zipped({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}})
        << "the part content.xml is missing";
    QTest::newRow("binary .txt") << "a.txt" << QByteArray("\x81\x20\x00\xFF", 4)
                                 << "not a text file (neither UTF-8 nor GB18030)";
    // Refused as the rows arrive, not after the whole file is held.
    QTest::newRow("TSV past the last row")
        << "a.tsv" << QByteArray("x\n").repeated(65537) << "more than 65536 rows";
    const QByteArray longName =
        QByteArray("第一章基础医学综合单项选择题练习题库附答案解析临床执业医师考试题库");
    QTest::newRow("long .txt name")
        << QString::fromUtf8(longName + ".txt") << QByteArray("1. a\nA. x\nB. y\n答案：A\n")
        << "is longer than the 31 characters a .xls sheet name may have; give it another with "
           "--rename OLD=NEW";
    QTest::newRow("forbidden character in a name")
        << "a[1].tsv" << QByteArray("x\n")
        << "the sheet name \"a[1]\" holds a character a .xls sheet name may not have "
           "([]:*?/\\); give it another with --rename OLD=NEW";
    QTest::newRow("long .ods table name")
        << "a.ods" << zipped(odsEntries({}, "<table:table table:name=\"" + longName + "\"/>"))
        << "the sheet name \"" + QString::fromUtf8(longName) + "\" is longer than";
}

void TestMake::badInput() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    QTemporaryDir dir;
    const QString in = dir.filePath(name);
    write(in, bytes);
    const QString out = dir.filePath(QStringLiteral("dxt.xls"));
    write(out, "old bank");
    const Run r = tool({QStringLiteral("make"), in, QStringLiteral("-o"), out});
    QCOMPARE(r.code, 2);
    QCOMPARE(r.err.count(u'\n'), 1);
    QVERIFY2(r.err.startsWith(QStringLiteral("tiku-bank: ") + in), qPrintable(r.err));
    QVERIFY2(r.err.contains(error), qPrintable(r.err));
    QCOMPARE(read(out), QByteArray("old bank"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

// A device reads without end: refused before any read, as the bank reader does.
void TestMake::deviceInputIsRefused() {
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("dxt.xls"));
    const Run r =
        tool({QStringLiteral("make"), QStringLiteral("/dev/zero"), QStringLiteral("-o"), out});
    QCOMPARE(r.code, 2);
    QVERIFY2(r.err.contains(QStringLiteral("not a regular file")), qPrintable(r.err));
    QVERIFY(!QFile::exists(out));
}

void TestMake::checkSuggestsRenames() {
    QTemporaryDir dir;
    const QString xlsx = dir.filePath(QStringLiteral("book.xlsx"));
    write(xlsx,
          zipped(xlsxEntries({{QStringLiteral("人文"), ""}, {QStringLiteral("sheet2"), ""}})));
    const QString out = dir.filePath(QStringLiteral("dxt.xls"));
    QCOMPARE(
        tool({QStringLiteral("make"), xlsx, QStringLiteral("-o"), out, QStringLiteral("--force")})
            .code,
        0);
    const Run r = tool({QStringLiteral("check"), out});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.out.endsWith(QStringLiteral("to give the banks their sheet names: tiku-bank make %1 "
                                           "--rename 人文=sheet1 -o NEW.xls\n")
                                .arg(out)),
             qPrintable(r.out));
}

// Sixteen sheets whose two cells span every row and column (such a file once took minutes to
// make): the far cells come through.
void TestMake::xlsSparseSheets() {
    QTemporaryDir dir;
    bank::WorkbookSpec spec;
    for (int s = 0; s < 16; ++s) {
        bank::SheetSpec sheet;
        sheet.name = QStringLiteral("s%1").arg(s);
        sheet.cells = {{1, 2, bank::CellValue::ofText(QStringLiteral("top"))},
                       {65536, 256, bank::CellValue::ofNumber(s)}};
        spec.sheets.push_back(sheet);
    }
    const QString in = dir.filePath(QStringLiteral("wide.xls"));
    bank::writeWorkbookFile(in, spec);
    const QString out = dir.filePath(QStringLiteral("dxt.xls"));
    const Run r =
        tool({QStringLiteral("make"), in, QStringLiteral("-o"), out, QStringLiteral("--force")});
    QCOMPARE(r.code, 0);
    const auto book = bank::WorkbookData::load(out, bank::bankPassword());
    QCOMPARE(book->sheet(15).usedRows, 65536);
    QCOMPARE(book->cellText(15, 65536, 256), QStringLiteral("15"));
}

// A bank check would flag is not written, and says why: the first 20 findings and their count;
// --force writes it.
void TestMake::unusableBankRefused() {
    QTemporaryDir dir;
    QByteArray tsv;
    for (int k = 1; k <= 25; ++k) {
        tsv += QByteArray::number(k) + "\t题\\nA. 甲\\nB. 乙\tE\n";
    }
    const QString in = dir.filePath(QStringLiteral("sheet1.tsv"));
    write(in, tsv);
    const QString out = dir.filePath(QStringLiteral("dxt.xls"));
    write(out, "old bank");
    const Run r = tool({QStringLiteral("make"), in, QStringLiteral("-o"), out});
    QCOMPARE(r.code, 1);
    const QStringList lines = r.err.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 21);
    QCOMPARE(lines.first(), QStringLiteral("sheet1 (人文): row 1: the answer E names no option of "
                                           "the question (its options are A-B)"));
    QCOMPARE(lines.last(), QStringLiteral("tiku-bank: 25 findings that tiku-bank check would "
                                          "report: nothing written (give --force to write it "
                                          "anyway)"));
    QCOMPARE(read(out), QByteArray("old bank"));

    const Run forced =
        tool({QStringLiteral("make"), in, QStringLiteral("-o"), out, QStringLiteral("--force")});
    QCOMPARE(forced.code, 0);
    QVERIFY2(forced.out.contains(QStringLiteral("written with --force despite 25 findings")),
             qPrintable(forced.out));
    QCOMPARE(tool({QStringLiteral("check"), out}).code, 1);
}

// A hidden first sheet (an author's old bank, say) is left out, so the banks that follow it are the
// ones at positions 1 and 2, where the program counts their questions.
void TestMake::hiddenSheetLeftOut() {
    QTemporaryDir dir;
    const QByteArray row = "<row r=\"1\"><c r=\"B1\" t=\"s\"><v>0</v></c><c r=\"C1\" "
                           "t=\"s\"><v>1</v></c></row>";
    Entries book = xlsxEntries({{QStringLiteral("旧题"), row},
                                {QStringLiteral("人文"), row},
                                {QStringLiteral("临床"), row}},
                               "<si><t>题\nA．甲\nB．乙</t></si><si><t>B</t></si>");
    entry(book, QStringLiteral("xl/workbook.xml"))
        .replace("sheetId=\"1\"", "sheetId=\"1\" state=\"hidden\"");
    const QString xlsx = dir.filePath(QStringLiteral("book.xlsx"));
    write(xlsx, zipped(book));
    const QString out = dir.filePath(QStringLiteral("dxt.xls"));
    const Run r =
        tool({QStringLiteral("make"), xlsx, QStringLiteral("-o"), out, QStringLiteral("--force")});
    QCOMPARE(r.code, 0);
    QVERIFY2(r.out.contains(xlsx + QStringLiteral(": hidden sheet \"旧题\" left out")),
             qPrintable(r.out));
    const auto made = bank::WorkbookData::load(out, bank::bankPassword());
    QCOMPARE(made->sheetCount(), 2);
    QCOMPARE(made->sheetName(0), QStringLiteral("sheet1"));
    QCOMPARE(made->sheetName(1), QStringLiteral("sheet2"));
    QCOMPARE(rows(*made, 0), QStringList{QStringLiteral("|题\nA．甲\nB．乙|B")});
}

// Options written with blanks before their point ("A . x", "B ．y") are options to the bank check
// too, so such lists make a bank without --force.
void TestMake::spacedOptionMarks() {
    QTemporaryDir dir;
    QByteArray list;
    for (int k = 1; k <= bank::minPaperQuestions; ++k) {
        list += QByteArray::number(k) + ". 题\n A . 甲  B ．乙  C  :丙\n答案：C\n";
    }
    const QString first = dir.filePath(QStringLiteral("sheet1.txt"));
    const QString second = dir.filePath(QStringLiteral("sheet2.txt"));
    write(first, list);
    write(second, list);
    const QString out = dir.filePath(QStringLiteral("dxt.xls"));
    const Run r = tool({QStringLiteral("make"), first, second, QStringLiteral("-o"), out});
    QCOMPARE(r.err, QString());
    QCOMPARE(r.code, 0);
    const auto book = bank::WorkbookData::load(out, bank::bankPassword());
    QCOMPARE(rows(*book, 1).first(), QStringLiteral("1|题\nA . 甲\nB ．乙\nC  :丙|C"));
    const Run check = tool({QStringLiteral("check"), out});
    QCOMPARE(check.code, 0);
}

QTEST_GUILESS_MAIN(TestMake)
#include "test_make.moc"
