// make's entry point in-process: TSV and CSV line ends, question tables from every input kind,
// and the bank check make applies before it writes.

#include "import/bankcheck.h"
#include "import/importerror.h"
#include "import/inputs.h"
#include "import/questiontable.h"
#include "import/quote.h"
#include "import/textinput.h"

#include <QtTest>

#include <map>

using namespace tiku;
using namespace tiku::import;

class TestInputs : public QObject {
    Q_OBJECT

private slots:
    void lineEnds();
    void questionTable();
    void optionsInOneColumn();
    void notATable();
    void headerAfterBlankedCells();
    void banksByName();
    void checkRules();
};

// Excel for Mac ends lines with a lone CR: a line end in TSV and CSV alike, outside quotes.
void TestInputs::lineEnds() {
    const Table tsv = parseTsv(QStringLiteral("1\ta\\nb\tA\r2\tc\tB\r\n3\td\tC\r"), {});
    QCOMPARE(tsv, (Table{{"1", "a\nb", "A"}, {"2", "c", "B"}, {"3", "d", "C"}}));
    // What dump writes of a cell, a TSV field reads back.
    const QString cell = QStringLiteral("a\\nb\r\n\tc\\");
    QCOMPARE(parseTsv(escapeText(cell), {}), Table{{cell}});
    const Table csv = parseCsv(QStringLiteral("1,\"a\rb\",A\r2,c,B\r\r3,\"d\"\r"), {});
    QCOMPARE(csv, (Table{{"1", "a\rb", "A"}, {"2", "c", "B"}, {}, {"3", "d"}}));
    // Line numbers in messages count lone CRs too.
    try {
        parseCsv(QStringLiteral("a\rb\r\"c\"x"), QStringLiteral("f.csv"));
        QFAIL("no error");
    } catch (const ImportError& e) {
        QCOMPARE(e.description(), QStringLiteral("f.csv:3: text after a closing quote"));
    }
}

namespace {

// make's entry point on in-memory files: name -> bytes.
Inputs readAll(const QList<std::pair<QString, QByteArray>>& files, bool singleOnly = false,
               const std::vector<std::pair<QString, QString>>& renames = {}) {
    InputOptions options;
    options.singleOnly = singleOnly;
    options.renames = renames;
    QStringList paths;
    for (const auto& f : files) {
        paths.append(f.first);
    }
    return readInputs(paths, options, [&files](const QString& path) {
        for (const auto& f : files) {
            if (f.first == path) {
                return f.second;
            }
        }
        return QByteArray();
    });
}

// Columns 1 to 3 of a written sheet's rows, "a|b|c", in row order.
QStringList bankRows(const bank::SheetSpec& sheet) {
    std::map<int, QStringList> rows;
    for (const bank::CellSpec& c : sheet.cells) {
        QStringList& row = rows[c.row];
        while (row.size() < 3) {
            row.append(QString());
        }
        if (c.column <= 3) {
            row[c.column - 1] = c.value.kind == bank::CellValue::Kind::Number
                                    ? QString::number(c.value.number)
                                    : c.value.text;
        }
    }
    QStringList out;
    for (const auto& [r, row] : rows) {
        out.append(QString::number(r) + u':' + row.join(u'|'));
    }
    return out;
}

} // namespace

