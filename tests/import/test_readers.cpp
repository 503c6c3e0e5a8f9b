// The readers of .xlsx, .ods and .docx on hand-made packages: every kind of cell as the program
// shows it through a .xls, the used rows, and Word's numbering written out.

#include "packages.h"

#include "bank/workbook.h"
#include "import/importerror.h"
#include "import/ods.h"
#include "import/textlines.h"
#include "import/xlsx.h"
#include "import/ziparchive.h"

#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>

using namespace tiku;
using namespace tiku::import;
using namespace tiku::testing::packages;

namespace {

// Each cell as "B2 kind:value", in row and column order.
QStringList cells(const bank::SheetSpec& sheet) {
    std::vector<bank::CellSpec> sorted = sheet.cells;
    std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
        return std::pair(a.row, a.column) < std::pair(b.row, b.column);
    });
    QStringList out;
    for (const bank::CellSpec& c : sorted) {
        const QString at = QString(QChar(char16_t(u'A' + c.column - 1))) + QString::number(c.row);
        switch (c.value.kind) {
        case bank::CellValue::Kind::Blank:
            out.append(at + QStringLiteral(" blank"));
            break;
        case bank::CellValue::Kind::Text:
            out.append(at + QStringLiteral(" text:") + c.value.text);
            break;
        case bank::CellValue::Kind::Number:
            out.append(at + QStringLiteral(" number:") + QString::number(c.value.number, 'g', 17));
            break;
        case bank::CellValue::Kind::Boolean:
            out.append(at +
                       (c.value.boolean ? QStringLiteral(" bool:1") : QStringLiteral(" bool:0")));
            break;
        case bank::CellValue::Kind::Error:
            out.append(at + QStringLiteral(" error:") + bank::errorLiteral(c.value.error));
            break;
        }
    }
    return out;
}

std::vector<bank::SheetSpec> xlsx(const Entries& entries) {
    const QByteArray bytes = zipped(entries);
    ZipArchive archive(bytes, QStringLiteral("t.xlsx"));
    return readXlsx(archive);
}

std::vector<bank::SheetSpec> ods(const Entries& entries) {
    const QByteArray bytes = zipped(entries);
    ZipArchive archive(bytes, QStringLiteral("t.ods"));
    if (!isOds(archive)) {
        qFatal("not recognised as .ods");
    }
    return readOds(archive);
}

// The message of the ImportError that reading throws; empty when it reads.
template <typename Read> QString refusal(Read read) {
    try {
        read();
    } catch (const ImportError& e) {
        return e.description();
    }
    return {};
}

// Letters that do not compress, as an entry that lets the rest of a package inflate far.
QByteArray noise(int size) {
    QRandomGenerator random(7);
    QByteArray out(size, Qt::Uninitialized);
    for (char& c : out) {
        c = char('a' + random.bounded(26));
    }
    return out;
}

Entries padded(Entries entries) {
    entries.push_back({QStringLiteral("padding.bin"), noise(128 << 10)});
    return entries;
}

} // namespace

class TestReaders : public QObject {
    Q_OBJECT

private slots:
    void xlsxCells();
    void xlsxSheetsAndDate1904();
    void xlsxFormatsSharedByManyCells();
    void numbersPastTheirRange();
    void odsCells();
    void odsRepeatsAndUsedRows();
    void docxLines();
    void workbookBudget();
    void longTextsStopEarly();
    void refusalsQuoteShortly();
    void archiveRefusals();
    void odsMergedBooleansAndFormulas();
    void hiddenSheets();
    void runFormattingCutBeforeParsing();
};

