// Writes seed files for the import fuzz target: small .xlsx, .ods and .docx packages with every
// kind of cell and numbering the readers know, question lists in UTF-8 and GB18030, and question
// tables in CSV and TSV.

#include "../tests/import/packages.h"

#include <QDir>
#include <QStringEncoder>

#include <cstdio>

using namespace tiku::testing::packages;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_import_seeds DIR\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    auto save = [&](const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(name));
            std::exit(1);
        }
    };
    const QByteArray list = "一、单选题\n1．题干（　　）\nA．甲  B．乙\nC．丙\n答案：C\n解析：略\n"
                            "(2) 题（ B ）\nA) x\nB) y\n【答案】B\n";
    save(QStringLiteral("list-utf8.txt"), list);
    QStringEncoder gb("GB18030");
    save(QStringLiteral("list-gb18030.txt"), gb(QString::fromUtf8(list)));
    // Question tables: one column per option, and all options in one column.
    save(QStringLiteral("table.csv"), "序号,题目,选项A,B选项,Option C,答案,题型,来源\n"
                                      "1,\"题\r干\",甲,乙,丙,B,单选,\n2,多,a,b,c,AB,多选,x\n");
    save(QStringLiteral("table.tsv"), "Question\tOptions\tAnswer\r甲\tA.x, B.y\\nC.z\tC\r");
    save(
        QStringLiteral("book.xlsx"),
        zipped(xlsxEntries(
            {{QStringLiteral("人文"),
              "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" s=\"1\"><v>45296.5</v></c>"
              "<c r=\"C1\" t=\"b\"><v>1</v></c><c r=\"D1\" t=\"e\"><v>#N/A</v></c></row>"
              "<row r=\"3\"><c r=\"B3\" t=\"inlineStr\"><is><t>x_x000D_</t></is></c>"
              "<c r=\"C3\" s=\"2\"/></row>"},
             {QStringLiteral("临床"), "<row><c t=\"str\"><v>y</v></c></row>"}},
            "<si><r><t>rich</t></r><rPh><t>p</t></rPh></si>",
            "<numFmts><numFmt numFmtId=\"164\" formatCode=\"yyyy/m/d h:mm\"/></numFmts>"
            "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/><xf numFmtId=\"14\"/></cellXfs>")));
    save(QStringLiteral("book.ods"),
         zipped(odsEntries(
             "<number:date-style style:name=\"N1\"><number:year/><number:hours/>"
             "</number:date-style><style:style style:name=\"ce1\" style:data-style-name=\"N1\"/>",
             "<table:table table:name=\"a\"><table:table-column "
             "table:number-columns-repeated=\"3\"/><table:table-row "
             "table:number-rows-repeated=\"2\"><table:table-cell office:value-type=\"string\">"
             "<text:p>a<text:s text:c=\"2\"/><text:tab/>b</text:p></table:table-cell>"
             "<table:table-cell table:style-name=\"ce1\" office:value-type=\"date\" "
             "office:date-value=\"2024-01-05T13:45:00\"/><table:table-cell "
             "office:value-type=\"time\" office:time-value=\"PT1H\"/></table:table-row>"
             "<table:table-row><table:table-cell table:style-name=\"ce1\" "
             "table:number-columns-repeated=\"4\"/></table:table-row></table:table>")));
    save(QStringLiteral("list.docx"),
         zipped(docxEntries(
             "<w:p><w:pPr><w:numPr><w:ilvl w:val=\"0\"/><w:numId w:val=\"1\"/></w:numPr></w:pPr>"
             "<w:r><w:t>题干（　）</w:t><w:br/><w:t>续</w:t></w:r></w:p>"
             "<w:p><w:pPr><w:numPr><w:ilvl w:val=\"1\"/><w:numId w:val=\"1\"/></w:numPr></w:pPr>"
             "<w:r><w:t>甲</w:t></w:r></w:p><w:p><w:pPr><w:pStyle w:val=\"O\"/></w:pPr>"
             "<w:r><w:t>乙</w:t></w:r></w:p><w:p><w:r><w:t>答案：A</w:t></w:r></w:p>",
             "<w:abstractNum w:abstractNumId=\"0\"><w:lvl w:ilvl=\"0\"><w:start w:val=\"1\"/>"
             "<w:numFmt w:val=\"decimal\"/><w:lvlText w:val=\"%1．\"/></w:lvl><w:lvl "
             "w:ilvl=\"1\"><w:start w:val=\"1\"/><w:numFmt w:val=\"upperLetter\"/><w:lvlText "
             "w:val=\"%2.\"/></w:lvl></w:abstractNum><w:num w:numId=\"1\"><w:abstractNumId "
             "w:val=\"0\"/><w:lvlOverride w:ilvl=\"1\"><w:startOverride w:val=\"1\"/>"
             "</w:lvlOverride></w:num>",
             "<w:style w:styleId=\"O\"><w:pPr><w:numPr><w:ilvl w:val=\"1\"/><w:numId "
             "w:val=\"1\"/></w:numPr></w:pPr></w:style>")));
    std::printf("%s\n", qPrintable(dir.path()));
    return 0;
}
