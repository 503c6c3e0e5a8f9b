// Question lists: the typed layouts bank authors use become exactly their rows, and what cannot
// be taken is reported by line.

#include "import/importerror.h"
#include "import/questionlist.h"
#include "import/textlines.h"

#include <QtTest>

using namespace tiku;
using namespace tiku::import;

namespace {

// Row k as "A|B|C", cells absent left empty; number cells written as integers.
QStringList rows(const bank::SheetSpec& sheet) {
    QStringList out;
    for (const bank::CellSpec& c : sheet.cells) {
        while (out.size() < c.row) {
            out.append(QStringLiteral("||"));
        }
        QStringList parts = out[c.row - 1].split(u'|');
        parts[c.column - 1] = c.value.kind == bank::CellValue::Kind::Number
                                  ? QString::number(qint64(c.value.number))
                                  : c.value.text;
        out[c.row - 1] = parts.join(u'|');
    }
    return out;
}

QuestionList parse(const QString& text) {
    return parseQuestionList(splitLines(text), QStringLiteral("q.txt"), QStringLiteral("q"));
}

} // namespace

class TestQuestionList : public QObject {
    Q_OBJECT

private slots:
    void layouts_data();
    void layouts();
    void leftOutLines();
    void refused_data();
    void refused();
    void textDecoding();
};

void TestQuestionList::layouts_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("full-width number, options on their own lines, answer line")
        << QStringLiteral("１．题干（　　）\nA．甲\nB．乙\n答案：B\n")
        << QStringList{QStringLiteral("1|题干（　　）\nA．甲\nB．乙|B")};
    QTest::newRow("several options on a line, blanks around them trimmed")
        << QStringLiteral("  12、 题干  \n A. 甲  B. 乙　C. 丙 \n正确答案 C")
        << QStringList{QStringLiteral("12|题干\nA. 甲\nB. 乙\nC. 丙|C")};
    QTest::newRow("bracketed numbers, continued text and options, CRLF")
        << QStringLiteral("(3) 第一行\r\n第二行\r\nA) 甲\r\n  甲续\r\nB) 乙\r\n参考答案：Ａ\r\n"
                          "（4）又一题\r\nＡ：x\r\nＢ：y\r\n【答案】 b\r\n")
        << QStringList{QStringLiteral("3|第一行\n第二行\nA) 甲\n甲续\nB) 乙|A"),
                       QStringLiteral("4|又一题\nＡ：x\nＢ：y|B")};
    QTest::newRow("answer in the last brackets, half- and full-width")
        << QStringLiteral("1) 先（注）后（ Ｃ ）\nA. a B. b C. c\n2） 题( D )\nA.1\nB.2\nC.3\nD.4")
        << QStringList{QStringLiteral("1|先（注）后（　　）\nA. a\nB. b\nC. c|C"),
                       QStringLiteral("2|题（　　）\nA.1\nB.2\nC.3\nD.4|D")};
    QTest::newRow("an answer line wins over brackets; a dose inside a question continues it")
        << QStringLiteral("1. 剂量（ A ）\n2.5毫克\nA. x\nB. y\n答案: B")
        << QStringList{QStringLiteral("1|剂量（ A ）\n2.5毫克\nA. x\nB. y|B")};
    QTest::newRow("a number and a point before digits starts a question between questions")
        << QStringLiteral("1.2019年甲\nA. x\nB. y\n答案: A\n解析\n2.2020年乙（ A ）\nA. x\nB. y\n"
                          "C.1\n3.2021年丙（ B ）\nA. x\nB. y")
        << QStringList{QStringLiteral("1|2019年甲\nA. x\nB. y|A"),
                       QStringLiteral("2|2020年乙（　　）\nA. x\nB. y\nC.1|A"),
                       QStringLiteral("3|2021年丙（　　）\nA. x\nB. y|B")};
    QTest::newRow("the k-th question is row k whatever its number")
        << QStringLiteral("7. a\nA. x\nB. y\n答案：A\n\n\n3. b\nA. x\nB. y\n答案：B")
        << QStringList{QStringLiteral("7|a\nA. x\nB. y|A"), QStringLiteral("3|b\nA. x\nB. y|B")};
}