void TestReaders::xlsxCells() {
    const QByteArray strings =
        "<si><t>plain</t></si>"
        "<si><r><t>rich </t></r><r><rPr><b/></rPr><t xml:space=\"preserve\">text\n\tend</t></r>"
        "<rPh><t>ふりがな</t></rPh></si>"
        "<si><t>cr_x000D_here</t></si>";
    const QByteArray styles = "<numFmts><numFmt numFmtId=\"164\" formatCode=\"yyyy&quot;年&quot;m"
                              "&quot;月&quot;d&quot;日&quot; hh:mm\"/></numFmts><cellXfs>"
                              "<xf numFmtId=\"0\"/><xf numFmtId=\"14\"/><xf numFmtId=\"164\"/>"
                              "<xf numFmtId=\"10\"/><xf numFmtId=\"0\"/></cellXfs>";
    const QByteArray data =
        "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c>"
        "<c r=\"C1\" t=\"s\"><v>2</v></c></row>"
        "<row r=\"2\"><c r=\"A2\"><v>3.5</v></c><c r=\"B2\" s=\"1\"><v>45296</v></c>"
        "<c r=\"C2\" s=\"2\"><v>45296.5729166667</v></c><c r=\"D2\" s=\"3\"><v>0.25</v></c></row>"
        "<row r=\"3\"><c r=\"A3\" t=\"b\"><v>1</v></c><c r=\"B3\" t=\"e\"><f>1/0</f>"
        "<v>#DIV/0!</v></c><c r=\"C3\" t=\"str\"><f>A1&amp;\"x\"</f><v>plainx</v></c>"
        "<c r=\"D3\" t=\"inlineStr\"><is><t>inline</t></is></c></row>"
        // A merged area: the covered cells are formatted blanks; a formula never calculated.
        "<row r=\"4\"><c r=\"A4\" t=\"s\"><v>0</v></c><c r=\"B4\" s=\"4\"/><c r=\"C4\"><f>1</f>"
        "<v></v></c></row>"
        // Cells and rows without their references follow the previous ones.
        "<row><c><v>1</v></c><c t=\"d\" s=\"1\"><v>2024-01-05T00:00:00</v></c></row>"
        "<row r=\"9\"><c r=\"E9\" s=\"0\"/></row>"
        "<row r=\"12\"><c r=\"B12\" s=\"4\"/></row>";
    const auto sheets = xlsx(xlsxEntries({{QStringLiteral("人文"), data}}, strings, styles));
    QCOMPARE(sheets.size(), size_t(1));
    QCOMPARE(sheets[0].name, QStringLiteral("人文"));
    QCOMPARE(
        cells(sheets[0]),
        (QStringList{QStringLiteral("A1 text:plain"), QStringLiteral("B1 text:rich text\n\tend"),
                     QStringLiteral("C1 text:cr\rhere"), QStringLiteral("A2 number:3.5"),
                     QStringLiteral("B2 text:2024/1/5"),
                     QStringLiteral("C2 text:2024/1/5 13:45:00"), QStringLiteral("D2 number:0.25"),
                     QStringLiteral("A3 bool:1"), QStringLiteral("B3 error:#DIV/0!"),
                     QStringLiteral("C3 text:plainx"), QStringLiteral("D3 text:inline"),
                     QStringLiteral("A4 text:plain"), QStringLiteral("A5 number:1"),
                     QStringLiteral("B5 text:2024/1/5"), QStringLiteral("B12 blank")}));
}

void TestReaders::xlsxSheetsAndDate1904() {
    const QByteArray styles = "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/></cellXfs>";
    Entries entries = xlsxEntries(
        {{QStringLiteral("sheet1"), "<row r=\"1\"><c r=\"B1\" s=\"1\"><v>0</v></c></row>"},
         {QStringLiteral("临床"), ""}},
        {}, styles, "<workbookPr date1904=\"1\"/>");
    // The workbook part in UTF-16, which XML allows as well.
    QByteArray& book = entry(entries, QStringLiteral("xl/workbook.xml"));
    const QString text =
        QString::fromUtf8(book).replace(QStringLiteral("UTF-8"), QStringLiteral("UTF-16"));
    book = QByteArray("\xFF\xFE") +
           QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    const auto sheets = xlsx(entries);
    QCOMPARE(sheets.size(), size_t(2));
    QCOMPARE(cells(sheets[0]), QStringList{QStringLiteral("B1 text:1904/1/1")});
    QCOMPARE(sheets[1].name, QStringLiteral("临床"));
    QVERIFY(sheets[1].cells.empty());
}