// Header names in any letter case, with blanks and full-width forms; the kinds a bank cannot
// hold refused, or left out and counted with --single-only, the rows after them in order.
void TestInputs::questionTable() {
    const QByteArray csv = "\n"
                           "题 号,ＱＵＥＳＴＩＯＮ,Option A,选项B,C选项,d,答案,难度,题型,来源\n"
                           "7,心脏有几个腔,1,2,3,4,d,易,单选,书\n"
                           "8,哪些是器官,心,肝,血,骨,AB,,,\n"
                           "9,血液是组织,,,,,对,,,\n"
                           "10,填空：心脏位于___,,,,,胸腔,,填空,\n"
                           "11,哪项属于多选,a,b,c,d,A,,多选,\n"
                           "12,肺有几叶,2,3,4,5,Ｄ,,,\n"
                           "13,心脏在左侧,是,否,,,✔,,,\n";
    const QString path = QStringLiteral("sheet1.csv");
    const Inputs refused = readAll({{path, csv}});
    QCOMPARE(
        refused.findings,
        (QStringList{path + QStringLiteral(": 2 multiple-answer questions (lines 4, 7): the "
                                           "program asks single-choice questions only; "
                                           "give --single-only to leave them out"),
                     path + QStringLiteral(": 2 true/false questions (lines 5, 9): the program "
                                           "asks single-choice questions only; give "
                                           "--single-only to leave them out"),
                     path + QStringLiteral(": 1 without options question (line 6): the "
                                           "program asks single-choice questions only; give "
                                           "--single-only to leave them out")}));
    const Inputs made = readAll({{path, csv}}, true);
    QVERIFY(made.findings.isEmpty());
    QCOMPARE(made.summary,
             QStringList{QStringLiteral("sheet1 (2 questions from a question table)")});
    QCOMPARE(bankRows(made.spec.sheets.at(0)),
             (QStringList{QStringLiteral("1:7|心脏有几个腔\nA．1\nB．2\nC．3\nD．4|D"),
                          QStringLiteral("2:12|肺有几叶\nA．2\nB．3\nC．4\nD．5|D")}));
    QCOMPARE(made.notes.first(),
             path + QStringLiteral(": the column \"来源\" (column J) of the question table is none "
                                   "of the known headers and left out"));
    QVERIFY(made.notes.contains(path + QStringLiteral(": 2 multiple-answer questions (lines 4, 7) "
                                                      "left out")));
    QCOMPARE(made.leftOut.size(), 5);
    QCOMPARE(made.leftOut.first(),
             path + QStringLiteral(":4: left out (multiple-answer question)"));
}

void TestInputs::optionsInOneColumn() {
    const QByteArray tsv = "题干\t选项\t正确答案\n"
                           "甲\tA.x, B.y,C.z\tB\n"
                           "乙\tA、红；B、绿\tA\n"
                           "丙\t左\\n右\\n中\tC\n"
                           "丁\tA . 上 B ．下\tB\n";
    const Inputs made = readAll({{QStringLiteral("t.tsv"), tsv}});
    QCOMPARE(bankRows(made.spec.sheets.at(0)),
             (QStringList{QStringLiteral("1:1|甲\nA．x\nB．y\nC．z|B"),
                          QStringLiteral("2:2|乙\nA．红\nB．绿|A"),
                          QStringLiteral("3:3|丙\nA．左\nB．右\nC．中|C"),
                          QStringLiteral("4:4|丁\nA．上\nB．下|B")}));
}

// A sheet whose first non-empty row names no question and answer column stays as it is.
void TestInputs::notATable() {
    const QByteArray tsv = "1\t题目\tA\n2\t问\n";
    const Inputs made = readAll({{QStringLiteral("sheet1.tsv"), tsv}});
    QCOMPARE(bankRows(made.spec.sheets.at(0)),
             (QStringList{QStringLiteral("1:1|题目|A"), QStringLiteral("2:2|问|")}));
    QCOMPARE(made.summary, QStringList{QStringLiteral("sheet1 (2 rows)")});
}

// Cells written over by later blank ones are no header: the first row still showing text is,
// wherever the cells stand in the list.
void TestInputs::headerAfterBlankedCells() {
    bank::SheetSpec sheet;
    sheet.name = QStringLiteral("表");
    auto text = [](const char* t) { return bank::CellValue::ofText(QString::fromUtf8(t)); };
    sheet.cells = {{3, 1, text("甲")},
                   {3, 2, text("A.x B.y")},
                   {3, 3, text("B")},
                   {1, 1, text("说明")},
                   {2, 1, text("题干")},
                   {2, 2, text("选项")},
                   {2, 3, text("答案")},
                   {1, 1, text("  ")},
                   {1, 2, bank::CellValue::blank()},
                   {4, 1, bank::CellValue::ofNumber(5)},
                   {4, 3, text("A")},
                   {4, 3, text(" ")}};
    const auto table = readQuestionTable(sheet, QStringLiteral("t.xlsx"));
    QVERIFY(table.has_value());
    QCOMPARE(table->questions, 1);
    QCOMPARE(bankRows(table->sheet), QStringList{QStringLiteral("1:1|甲\nA．x\nB．y|B")});
    QCOMPARE(table->others.size(), size_t(1)); // row 4: no options
    QCOMPARE(table->others[0].line, qint64(4));

    // Without the blanking, the first row is no header and the sheet no table.
    sheet.cells.resize(7);
    QVERIFY(!readQuestionTable(sheet, QStringLiteral("t.xlsx")).has_value());
}