void TestQuestionList::layouts() {
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    const QuestionList list = parse(text);
    QCOMPARE(list.findings, QStringList());
    QCOMPARE(rows(list.sheet), expected);
    QCOMPARE(list.questions, expected.size());
    QCOMPARE(list.sheet.name, QStringLiteral("q"));
}

void TestQuestionList::leftOutLines() {
    const QuestionList list = parse(QStringLiteral("模拟试卷\n\n一、单选题\n1. a\nA. x\nB. y\n"
                                                   "答案：A\n解析：略\n考点：无\n二、多选题\n2. b\n"
                                                   "A. x\nB. y\n答案：B\n"));
    QCOMPARE(list.findings, QStringList());
    QCOMPARE(list.questions, 2);
    QCOMPARE(list.leftOut,
             (QStringList{
                 QStringLiteral("q.txt:1: left out (before the first question): \"模拟试卷\""),
                 QStringLiteral("q.txt:3: left out (heading): \"一、单选题\""),
                 QStringLiteral("q.txt:8: left out (after the answer): \"解析：略\""),
                 QStringLiteral("q.txt:9: left out (after the answer): \"考点：无\""),
                 QStringLiteral("q.txt:10: left out (heading): \"二、多选题\""),
             }));
}

void TestQuestionList::refused_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("findings");
    QTest::newRow("no answer") << QStringLiteral("1. a（　）\nA. x\nB. y\n")
                               << QStringList{QStringLiteral(
                                      "q.txt:1: question 1 has no answer (no 答案 line, no letter "
                                      "in its last brackets, and no answer key entry)")};
    QTest::newRow("one option") << QStringLiteral("\n1. a\nA. x\n答案：A")
                                << QStringList{QStringLiteral(
                                       "q.txt:2: question 1 has 1 option(s), fewer than two")};
    QTest::newRow("out of order and repeated")
        << QStringLiteral("1. a\nA. x\nC. y\n答案：A\n2. b\nA. x B. y\nB. z\n答案：B")
        << QStringList{
               QStringLiteral("q.txt:1: question 1: option C on line 3 comes where B belongs: "
                              "options out of order or repeated"),
               QStringLiteral("q.txt:5: question 2: option B on line 7 comes where C belongs: "
                              "options out of order or repeated")};
    QTest::newRow("answer not an option, not a letter, none")
        << QStringLiteral("1. a\nA. x\nB. y\n答案：C\n2. b\nA. x\nB. y\n答案：见\x1b[2J\n3. c\n"
                          "A. x\nB. y\n答案：\n")
        << QStringList{
               QStringLiteral("q.txt:1: question 1 has the answer C, which is not one of its "
                              "options A-B"),
               QStringLiteral("q.txt:8: the answer \"见\\x1b[2J\" is not a letter"),
               QStringLiteral("q.txt:9: question 3 has no answer (no 答案 line, no letter in its "
                              "last brackets, and no answer key entry)")};
    QTest::newRow("nothing that looks like a question")
        << QStringLiteral("只是一段文字\n")
        << QStringList{QStringLiteral("q.txt: no question found (a question starts with its "
                                      "number, such as \"1．\")")};
}

void TestQuestionList::refused() {
    QFETCH(QString, text);
    QFETCH(QStringList, findings);
    QCOMPARE(parse(text).findings, findings);
}

void TestQuestionList::textDecoding() {
    const QString text = QStringLiteral("1．题干\nA．甲\n");
    QCOMPARE(decodeText("\xEF\xBB\xBF" + text.toUtf8(), QStringLiteral("u.txt")), text);
    QCOMPARE(decodeText(text.toUtf8(), QStringLiteral("u.txt")), text);
    // GB18030, as Chinese Windows saves text: 答案：C
    QCOMPARE(decodeText(QByteArray("\xB4\xF0\xB0\xB8\xA3\xBA"
                                   "C"),
                        QStringLiteral("g.txt")),
             QStringLiteral("答案：C"));
    QVERIFY_THROWS_EXCEPTION(
        ImportError, decodeText(QByteArray("\x81\x20\x00\xFF", 4), QStringLiteral("b.txt")));
    QCOMPARE(splitLines(QStringLiteral("a\r\nb\rc\n\nd")),
             (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QString(),
                          QStringLiteral("d")}));
}

QTEST_GUILESS_MAIN(TestQuestionList)
#include "test_questionlist.moc"