void TestReaders::xlsxFormatsSharedByManyCells() {
    // Half a million cell formats share one format code of a million characters: each is told a
    // date once, not once per cell format (which would run for hours).
    const int xfs = 500000;
    const QByteArray styles = "<numFmts><numFmt numFmtId=\"164\" formatCode=\"yyyy/m/d" +
                              QByteArray(1 << 20, ' ') + "\"/></numFmts><cellXfs>" +
                              QByteArray("<xf numFmtId=\"164\"/>").repeated(xfs) + "</cellXfs>";
    // Padded, so that the parts stay within 200 times the archive.
    const Entries entries = padded(xlsxEntries(
        {{QStringLiteral("s"), "<row r=\"1\"><c r=\"A1\" s=\"" + QByteArray::number(xfs - 1) +
                                   "\"><v>45296</v></c></row>"}},
        {}, styles));
    QCOMPARE(cells(xlsx(entries).at(0)), QStringList{QStringLiteral("A1 text:2024/1/5")});
}

void TestReaders::numbersPastTheirRange() {
    // A row after the largest row number: still past the last row, not a negative one.
    try {
        xlsx(xlsxEntries({{QStringLiteral("s"), "<row r=\"9223372036854775807\"/><row><c><v>1</v>"
                                                "</c></row>"}}));
        QFAIL("a value past the last row was taken");
    } catch (const ImportError& e) {
        QVERIFY2(e.description().contains(QStringLiteral("A65537 holds a value beyond row 65536")),
                 qPrintable(e.description()));
    }
    // A list that starts at the largest number: counted on from the largest Word takes.
    const QByteArray numbering =
        "<w:abstractNum w:abstractNumId=\"0\"><w:lvl w:ilvl=\"0\"><w:start "
        "w:val=\"2147483647\"/><w:lvlText w:val=\"%1.\"/></w:lvl></w:abstractNum>"
        "<w:num w:numId=\"1\"><w:abstractNumId w:val=\"0\"/></w:num>";
    const QByteArray p = "<w:p><w:pPr><w:numPr><w:numId w:val=\"1\"/></w:numPr></w:pPr>"
                         "<w:r><w:t>x</w:t></w:r></w:p>";
    const QByteArray bytes = zipped(docxEntries(p + p, numbering));
    ZipArchive archive(bytes, QStringLiteral("t.docx"));
    QCOMPARE(readDocxLines(archive),
             (QStringList{QStringLiteral("32767. x"), QStringLiteral("32768. x")}));
}

void TestReaders::odsCells() {
    const QByteArray styles =
        "<number:date-style style:name=\"N37\"><number:year/><number:text>/</number:text>"
        "<number:month/></number:date-style>"
        "<number:date-style style:name=\"N50\"><number:year/><number:hours/></number:date-style>"
        "<style:style style:name=\"ce1\" style:family=\"table-cell\" "
        "style:data-style-name=\"N37\"/>"
        "<style:style style:name=\"ce2\" style:family=\"table-cell\" "
        "style:data-style-name=\"N50\"/>"
        "<style:style style:name=\"ce3\" style:family=\"table-cell\" "
        "style:parent-style-name=\"ce1\"/>";
    const QByteArray table =
        "<table:table table:name=\"人文\"><table:table-column table:number-columns-repeated=\"4\"/>"
        "<table:table-row><table:table-cell office:value-type=\"string\">"
        "<text:p>a<text:s text:c=\"3\"/>b<text:tab/>c<text:line-break/>d</text:p>"
        "<text:p><text:span>e</text:span><text:a>f</text:a></text:p>"
        "<office:annotation><text:p>note</text:p></office:annotation></table:table-cell>"
        "<table:table-cell office:value-type=\"float\" office:value=\"3.5\"><text:p>3.50"
        "</text:p></table:table-cell><table:table-cell office:value-type=\"boolean\" "
        "office:boolean-value=\"true\"><text:p>TRUE</text:p></table:table-cell>"
        "<table:table-cell table:formula=\"of:=1/0\" office:value-type=\"float\" "
        "office:value=\"0\" calcext:value-type=\"error\"><text:p>#DIV/0!</text:p>"
        "</table:table-cell></table:table-row>"
        "<table:table-row><table:table-cell table:style-name=\"ce1\" office:value-type=\"date\" "
        "office:date-value=\"2024-01-05\"/><table:table-cell table:style-name=\"ce2\" "
        "office:value-type=\"date\" office:date-value=\"2024-01-05T13:45:00\"/>"
        "<table:table-cell table:style-name=\"ce3\" office:value-type=\"float\" "
        "office:value=\"45296\"/><table:table-cell office:value-type=\"time\" "
        "office:time-value=\"PT13H45M00S\"/></table:table-row>"
        "</table:table>";
    const auto sheets = ods(odsEntries(styles, table));
    QCOMPARE(sheets.size(), size_t(1));
    QCOMPARE(sheets[0].name, QStringLiteral("人文"));
    QCOMPARE(cells(sheets[0]),
             (QStringList{QStringLiteral("A1 text:a   b\tc\nd\nef"),
                          QStringLiteral("B1 number:3.5"), QStringLiteral("C1 bool:1"),
                          QStringLiteral("D1 error:#DIV/0!"), QStringLiteral("A2 text:2024/1/5"),
                          QStringLiteral("B2 text:2024/1/5 13:45:00"),
                          QStringLiteral("C2 text:2024/1/5"), QStringLiteral("D2 text:13:45:00")}));
}

