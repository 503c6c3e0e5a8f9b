// Question lists: the typed layouts bank authors use become exactly their rows, and what cannot
// be taken is reported by line.

#include "import/importerror.h"
#include "import/questionlist.h"
#include "import/textlines.h"
#include "import/ziparchive.h"
#include "packages.h"

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

QuestionList parse(const QString& text, ListSyntax syntax = ListSyntax::Text) {
    return parseQuestionText(text, QStringLiteral("q.txt"), QStringLiteral("q"), syntax);
}

QStringList lineNumbers(const std::vector<OtherQuestion>& others) {
    QStringList out;
    for (const OtherQuestion& q : others) {
        out.append(QStringLiteral("%1@%2").arg(otherKindName(q.kind)).arg(q.line));
    }
    return out;
}

} // namespace

class TestQuestionList : public QObject {
    Q_OBJECT

private slots:
    void layouts_data();
    void layouts();
    void markdown();
    void otherQuestions();
    void leftOutLines();
    void badInputStaysLinear();
    void docxTrackChangesHiddenAndStrict();
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
    QTest::newRow("标准答案 starts an answer line as 答案 does")
        << QStringLiteral("1. a\nA. x\nB. y\n标准答案：B\n2. b\nA. x\nB. y\n标准答案 A")
        << QStringList{QStringLiteral("1|a\nA. x\nB. y|B"), QStringLiteral("2|b\nA. x\nB. y|A")};
    QTest::newRow("a blank before the point, even after an answer line")
        << QStringLiteral("11 . a\n A . x  B ．y\n答案：A\n12 ．b\nA．x\nB．y\n答案：B")
        << QStringList{QStringLiteral("11|a\nA . x\nB ．y|A"),
                       QStringLiteral("12|b\nA．x\nB．y|B")};
    QTest::newRow("the answer letter after the last brackets")
        << QStringLiteral("1．甲（  ）D\nA.a\nB.b\nC.c\nD.d\n2．乙( )  B。\nA.a\nB.b")
        << QStringList{QStringLiteral("1|甲（　　）\nA.a\nB.b\nC.c\nD.d|D"),
                       QStringLiteral("2|乙（　　）\nA.a\nB.b|B")};
    QTest::newRow("an answer key: entries of every form, several to a line")
        << QStringLiteral("1. a\nA. x\nB. y\n2. b\nA. x\nB. y\n3. c\nA. x\nB. y\n4. d\nA. x\n"
                          "B. y\n【参考答案】\n1.B 2、A；3 B\n4A")
        << QStringList{QStringLiteral("1|a\nA. x\nB. y|B"), QStringLiteral("2|b\nA. x\nB. y|A"),
                       QStringLiteral("3|c\nA. x\nB. y|B"), QStringLiteral("4|d\nA. x\nB. y|A")};
    QTest::newRow("keys per chapter, ranges, numbers restarting")
        << QStringLiteral("第一章 总论\n1. a\nA. x\nB. y\n2. b\nA. x\nB. y\n第1章参考答案：1-2 BA\n"
                          "第二章\n1. c\nA. x\nB. y\n答案\n1～1：Ｂ")
        << QStringList{QStringLiteral("1|a\nA. x\nB. y|B"), QStringLiteral("2|b\nA. x\nB. y|A"),
                       QStringLiteral("1|c\nA. x\nB. y|B")};
    QTest::newRow("a key's sections go to the questions' sections of the same heading")
        << QStringLiteral(
               "一、单项选择题（每题1分）\n1. a\nA. x\nB. y\n二、最佳选择题\n1. b\nA. x\n"
               "B. y\n参考答案\n二、最佳选择题\n1.A\n一、单项选择题\n1.B")
        << QStringList{QStringLiteral("1|a\nA. x\nB. y|B"), QStringLiteral("1|b\nA. x\nB. y|A")};
    QTest::newRow("A3/A4: a shared case text in front of each stem")
        << QStringLiteral(
               "（1～2题共用题干）\n男，45岁。\n胸痛2小时。\n1. 诊断\nA. x\nB. y\n答案：A\n"
               "2. 治疗\nA. x\nB. y\n答案：B\n3. 无关\nA. x\nB. y\n答案：A")
        << QStringList{QStringLiteral("1|男，45岁。\n胸痛2小时。\n诊断\nA. x\nB. y|A"),
                       QStringLiteral("2|男，45岁。\n胸痛2小时。\n治疗\nA. x\nB. y|B"),
                       QStringLiteral("3|无关\nA. x\nB. y|A")};
    QTest::newRow("B1: shared options for questions that carry a stem and an answer")
        << QStringLiteral("(4-5题共用备选答案)\nA. 甲\nB. 乙 C. 丙\n4. 哪个（ C ）\n5. 又哪个\n"
                          "答案：A")
        << QStringList{QStringLiteral("4|哪个（　　）\nA. 甲\nB. 乙\nC. 丙|C"),
                       QStringLiteral("5|又哪个\nA. 甲\nB. 乙\nC. 丙|A")};
    QTest::newRow("letters run together in a key")
        << QStringLiteral("1. a\nA. x\nB. y\n2. b\nA. x\nB. y\n答案：1B2A")
        << QStringList{QStringLiteral("1|a\nA. x\nB. y|B"), QStringLiteral("2|b\nA. x\nB. y|A")};
    QTest::newRow("letters in brackets inside or at the end of a stem, with a key: a name")
        << QStringLiteral("1. 抑制剂（ACE）的副作用是\nA. x\nB. y\n2. 常用抑制剂（ACE）。\nA. x\n"
                          "B. y\n答案\n1.B 2.A")
        << QStringList{QStringLiteral("1|抑制剂（ACE）的副作用是\nA. x\nB. y|B"),
                       QStringLiteral("2|常用抑制剂（ACE）。\nA. x\nB. y|A")};
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

void TestQuestionList::markdown() {
    const QuestionList list =
        parse(QStringLiteral("# 模拟题\n\n## **1.** 题干一\n\n- A. 甲\n- B. 乙\n\n"
                             "**答案：** B\n\n### 哪个是对的？\n\n- [ ] 甲\n"
                             "- [x] 乙\n- [ ] 丙\n\n解析：乙。\n\n"
                             "3\\. 第三题\n* [ ] 是\n* [ ] 否\n\n## 参考答案\n\n> 3. *A*\n"),
              ListSyntax::Markdown);
    QCOMPARE(list.findings, QStringList());
    QCOMPARE(rows(list.sheet), (QStringList{QStringLiteral("1|题干一\nA. 甲\nB. 乙|B"),
                                            QStringLiteral("2|哪个是对的？\nA．甲\nB．乙\nC．丙|B"),
                                            QStringLiteral("3|第三题\nA．是\nB．否|A")}));
    QCOMPARE(list.leftOutCount, 2); // the title and the explanation
}

void TestQuestionList::otherQuestions() {
    // Mixed kinds: the single-choice questions become rows in order; the others are listed.
    const QuestionList list = parse(QStringLiteral(
        "1. 单选\nA. x\nB. y\n答案：B\n2. 多选\nA. x\nB. y\nC. z\n答案：AC\n3. 判断（√）\n"
        "4. 填空____\n答案：无\n5. 判断二\n6. 又单选（ A ）\nA. x\nB. y\n7. 哪些对（ A B ）\n"
        "A. x\nB. y\n8. 还有哪些（AB）\nA. x\nB. y\n9. 判断三\n10. 判断四\n参考答案\n5 ×\n7 AB\n"
        "9～10 √×"));
    QCOMPARE(list.findings, QStringList());
    QCOMPARE(rows(list.sheet), (QStringList{QStringLiteral("1|单选\nA. x\nB. y|B"),
                                            QStringLiteral("6|又单选（　　）\nA. x\nB. y|A")}));
    QCOMPARE(
        lineNumbers(list.others),
        (QStringList{QStringLiteral("multiple-answer@5"), QStringLiteral("true/false@10"),
                     QStringLiteral("without options@11"), QStringLiteral("true/false@13"),
                     QStringLiteral("multiple-answer@17"), QStringLiteral("multiple-answer@20"),
                     QStringLiteral("true/false@23"), QStringLiteral("true/false@24")}));
}

void TestQuestionList::badInputStaysLinear() {
    // A key of a million entries, a group claiming a million questions, a million left-out lines:
    // one pass, the left-out lines and findings listed only up to their caps.
    QString text = QStringLiteral("（1～1000000题共用题干）\n病例\n1. a\nA. x\nB. y\n答案：\n");
    for (int i = 0; i < 1'000'000; ++i) {
        text += QStringLiteral("%1.A ").arg(i % 3 == 0 ? 1 : i);
    }
    text += QStringLiteral("\n");
    text += QStringLiteral("多余\n").repeated(1'000'000);
    const QuestionList list = parse(text);
    QCOMPARE(list.questions, 1);
    QCOMPARE(list.leftOutCount, 1'000'000);
    QCOMPARE(list.leftOut.size(), kMaxListedLeftOut);
    QCOMPARE(list.findings.size(), kMaxListedFindings + 1);
    QVERIFY(list.findings.back().endsWith(QStringLiteral("more findings")));
}

void TestQuestionList::docxTrackChangesHiddenAndStrict() {
    using namespace testing::packages;
    auto p = [](const QByteArray& runs) { return "<w:p>" + runs + "</w:p>"; };
    auto r = [](const QByteArray& text, const QByteArray& props = {}) {
        return "<w:r><w:rPr>" + props + "</w:rPr><w:t xml:space=\"preserve\">" + text +
               "</w:t></w:r>";
    };
    const QByteArray body =
        p(r("1. 题一（　　）")) + p(r("A. x")) + p(r("B. y")) +
        p(r("答案：") + r("Ｃ", "<w:vanish/>")) + "<w:moveFrom w:id=\"1\" w:author=\"a\">" +
        p(r("2. 移走的题")) + "</w:moveFrom>" +
        p("<w:moveTo w:id=\"2\" w:author=\"a\">" + r("2. 移来的题（ A ）") + "</w:moveTo>") +
        p(r("A. x")) + p(r("B. y"));
    const std::vector<int> expectedHidden{4};
    for (const bool strict : {false, true}) {
        Entries entries = docxEntries(body);
        if (strict) {
            for (auto& [name, data] : entries) {
                data.replace("http://schemas.openxmlformats.org/wordprocessingml/2006/main",
                             "http://purl.oclc.org/ooxml/wordprocessingml/main");
                data.replace("http://schemas.openxmlformats.org/officeDocument/2006/relationships",
                             "http://purl.oclc.org/ooxml/officeDocument/relationships");
            }
        }
        const QByteArray bytes = zipped(entries); // the archive reads from it
        ZipArchive archive(bytes, QStringLiteral("t.docx"));
        QVERIFY(isDocx(archive));
        std::vector<int> hidden;
        const QStringList lines = readDocxLines(archive, &hidden);
        QCOMPARE(lines, (QStringList{QStringLiteral("1. 题一（　　）"), QStringLiteral("A. x"),
                                     QStringLiteral("B. y"), QStringLiteral("答案：Ｃ"),
                                     QStringLiteral("2. 移来的题（ A ）"), QStringLiteral("A. x"),
                                     QStringLiteral("B. y")}));
        QCOMPARE(hidden, expectedHidden);
        // The hidden answer is the author's.
        const QuestionList list = parseQuestionList(lines, QStringLiteral("t.docx"),
                                                    QStringLiteral("t"), ListSyntax::Text, hidden);
        QCOMPARE(
            list.findings,
            QStringList{QStringLiteral(
                "t.docx:1: question 1 has the answer C, which is not one of its options A-B")});
        QCOMPARE(rows(list.sheet).value(1), QStringLiteral("2|移来的题（　　）\nA. x\nB. y|A"));
    }
    // A finding on a line that holds hidden text says so.
    const QuestionList hiddenAnswer =
        parseQuestionList({QStringLiteral("1. a"), QStringLiteral("A. x"), QStringLiteral("B. y"),
                           QStringLiteral("答案：见")},
                          QStringLiteral("t.docx"), QStringLiteral("t"), ListSyntax::Text, {4});
    QCOMPARE(hiddenAnswer.findings,
             QStringList{QStringLiteral("t.docx:4: the answer \"见\" is not a letter (the line "
                                        "holds text hidden in Word, read as if shown)")});
}

void TestQuestionList::leftOutLines() {
    const QuestionList list =
        parse(QStringLiteral("模拟\x1b]0;x\a试卷\n\n一、单选题\n1. a\nA. x\nB. y\n"
                             "答案：A\n解析：略\n考点：无\n二、多选题\n2. b\n"
                             "A. x\nB. y\n答案：B\n"));
    QCOMPARE(list.findings, QStringList());
    QCOMPARE(list.questions, 2);
    QCOMPARE(list.leftOut, (QStringList{
                               QStringLiteral("q.txt:1: left out (before the first question): "
                                              "\"模拟\\x1b]0;x\\x07试卷\""),
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
    QTest::newRow("an option or answer line after the answer, named, never dropped")
        << QStringLiteral("1. a\nA. x\nB. y\n答案：A\nC. z\n答案：B\n解析：\nD. 不是选项")
        << QStringList{QStringLiteral("q.txt:5: an option after the answer of question 1, which "
                                      "belongs to no question: \"C. z\""),
                       QStringLiteral("q.txt:6: an answer line after the answer of question 1, "
                                      "which belongs to no question: \"答案：B\"")};
    QTest::newRow("a key entry without its question, a question the key leaves out")
        << QStringLiteral("1. a\nA. x\nB. y\n2. b\nA. x\nB. y\n答案：\n1.A 3.B\n1-3 AB")
        << QStringList{QStringLiteral("q.txt:4: question 2 has no answer (no 答案 line, no "
                                      "letter in its last brackets, and no answer key entry)"),
                       QStringLiteral("q.txt:8: the answer key gives question 3 the answer "
                                      "\"B\", but no question 3 comes before it"),
                       QStringLiteral("q.txt:9: the answer key's range 1-3 gives 2 answers, not "
                                      "3")};
    QTest::newRow("letters inside a stem are no answer; end brackets a key contradicts")
        << QStringLiteral("1. 抑制剂（AB）的作用\nA. x\nB. y\n2. 哪些（AB）\nA. x\nB. y\n"
                          "答案\n2 BC")
        << QStringList{QStringLiteral("q.txt:1: question 1 has no answer (no 答案 line, no "
                                      "letter in its last brackets, and no answer key entry)"),
                       QStringLiteral("q.txt:8: the answer key gives question 2 the answer "
                                      "\"BC\", but it has the answer \"AB\" (line 4)")};
    QTest::newRow("a key heading with no questions under it")
        << QStringLiteral("一、单选题\n1. a\nA. x\nB. y\n答案\n二、多选题\n1.AB\n")
        << QStringList{QStringLiteral("q.txt:2: question 1 has no answer (no 答案 line, no "
                                      "letter in its last brackets, and no answer key entry)"),
                       QStringLiteral("q.txt:6: the answer key's heading \"二、多选题\" names no "
                                      "heading of the questions before it")};
    QTest::newRow("a group whose questions never come")
        << QStringLiteral("（1～2题共用题干）\n病例\n5. a\nA. x\nB. y\n答案：A")
        << QStringList{QStringLiteral("q.txt:1: the case text shared by questions 1-2 goes to no "
                                      "question: none of those numbers follows")};
    QTest::newRow("a sixth option names only A-E")
        << QStringLiteral("1. a\nA. x B. y C. z D. w E. v\nA. u\n答案：A")
        << QStringList{QStringLiteral("q.txt:1: question 1: option A on line 3 comes after "
                                      "option E: options repeated")};
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
    // UTF-16 with its byte order mark, little- and big-endian, as Notepad saves "Unicode"
    QByteArray le("\xFF\xFE", 2);
    QByteArray be("\xFE\xFF", 2);
    for (QChar c : text) {
        le += char(c.unicode() & 0xFF);
        le += char(c.unicode() >> 8);
        be += char(c.unicode() >> 8);
        be += char(c.unicode() & 0xFF);
    }
    QCOMPARE(decodeText(le, QStringLiteral("le.txt")), text);
    QCOMPARE(decodeText(be, QStringLiteral("be.txt")), text);
    QCOMPARE(splitLines(QStringLiteral("a\r\nb\rc\n\nd")),
             (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QString(),
                          QStringLiteral("d")}));
}

QTEST_GUILESS_MAIN(TestQuestionList)
#include "test_questionlist.moc"