// Sheets named 人文 and 临床 become the banks at positions 1 and 2; one bank alone is written
// with a warning; neither is refused naming --rename.
void TestInputs::banksByName() {
    QByteArray five;
    for (int k = 1; k <= 5; ++k) {
        five += QByteArray::number(k) + "\t题\\nA. 甲\\nB. 乙\tB\n";
    }
    const Inputs both = readAll({{QStringLiteral("其他.tsv"), five},
                                 {QStringLiteral("临床.tsv"), five},
                                 {QStringLiteral("人文.tsv"), five}});
    QCOMPARE(both.spec.sheets.at(0).name, QStringLiteral("sheet1"));
    QCOMPARE(both.spec.sheets.at(1).name, QStringLiteral("sheet2"));
    QCOMPARE(both.spec.sheets.at(2).name, QStringLiteral("其他"));
    QCOMPARE(both.notes, (QStringList{QStringLiteral("the sheet 人文 becomes the bank sheet1 at "
                                                     "position 1"),
                                      QStringLiteral("the sheet 临床 becomes the bank sheet2 at "
                                                     "position 2")}));
    QCOMPARE(both.bankFindings, QStringList());
    QCOMPARE(both.summary,
             (QStringList{QStringLiteral("sheet1 (5 rows)"), QStringLiteral("sheet2 (5 rows)"),
                          QStringLiteral("其他 (5 rows)")}));

    // 临床 alone keeps the first position for the sheet before it; a rename names the summary.
    const Inputs second =
        readAll({{QStringLiteral("临床.tsv"), five}, {QStringLiteral("其他.tsv"), "a\tb\n"}}, false,
                {{QStringLiteral("其他"), QStringLiteral("别的")}});
    QCOMPARE(second.summary,
             (QStringList{QStringLiteral("别的 (1 rows)"), QStringLiteral("sheet2 (5 rows)")}));
    QCOMPARE(second.notes.first(),
             QStringLiteral("the sheet 临床 becomes the bank sheet2 at position 2"));

    const Inputs one = readAll({{QStringLiteral("sheet1.tsv"), five}});
    QCOMPARE(one.notes, QStringList{QStringLiteral("warning: no sheet sheet2 (临床): the program "
                                                   "will find that bank missing")});
    QCOMPARE(one.bankFindings, QStringList());

    const Inputs none = readAll({{QStringLiteral("题库.tsv"), five}});
    QCOMPARE(none.bankFindings.size(), 1);
    QVERIFY2(none.bankFindings[0].contains(QStringLiteral("--rename OLD=sheet1")),
             qPrintable(none.bankFindings[0]));
}

// The rules check and make share: a question without option lines, an answer naming no option,
// a header row. Blanks before an option's point are allowed, as in question lists.
void TestInputs::checkRules() {
    bank::SheetSpec sheet;
    sheet.name = QStringLiteral("sheet1");
    auto row = [&](int r, const QString& question, const QString& answer) {
        sheet.cells.push_back({r, 2, bank::CellValue::ofText(question)});
        sheet.cells.push_back({r, 3, bank::CellValue::ofText(answer)});
    };
    row(1, QStringLiteral("题目"), QStringLiteral("答案"));
    row(2, QStringLiteral("问\nA. 甲\nB. 乙\nC. 丙\nD. 丁"), QStringLiteral("E"));
    row(3, QStringLiteral("没有选项的题"), QStringLiteral("A"));
    row(4, QStringLiteral("问\nA．甲  B．乙"), QStringLiteral("B"));
    row(5, QStringLiteral("问\n Ａ、甲\nC) 丙"), QStringLiteral("B"));
    row(6, QStringLiteral("问\nA . 甲  B ．乙\nC  ：丙"), QStringLiteral("C"));
    const BankCheck found = checkBanks(bank::WorkbookSpec{{sheet}});
    QCOMPARE(found.findings,
             (QStringList{
                 QStringLiteral("sheet1 (人文): row 1: a header row (\"题目\" | \"答案\"), not a "
                                "question"),
                 QStringLiteral("sheet1 (人文): row 2: the answer E names no option of the "
                                "question (its options are A-D)"),
                 QStringLiteral("sheet1 (人文): row 3: the question has no option lines (A．…, "
                                "B．…)"),
                 QStringLiteral("sheet1 (人文): row 5: the answer B names no option of the "
                                "question (its options are A, C)")}));
}

QTEST_GUILESS_MAIN(TestInputs)
#include "test_inputs.moc"