void TestReaders::odsRepeatsAndUsedRows() {
    const QByteArray styles = "<style:style style:name=\"ce9\" style:family=\"table-cell\"/>";
    const QByteArray tables =
        "<table:table table:name=\"a\">"
        "<table:table-column table:default-cell-style-name=\"ce9\" "
        "table:number-columns-repeated=\"1024\"/>"
        "<table:table-row table:number-rows-repeated=\"2\"/>"
        "<table:table-row-group><table:table-row table:number-rows-repeated=\"2\">"
        "<table:table-cell/><table:table-cell office:value-type=\"string\" "
        "table:number-columns-repeated=\"2\"><text:p>x</text:p></table:table-cell>"
        "<table:covered-table-cell table:number-columns-repeated=\"3\"/>"
        "</table:table-row></table:table-row-group>"
        // Cells in the column's own style are not formatted; a style of their own is.
        "<table:table-row table:number-rows-repeated=\"5\"><table:table-cell "
        "table:style-name=\"ce9\" table:number-columns-repeated=\"1024\"/></table:table-row>"
        "<table:table-row><table:table-cell table:style-name=\"ce1\"/></table:table-row>"
        "<table:table-row table:number-rows-repeated=\"1048560\"><table:table-cell "
        "table:number-columns-repeated=\"1024\"/></table:table-row>"
        "</table:table>"
        "<table:table table:name=\"b\"><table:table-row table:number-rows-repeated=\"3\">"
        "<table:table-cell table:style-name=\"ce1\" table:number-columns-repeated=\"9\"/>"
        "</table:table-row></table:table>";
    const auto sheets = ods(odsEntries(styles, tables));
    QCOMPARE(sheets.size(), size_t(2));
    QCOMPARE(cells(sheets[0]),
             (QStringList{QStringLiteral("B3 text:x"), QStringLiteral("C3 text:x"),
                          QStringLiteral("B4 text:x"), QStringLiteral("C4 text:x"),
                          QStringLiteral("A10 blank")}));
    QCOMPARE(cells(sheets[1]),
             (QStringList{QStringLiteral("A1 blank"), QStringLiteral("A3 blank")}));
}

void TestReaders::docxLines() {
    const QByteArray numbering =
        "<w:abstractNum w:abstractNumId=\"0\"><w:lvl w:ilvl=\"0\"><w:start w:val=\"1\"/>"
        "<w:numFmt w:val=\"decimal\"/><w:lvlText w:val=\"%1．\"/></w:lvl>"
        "<w:lvl w:ilvl=\"1\"><w:start w:val=\"1\"/><w:numFmt w:val=\"upperLetter\"/>"
        "<w:lvlText w:val=\"%2.\"/><w:suff w:val=\"space\"/></w:lvl></w:abstractNum>"
        "<w:abstractNum w:abstractNumId=\"1\"><w:lvl w:ilvl=\"0\"><w:start w:val=\"1\"/>"
        "<w:numFmt w:val=\"chineseCounting\"/><w:lvlText w:val=\"%1、\"/>"
        "<w:suff w:val=\"nothing\"/></w:lvl></w:abstractNum>"
        // A list whose levels come from a list style, as Word's multilevel list styles do.
        "<w:abstractNum w:abstractNumId=\"2\"><w:numStyleLink w:val=\"LS\"/></w:abstractNum>"
        "<w:abstractNum w:abstractNumId=\"3\"><w:styleLink w:val=\"LS\"/><w:lvl w:ilvl=\"0\">"
        "<w:start w:val=\"5\"/><w:numFmt w:val=\"decimalFullWidth\"/>"
        "<w:lvlText w:val=\"%1）\"/></w:lvl></w:abstractNum>"
        "<w:num w:numId=\"3\"><w:abstractNumId w:val=\"2\"/></w:num>"
        "<w:num w:numId=\"4\"><w:abstractNumId w:val=\"3\"/></w:num>"
        "<w:num w:numId=\"1\"><w:abstractNumId w:val=\"0\"/></w:num>"
        "<w:num w:numId=\"2\"><w:abstractNumId w:val=\"1\"/></w:num>";
    const QByteArray styles =
        "<w:style w:type=\"paragraph\" w:styleId=\"Q\"><w:pPr><w:numPr><w:numId w:val=\"1\"/>"
        "</w:numPr></w:pPr></w:style><w:style w:type=\"paragraph\" w:styleId=\"Q2\">"
        "<w:basedOn w:val=\"Q\"/></w:style><w:style w:type=\"numbering\" w:styleId=\"LS\">"
        "<w:pPr><w:numPr><w:numId w:val=\"4\"/></w:numPr></w:pPr></w:style>";
    auto p = [](const QByteArray& pPr, const QByteArray& runs) {
        return "<w:p><w:pPr>" + pPr +
               "<w:tabs><w:tab w:val=\"left\" w:pos=\"420\"/></w:tabs>"
               "</w:pPr>" +
               runs + "</w:p>";
    };
    const QByteArray level1 = "<w:numPr><w:ilvl w:val=\"1\"/><w:numId w:val=\"1\"/></w:numPr>";
    const QByteArray body =
        p("<w:numPr><w:ilvl w:val=\"0\"/><w:numId w:val=\"2\"/></w:numPr>",
          "<w:r><w:t>单选题</w:t></w:r>") +
        p("<w:pStyle w:val=\"Q2\"/>",
          "<w:r><w:t xml:space=\"preserve\">题干 </w:t></w:r><w:del><w:r><w:delText>删"
          "</w:delText></w:r></w:del><w:r><w:t>（　）</w:t><w:br/><w:t>第二行</w:t></w:r>") +
        p(level1, "<w:r><w:t>甲</w:t></w:r>") +
        p(level1, "<w:r><w:t>乙</w:t><w:tab/>"
                  "<w:t>丙</w:t></w:r>") +
        p({}, "<w:r><w:t>答案：A</w:t></w:r><w:r><mc:AlternateContent "
              "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\">"
              "<mc:Choice Requires=\"wps\"><w:drawing/></mc:Choice><mc:Fallback><w:pict>"
              "<w:txbxContent><w:p><w:r><w:t>框</w:t></w:r></w:p></w:txbxContent></w:pict>"
              "</mc:Fallback></mc:AlternateContent></w:r>") +
        p("<w:pStyle w:val=\"Q\"/>", "<w:r><w:t>又一题</w:t></w:r>") +
        p(level1, "<w:r><w:t>丁</w:t></w:r>") +
        p("<w:pStyle w:val=\"Q\"/><w:numPr><w:numId w:val=\"0\"/></w:numPr>",
          "<w:r><w:t>不编号</w:t></w:r>") +
        p("<w:numPr><w:ilvl w:val=\"0\"/><w:numId w:val=\"3\"/></w:numPr>",
          "<w:r><w:t>链接</w:t></w:r>");
    const QByteArray bytes = zipped(docxEntries(body, numbering, styles));
    ZipArchive archive(bytes, QStringLiteral("t.docx"));
    QVERIFY(isDocx(archive));
    QCOMPARE(readDocxLines(archive),
             (QStringList{QStringLiteral("一、单选题"), QStringLiteral("1． 题干 （　）"),
                          QStringLiteral("第二行"), QStringLiteral("A. 甲"),
                          QStringLiteral("B. 乙\t丙"), QStringLiteral("答案：A"),
                          QStringLiteral("2． 又一题"), QStringLiteral("A. 丁"),
                          QStringLiteral("不编号"), QStringLiteral("５） 链接")}));
}

// One budget for the whole workbook: repeats of .ods tables, a worksheet part named by several
// sheets, empty shared strings and spaces that expand stop at the first limit, which is named.
void TestReaders::workbookBudget() {
    const QByteArray table = "<table:table table:name=\"t\"><table:table-row "
                             "table:number-rows-repeated=\"1000\"><table:table-cell "
                             "office:value-type=\"float\" office:value=\"1\" "
                             "table:number-columns-repeated=\"100\"/></table:table-row>"
                             "</table:table>";
    // 100,000 cells a table: four are read, the sixth is not.
    QCOMPARE(ods(odsEntries({}, table.repeated(4))).size(), size_t(4));
    QString why = refusal([&] { ods(odsEntries({}, table.repeated(6))); });
    QVERIFY2(why.contains(
                 QStringLiteral("more than %1 cells with values in the workbook").arg(kMaxCells)),
             qPrintable(why));

    // A part of 196,608 cells read for each sheet that names it: twice, not three times.
    Entries book = padded(xlsxEntries(
        {{QStringLiteral("a"),
          ("<row>" + QByteArray("<c t=\"b\"><v>1</v></c>").repeated(3) + "</row>").repeated(65536)},
         {QStringLiteral("b"), {}},
         {QStringLiteral("c"), {}}}));
    entry(book, QStringLiteral("xl/_rels/workbook.xml.rels")).replace("sheet2.xml", "sheet1.xml");
    const auto twice = xlsx(book);
    QCOMPARE(twice[1].cells.size(), size_t(196608));
    entry(book, QStringLiteral("xl/_rels/workbook.xml.rels")).replace("sheet3.xml", "sheet1.xml");
    why = refusal([&] { xlsx(book); });
    QVERIFY2(why.contains(QStringLiteral("more than %1 cells").arg(kMaxCells)), qPrintable(why));
    book = padded(xlsxEntries({{QStringLiteral("a"), {}}},
                              QByteArray("<si/>").repeated(int(kMaxStrings) + 1)));
    why = refusal([&] { xlsx(book); });
    QVERIFY2(why.contains(QStringLiteral("more than %1 shared strings").arg(kMaxStrings)),
             qPrintable(why));
    // 32,000 spaces a cell, in 560 cells of 7 rows: 17.9 million characters from a few KB.
    const QByteArray spaces =
        "<table:table-cell office:value-type=\"string\"><text:p><text:s text:c=\"32000\"/>"
        "</text:p></table:table-cell>";
    const QByteArray rows =
        ("<table:table-row>" + spaces.repeated(80) + "</table:table-row>").repeated(7);
    why = refusal(
        [&] { ods(odsEntries({}, "<table:table table:name=\"t\">" + rows + "</table:table>")); });
    QVERIFY2(why.contains(QStringLiteral("characters of text in the workbook, more than %1 million")
                              .arg(kBaseCharacters / 1000000)),
             qPrintable(why));
}

// A text or a tag longer than any cell holds is refused as it grows, before it is whole.
void TestReaders::longTextsStopEarly() {
    QString why = refusal([&] {
        xlsx(xlsxEntries({{QStringLiteral("a"), {}}},
                         "<si><t>" + noise(kMaxTextBytes + 10) + "</t></si>"));
    });
    QVERIFY2(why.contains(QStringLiteral("longer than the %1 characters").arg(kMaxTextLength)),
             qPrintable(why));
    why = refusal([&] {
        xlsx(xlsxEntries({{QStringLiteral("a"),
                           "<row r=\"1\" x=\"" + noise(int(kMaxMarkupBytes) * 5 / 4) + "\"/>"}}));
    });
    QVERIFY2(why.contains(QStringLiteral("longer than %1 MB").arg(kMaxMarkupBytes >> 20)),
             qPrintable(why));
    why = refusal([&] {
        ods(odsEntries({}, "<table:table table:name=\"t\"><table:table-row><table:table-cell "
                           "office:value-type=\"string\"><text:p>" +
                               QByteArray("<text:s text:c=\"32768\"/>").repeated(1000) +
                               "</text:p></table:table-cell></table:table-row></table:table>"));
    });
    QVERIFY2(why.contains(QStringLiteral("longer than the %1 characters").arg(kMaxTextLength)),
             qPrintable(why));
}

// A value, shared string index, date, row number or cell reference is quoted in at most some
// 40 characters with its length.
void TestReaders::refusalsQuoteShortly() {
    const QByteArray longValue(40000, '7');
    const QList<QByteArray> rows{
        "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>" + longValue + "</v></c></row>",
        "<row r=\"1\"><c r=\"A1\" t=\"d\"><v>" + longValue + "</v></c></row>",
        "<row r=\"1\"><c r=\"A1\"><v>x" + longValue + "</v></c></row>",
        "<row r=\"x" + longValue + "\"/>",
        "<row r=\"1\"><c r=\"A" + longValue + "\"><v>1</v></c></row>",
        "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>" + longValue + "</t></is></c></row>"};
    for (const QByteArray& row : rows) {
        const QString why = refusal([&] { xlsx(xlsxEntries({{QStringLiteral("a"), row}})); });
        QVERIFY2(!why.isEmpty() && why.size() < 200 && why.contains(QStringLiteral("characters)")),
                 qPrintable(why.left(300)));
    }
}

// The inflation stop names the limit that tripped; part names equal but for letter case are
// refused.
void TestReaders::archiveRefusals() {
    Entries book = xlsxEntries({{QStringLiteral("a"), {}}});
    entry(book, QStringLiteral("xl/sharedStrings.xml")) = QByteArray(8 << 20, ' ');
    QString why = refusal([&] { xlsx(book); });
    QVERIFY2(why.contains(
                 QStringLiteral("inflates more than %1 times its size").arg(kMaxInflationRatio)),
             qPrintable(why));
    book = xlsxEntries({{QStringLiteral("a"), {}}});
    book.push_back({QStringLiteral("XL/Workbook.xml"), "<x/>"});
    why = refusal([&] { xlsx(book); });
    QVERIFY2(why.contains(QStringLiteral("the same but for letter case")), qPrintable(why));
}

// What LibreOffice's own .xls of the workbook shows: a merged area's top-left value only, an
// xsd:boolean in any of its forms, a comparison formula's 1 or 0 as a truth value, NaN and the
// infinities as 0.
void TestReaders::odsMergedBooleansAndFormulas() {
    const QByteArray table =
        "<table:table table:name=\"t\"><table:table-row><table:table-cell "
        "table:number-columns-spanned=\"2\" office:value-type=\"string\"><text:p>merged</text:p>"
        "</table:table-cell><table:covered-table-cell office:value-type=\"string\"><text:p>"
        "hidden</text:p></table:covered-table-cell><table:table-cell office:value-type=\"boolean\" "
        "office:boolean-value=\"1\"/><table:table-cell office:value-type=\"boolean\" "
        "office:boolean-value=\"0\"/></table:table-row><table:table-row>"
        "<table:table-cell table:formula=\"of:=TRUE()\" office:value-type=\"float\" "
        "office:value=\"1\"/><table:table-cell table:formula=\"of:=[.A1]&lt;&gt;&quot;(&quot;\" "
        "office:value-type=\"float\" office:value=\"0\"/><table:table-cell "
        "table:formula=\"of:=ISNUMBER([.A1])+1\" office:value-type=\"float\" "
        "office:value=\"1\"/><table:table-cell office:value-type=\"float\" office:value=\"nan\"/>"
        "<table:table-cell office:value-type=\"float\" office:value=\"-inf\"/></table:table-row>"
        "</table:table>";
    QCOMPARE(cells(ods(odsEntries({}, table))[0]),
             (QStringList{QStringLiteral("A1 text:merged"), QStringLiteral("C1 bool:1"),
                          QStringLiteral("D1 bool:0"), QStringLiteral("A2 bool:1"),
                          QStringLiteral("B2 bool:0"), QStringLiteral("C2 number:1"),
                          QStringLiteral("D2 number:0"), QStringLiteral("E2 number:0")}));
    QCOMPARE(cells(xlsx(
                 xlsxEntries({{QStringLiteral("a"), "<row r=\"1\"><c r=\"A1\"><v>NaN</v>"
                                                    "</c><c r=\"B1\"><v>inf</v></c></row>"}}))[0]),
             (QStringList{QStringLiteral("A1 number:0"), QStringLiteral("B1 number:0")}));
}

void TestReaders::hiddenSheets() {
    Entries book = xlsxEntries(
        {{QStringLiteral("a"), {}}, {QStringLiteral("b"), {}}, {QStringLiteral("c"), {}}});
    QByteArray& workbook = entry(book, QStringLiteral("xl/workbook.xml"));
    workbook.replace("sheetId=\"1\"", "sheetId=\"1\" state=\"hidden\"");
    workbook.replace("sheetId=\"2\"", "sheetId=\"2\" state=\"veryHidden\"");
    auto sheets = xlsx(book);
    QCOMPARE(sheets.size(), size_t(3));
    QVERIFY(sheets[0].hidden && sheets[1].hidden && !sheets[2].hidden);
    const QByteArray styles =
        "<style:style style:name=\"ta1\" style:family=\"table\"><style:table-properties "
        "table:display=\"false\"/></style:style><style:style style:name=\"ta2\" "
        "style:family=\"table\"><style:table-properties table:display=\"true\"/></style:style>";
    sheets = ods(odsEntries(styles, "<table:table table:name=\"a\" table:style-name=\"ta1\"/>"
                                    "<table:table table:name=\"b\" table:style-name=\"ta2\"/>"));
    QCOMPARE(sheets.size(), size_t(2));
    QVERIFY(sheets[0].hidden && !sheets[1].hidden);
}

// Run formatting is cut out of the shared strings as bytes, before they are parsed: tags split
// between the pieces inflated are found whole, and what only looks like one is kept.
void TestReaders::runFormattingCutBeforeParsing() {
    QByteArray strings;
    QStringList expected;
    for (int i = 0; i < 30000; ++i) {
        // Items of different lengths, so that tags fall on every offset of a piece's end.
        const QByteArray n = QByteArray::number(i);
        strings += "<si><r><rPr><b/><sz val=\"" + QByteArray(i % 13, '1') + "\"/></rPr><t>" + n +
                   "</t></r><r><rPr/><t>&lt;rPr&gt;</t></r><r><rPr></rPr><t>.</t></r></si>";
        expected.append(QString::fromLatin1(n) + QStringLiteral("<rPr>."));
    }
    QByteArray data;
    for (int i = 0; i < 30000; ++i) {
        data += "<row><c t=\"s\"><v>" + QByteArray::number(i) + "</v></c></row>";
    }
    const auto sheets = xlsx(padded(xlsxEntries({{QStringLiteral("a"), data}}, strings)));
    QStringList texts;
    for (const bank::CellSpec& c : sheets[0].cells) {
        texts.append(c.value.text);
    }
    QCOMPARE(texts, expected);
    // Fed in pieces of every size, so that each tag is split at each of its bytes.
    const QByteArray stream = "<si><rPr><b/></rPr>a<rPr/>&lt;rPr&gt;<rP<rPr></rPr>b</rPr>c</si>";
    for (int piece = 1; piece <= stream.size(); ++piece) {
        ElementCutter cutter("rPr");
        QByteArray out;
        for (int at = 0; at < stream.size(); at += piece) {
            cutter.feed(stream.constData() + at, std::min<int>(piece, stream.size() - at), out);
        }
        cutter.finish(out);
        QCOMPARE(out, QByteArray("<si>a<rPr/>&lt;rPr&gt;<rPb</rPr>c</si>"));
    }
    // An element never closed cuts to the end, where the part is found unfinished.
    const QString why = refusal([&] {
        xlsx(xlsxEntries({{QStringLiteral("a"), {}}}, "<si><r><rPr><b/></r></si>"));
    });
    QVERIFY2(why.contains(QStringLiteral("not well formed")), qPrintable(why));
}

QTEST_GUILESS_MAIN(TestReaders)
#include "test_readers.moc"
