// The mock test screen through its real widgets: the set-up of a test run with its failure
// paths, answering and moving, the answer on hover, and leaving. Its design is
// test_mocktestlayout.cpp, the run's rules test_mocktestrun.cpp.

#include "mockteststeps.h"

#include "bank/bankformat.h"

#include <set>

using namespace tiku;
using namespace tiku::testing;

namespace {

// A worksheet of n rows whose column 2 holds an error value and column 3 a letter.
bank::SheetSpec errorSheet(const QString& name, int n) {
    bank::SheetSpec sheet;
    sheet.name = name;
    for (int row = 1; row <= n; ++row) {
        sheet.cells.push_back({row, 2, bank::CellValue::ofError(bank::ErrorValue::Div0)});
        sheet.cells.push_back({row, 3, bank::CellValue::ofText(QStringLiteral("A"))});
    }
    return sheet;
}

void writeSheets(ScreenHarness& h, std::vector<bank::SheetSpec> sheets,
                 const bank::WriteOptions& options = {}) {
    bank::WorkbookSpec spec;
    spec.sheets = std::move(sheets);
    bank::writeWorkbookFile(h.folder() + QStringLiteral("/dxt.xls"), spec, options);
}

} // namespace

class MockTestTest : public QObject {
    Q_OBJECT

    // The question and answer of the bank row of question k, as the writer stored them.
    static void verifyShows(MockTest& f, const std::vector<Question>& bank, int k) {
        QCOMPARE(int(f.run().currentNo()), k);
        QCOMPARE(f.questionNumberLabel->text(), QString::number(k));
        const int row = f.run().paperRows()[k];
        QVERIFY(row >= 1 && row <= int(bank.size()));
        QCOMPARE(f.questionBox->toPlainText(), bank[row - 1].text);
        QCOMPARE(f.answerBox->text(), bank[row - 1].answer);
        QCOMPARE(f.run().rightAnswers()[k], bank[row - 1].answer);
    }

private slots:
    void cleanup() { QCOMPARE(bank::Application::runningInstances(), 0); }

    // ---- set-up ---------------------------------------------------------------------------

    void setUpShowsQuestionOne_data() {
        QTest::addColumn<bool>("secondBank");
        QTest::addColumn<int>("bankSize");
        QTest::addColumn<int>("count");
        QTest::newRow("人文, 5 of 12") << false << 12 << 5;
        QTest::newRow("临床, 5 of 12") << true << 12 << 5;
        QTest::newRow("人文, 20 of 20") << false << 20 << 20;
    }
    void setUpShowsQuestionOne() {
        QFETCH(bool, secondBank);
        QFETCH(int, bankSize);
        QFETCH(int, count);
        ScreenHarness h;
        const auto first = numberedQuestions(bankSize, QStringLiteral("人文"));
        const auto second = numberedQuestions(bankSize + 3, QStringLiteral("临床"));
        writeBank(h.folder(), first, second);
        MainMenu& menu = mainMenu(h);
        if (secondBank) {
            h.click(menu.bankOptions[1]);
        }
        MockTest& f = startTest(h, QString::number(count), false, false);
        const auto& bank = secondBank ? second : first;
        QCOMPARE(int(f.run().paperRows().size()), count + 1);
        QCOMPARE(int(f.run().chosenAnswers().size()), count + 1);
        QCOMPARE(int(f.run().rightAnswers().size()), count + 1);
        std::set<int> rows;
        for (int k = 1; k <= count; ++k) {
            QVERIFY(f.run().paperRows()[k] >= 1 && f.run().paperRows()[k] <= int(bank.size()));
            rows.insert(f.run().paperRows()[k]);
            QVERIFY(!f.run().chosenAnswers()[k].has_value());
            if (k > 1) {
                QCOMPARE(f.run().rightAnswers()[k], QString());
            }
        }
        QCOMPARE(int(rows.size()), count);
        verifyShows(f, bank, 1);
        QVERIFY(f.questionBox->toPlainText().startsWith(secondBank ? "临床" : "人文"));
        QCOMPARE(f.questionCountLabel->text(), QString::number(count));
        QStringList line;
        for (QLabel* l : {f.countPrefix, f.questionCountLabel, f.currentPrefix,
                          f.questionNumberLabel, f.currentSuffix}) {
            line << l->text();
        }
        QCOMPARE(line.join("|"), QStringLiteral("共|%1|题，当前第|1|题。").arg(count));
        QVERIFY(!f.answerBox->isVisible());
        QVERIFY(!f.previousButton->isEnabled());
        QVERIFY(f.nextButton->isEnabled());
        QCOMPARE(selectedOptions(f), 0);
        QVERIFY(f.session().hasService() && f.session().isOpen() && f.session().sheet());
        QCOMPARE(f.session().sheet()->name().toLower(), secondBank ? "sheet2" : "sheet1");
        QCOMPARE(h.timeline(), (QStringList{"start", "open"}));
        QCOMPARE(bank::Application::runningInstances(), 1);
        h.click(f.backButton);
        TIKU_VERIFY_SCRIPT(h);
    }

    void emptyCellsGiveEmptyTexts() {
        ScreenHarness h;
        writeBank(h.folder(), std::vector<Question>(5), numberedQuestions(5, "临床"));
        MockTest& f = startTest(h, QStringLiteral("5"));
        QCOMPARE(f.questionBox->toPlainText(), QString());
        QCOMPARE(f.answerBox->text(), QString());
        QCOMPARE(f.run().rightAnswers()[1], QString());
        QCOMPARE(f.questionNumberLabel->text(), QStringLiteral("1"));
        h.click(f.backButton);
        TIKU_VERIFY_SCRIPT(h);
    }

    // The worksheet is taken by name and the count by position: here sheet2 comes first.
    void sheetByNameCountByPosition_data() {
        QTest::addColumn<bool>("secondBank");
        QTest::newRow("人文: sheet1 read, first sheet (3 rows) counted") << false;
        QTest::newRow("临床: sheet2 read, second sheet (10 rows) counted") << true;
    }
    void sheetByNameCountByPosition() {
        QFETCH(bool, secondBank);
        ScreenHarness h;
        writeSheets(h, {bankSheet("sheet2", numberedQuestions(3, "临床")),
                        bankSheet("sheet1", numberedQuestions(10, "人文"))});
        MainMenu& menu = mainMenu(h);
        if (secondBank) {
            h.click(menu.bankOptions[1]);
        } else {
            h.expectMessage(QStringLiteral("题库中只有3道题，不足5道，无法组卷！"));
        }
        enterOptions(h, QStringLiteral("5"), true, true);
        if (secondBank) {
            MockTest& f = h.form<MockTest>();
            for (int k = 1; k <= 5; ++k) {
                QVERIFY(f.run().paperRows()[k] >= 1 && f.run().paperRows()[k] <= 10);
            }
            const int row = f.run().paperRows()[1];
            QCOMPARE(f.questionBox->toPlainText(),
                     row <= 3 ? numberedQuestions(3, "临床")[row - 1].text : QString());
            h.click(f.backButton);
        } else {
            QVERIFY(!h.isLoaded(MockTest::screenName()));
        }
        QVERIFY(!h.ended());
        TIKU_VERIFY_SCRIPT(h);
    }

    // Fewer used rows than questions: the test is refused, the workbook closed and the service
    // quit once each, and the main menu comes back; nothing hangs.
    void tooFewQuestions_data() {
        QTest::addColumn<int>("bankSize");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("message");
        QTest::newRow("3 for 5") << 3 << "5"
                                 << "题库中只有3道题，不足5道，无法组卷！";
        QTest::newRow("99 for 100") << 99 << "100"
                                    << "题库中只有99道题，不足100道，无法组卷！";
        QTest::newRow("7 for 7.5") << 7 << "7.5"
                                   << "题库中只有7道题，不足8道，无法组卷！";
    }
    void tooFewQuestions() {
        QFETCH(int, bankSize);
        QFETCH(QString, count);
        QFETCH(QString, message);
        ScreenHarness h;
        writeNumberedBank(h, bankSize);
        mainMenu(h);
        h.expectMessage(message);
        enterOptions(h, count, true, true);
        QCOMPARE(h.timeline(),
                 (QStringList{"start", "open", "msgbox " + message, "close", "quit"}));
        QVERIFY(!h.isLoaded(MockTest::screenName()));
        QVERIFY(h.form<MainMenu>().isVisible());
        QVERIFY(!h.form<TestOptions>().isVisible());
        QVERIFY(!h.ended());
        // The menu works on: a test that fits the bank starts.
        if (bankSize >= 5) {
            MockTest& f = startTest(h, QString::number(bankSize));
            QCOMPARE(f.questionNumberLabel->text(), QStringLiteral("1"));
            QCOMPARE(int(f.run().paperRows().size()), bankSize + 1);
            h.click(f.backButton);
        }
        TIKU_VERIFY_SCRIPT(h);
    }

    // A cell that has no text in the first question: the screen's own message, then close,
    // quit and the end of the program, in that order.
    void cellErrorEndsTheProgram() {
        ScreenHarness h;
        writeSheets(h,
                    {errorSheet("sheet1", 5), bankSheet("sheet2", numberedQuestions(5, "临床"))});
        h.expectMessage(QStringLiteral("发生错误，程序关闭！"));
        startTest(h, QStringLiteral("5"));
        QCOMPARE(h.timeline(), (QStringList{"start", "open", "msgbox 发生错误，程序关闭！", "close",
                                            "quit", "end 0"}));
        QVERIFY(h.ended());
        QCOMPARE(h.exitCode(), 0);
        MockTest& f = h.form<MockTest>();
        QVERIFY(!f.session().hasService());
        QVERIFY(!f.session().isOpen());
        QVERIFY(f.session().sheet()); // not cleared
        TIKU_VERIFY_SCRIPT(h);
    }

    // Failures while opening the bank are not the screen's: the toolkit reports them.
    void openingFailuresAreReportedByTheToolkit_data() {
        QTest::addColumn<QString>("fault");
        QTest::newRow("no workbook") << "missing";
        QTest::newRow("password refused") << "password";
        QTest::newRow("no such worksheet") << "sheet";
        QTest::newRow("more than 32767 rows") << "rows";
    }
    void openingFailuresAreReportedByTheToolkit() {
        QFETCH(QString, fault);
        ScreenHarness h;
        if (fault == "password") {
            bank::WriteOptions options;
            options.password = QStringLiteral("qmpzrtv58204618");
            writeBank(h.folder(), numberedQuestions(10, "人文"), numberedQuestions(10, "临床"),
                      options);
        } else if (fault == "sheet") {
            writeSheets(h, {bankSheet("题库", numberedQuestions(10, "人文")),
                            bankSheet("sheet2", numberedQuestions(10, "临床"))});
        } else if (fault == "rows") {
            bank::SheetSpec big = bankSheet("sheet1", numberedQuestions(10, "人文"));
            big.cells.push_back({32768, 1, bank::CellValue::blank()});
            writeSheets(h, {big, bankSheet("sheet2", numberedQuestions(10, "临床"))});
        }
        startTest(h, QStringLiteral("5"));
        TIKU_VERIFY_FAILURE_REPORT(h);
        QVERIFY(!h.timeline().contains(QStringLiteral("close")));
        if (fault == "rows") {
            const QString report = h.shown().first().text;
            QVERIFY2(report.contains("32768") && report.contains("32767") &&
                         report.contains("太多"),
                     qPrintable(report));
            QVERIFY(report.contains("6）"));
        }
    }

    // ---- answering and moving --------------------------------------------------------------

    // The two move buttons, row by row, on a paper of five questions.
    void moveButtonStates() {
        ScreenHarness h;
        const auto bank = numberedQuestions(8, "人文");
        writeBank(h.folder(), bank, numberedQuestions(8, "临床"));
        MockTest& f = startTest(h, QStringLiteral("5"), false, true);
        struct Step {
            QPushButton* MockTest::*button;
            int question;
            bool previous;
            bool next;
        };
        const Step steps[] = {
            {nullptr, 1, false, true},
            {&MockTest::nextButton, 2, true, true},
            {&MockTest::nextButton, 3, true, true},
            {&MockTest::nextButton, 4, true, true},
            {&MockTest::nextButton, 5, true, false},
            {&MockTest::nextButton, 5, true, false},
            {&MockTest::previousButton, 4, true, true},
            {&MockTest::nextButton, 5, true, false},
            {&MockTest::previousButton, 4, true, true},
            {&MockTest::previousButton, 3, true, true},
            {&MockTest::previousButton, 2, true, true},
            {&MockTest::previousButton, 1, false, true},
            {&MockTest::previousButton, 1, false, true},
            {&MockTest::nextButton, 2, true, true},
        };
        int n = 0;
        for (const Step& step : steps) {
            if (step.button) {
                h.click(f.*(step.button)); // a disabled button takes no click
            }
            const QByteArray where = QByteArray("step ") + QByteArray::number(n++);
            QVERIFY2(f.previousButton->isEnabled() == step.previous, where);
            QVERIFY2(f.nextButton->isEnabled() == step.next, where);
            verifyShows(f, bank, step.question);
        }
        TIKU_VERIFY_SCRIPT(h);
        h.click(f.backButton);
    }

    // The two ends, reached by a handler run when its button cannot be clicked.
    void endMessages() {
        ScreenHarness h;
        writeNumberedBank(h, 5);
        MockTest& f = startTest(h, QStringLiteral("5"));
        h.expectMessage(QStringLiteral("已返回题目开始。"));
        Toolkit::instance().dispatch([&] { f.onPrevious(); });
        QCOMPARE(int(f.run().currentNo()), 1);
        for (int i = 0; i < 4; ++i) {
            h.click(f.nextButton);
        }
        QCOMPARE(int(f.run().currentNo()), 5);
        h.click(f.answerOptions[1]);
        h.expectMessage(QStringLiteral("题目已全部出完。"));
        Toolkit::instance().dispatch([&] { f.onNext(); });
        QCOMPARE(int(f.run().currentNo()), 5);
        QCOMPARE(f.questionNumberLabel->text(), QStringLiteral("5"));
        QVERIFY(f.answerOptions[1]->isChecked()); // nothing changed
        TIKU_VERIFY_SCRIPT(h);
        h.click(f.backButton);
    }

    // A count that is not in plain digits: 下一题 stays enabled at the last question, and a
    // click on it there says so and changes nothing. 7.5 makes a paper of 8.
    void countNotInPlainDigits_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("questions");
        QTest::newRow("010") << "010" << 10;
        QTest::newRow("7.5") << "7.5" << 8;
    }
    void countNotInPlainDigits() {
        QFETCH(QString, typed);
        QFETCH(int, questions);
        ScreenHarness h;
        const auto bank = numberedQuestions(questions, "人文");
        writeBank(h.folder(), bank, numberedQuestions(5, "临床"));
        MockTest& f = startTest(h, typed);
        QCOMPARE(f.questionCountLabel->text(), typed);
        QCOMPARE(int(f.run().paperRows().size()), questions + 1);
        std::set<int> rows(f.run().paperRows().begin() + 1, f.run().paperRows().end());
        QCOMPARE(int(rows.size()), questions); // every row of the bank, once
        for (int k = 2; k <= questions; ++k) {
            h.click(f.nextButton);
        }
        verifyShows(f, bank, questions);
        QVERIFY(f.nextButton->isEnabled());
        h.click(f.answerOptions[0]);
        h.expectMessage(QStringLiteral("题目已全部出完。"));
        h.click(f.nextButton);
        verifyShows(f, bank, questions);
        QVERIFY(f.answerOptions[0]->isChecked());
        QVERIFY(f.nextButton->isEnabled());
        TIKU_VERIFY_SCRIPT(h);
        h.click(f.backButton);
    }

    // Stored answers survive moves, the options do not show them, the hover asks again.
    void answersSurviveMoves() {
        ScreenHarness h;
        writeNumberedBank(h, 6);
        MockTest& f = startTest(h, QStringLiteral("5"), true, true);
        h.click(f.nextButton);
        h.click(f.nextButton);
        QCOMPARE(int(f.run().currentNo()), 3);
        h.click(f.answerOptions[2]);
        QCOMPARE(f.run().chosenAnswers()[3], std::optional<QString>("C"));
        h.click(f.answerOptions[1]);
        QCOMPARE(f.run().chosenAnswers()[3], std::optional<QString>("B"));
        QVERIFY(!f.run().chosenAnswers()[2].has_value());
        h.click(f.nextButton);
        QCOMPARE(selectedOptions(f), 0);
        h.click(f.previousButton);
        QCOMPARE(int(f.run().currentNo()), 3);
        QCOMPARE(selectedOptions(f), 0);
        QCOMPARE(f.run().chosenAnswers()[3], std::optional<QString>("B"));
        // The hover looks at the options, not the stored answer; each move asks again.
        h.expectMessage(QStringLiteral("请你先选择答案！"));
        pointAt(h, f, f.answerCaption);
        h.expectMessage(QStringLiteral("请你先选择答案！"));
        h.moveMouse(&f, f.answerCaption->geometry().center() + QPoint(3, 0));
        QVERIFY(!f.answerBox->isVisible());
        TIKU_VERIFY_SCRIPT(h);
        h.click(f.answerOptions[4]);
        QCOMPARE(f.run().chosenAnswers()[3], std::optional<QString>("E"));
        pointAt(h, f, f.answerCaption);
        QVERIFY(f.answerBox->isVisible());
        TIKU_VERIFY_SCRIPT(h);
        h.click(f.backButton);
    }

    // An option chosen with the keyboard counts as one clicked.
    void keyboardChoiceCounts() {
        ScreenHarness h;
        writeNumberedBank(h, 5);
        MockTest& f = startTest(h, QStringLiteral("5"));
        f.answerOptions[3]->setFocus();
        QTest::keyClick(f.answerOptions[3], Qt::Key_Space);
        QVERIFY(f.answerOptions[3]->isChecked());
        QCOMPARE(f.run().chosenAnswers()[1], std::optional<QString>("D"));
        QTest::keyClick(f.answerOptions[3], Qt::Key_Right); // the arrow moves the choice to E
        QVERIFY(f.answerOptions[4]->isChecked());
        QCOMPARE(f.run().chosenAnswers()[1], std::optional<QString>("E"));
        TIKU_VERIFY_SCRIPT(h);
        h.click(f.backButton);
    }

    // The answer shows on hover with an option selected, goes on the bare screen, and stays
    // through a move made with the keyboard, then with the new question's answer.
    void answerOnHover() {
        ScreenHarness h;
        const std::vector<Question> bank = answeredQuestions({"A", "B", "C", "D", "E", "A"});
        writeBank(h.folder(), bank, numberedQuestions(6, "临床"));
        MockTest& f = startTest(h, QStringLiteral("6"), true, false);
        h.click(f.answerOptions[0]);
        QVERIFY(!f.answerBox->isVisible());
        pointAt(h, f, f.answerCaption);
        QVERIFY(f.answerBox->isVisible());
        QCOMPARE(f.answerBox->text(), bank[f.run().paperRows()[1] - 1].answer);
        pointAt(h, f, QPoint(3, 3)); // bare surface
        QVERIFY(!f.answerBox->isVisible());
        h.moveMouse(&f, QPoint(4, 4)); // again: stays hidden
        QVERIFY(!f.answerBox->isVisible());
        // Over the letters and the options the answer stays; only the bare surface hides it.
        pointAt(h, f, f.answerCaption);
        QVERIFY(f.answerBox->isVisible());
        h.moveMouseOver(f.letterLabels[2]);
        h.moveMouseOver(f.answerOptions[3]);
        QVERIFY(f.answerBox->isVisible());
        pointAt(h, f, f.answerCaption);
        QVERIFY(f.answerBox->isVisible());
        // Over controls (not the bare surface) the answer stays.
        h.moveMouseOver(f.chooseLabel);
        QVERIFY(f.answerBox->isVisible());
        h.moveMouseOver(f.questionBox);
        QVERIFY(f.answerBox->isVisible());
        f.nextButton->setFocus();
        QTest::keyClick(f.nextButton, Qt::Key_Space);
        QCOMPARE(int(f.run().currentNo()), 2);
        QVERIFY(f.answerBox->isVisible());
        QCOMPARE(f.answerBox->text(), bank[f.run().paperRows()[2] - 1].answer);
        QCOMPARE(selectedOptions(f), 0);
        TIKU_VERIFY_SCRIPT(h);
        h.click(f.backButton);
    }

    // With neither switch, the answer caption and 上一题 stay hidden for the whole test.
    void hiddenSwitchesStayHidden() {
        ScreenHarness h;
        writeNumberedBank(h, 5);
        MockTest& f = startTest(h, QStringLiteral("5"), false, false);
        for (int i = 0; i < 4; ++i) {
            h.click(f.answerOptions[i]);
            h.click(f.nextButton);
            QVERIFY(!f.answerCaption->isVisible());
            QVERIFY(!f.previousButton->isVisible());
            QVERIFY(f.previousButton->isEnabled());
        }
        h.click(f.previousButton); // hidden: no click
        QCOMPARE(int(f.run().currentNo()), 5);
        QVERIFY(!f.answerBox->isVisible());
        TIKU_VERIFY_SCRIPT(h);
        h.click(f.backButton);
    }

    // ---- leaving ---------------------------------------------------------------------------

    void leaving_data() {
        QTest::addColumn<bool>("byCloseButton");
        QTest::addColumn<bool>("afterHandIn");
        QTest::newRow("返  回 at once") << false << false;
        QTest::newRow("close button at once") << true << false;
        QTest::newRow("返  回 after a hand-in") << false << true;
    }
    void leaving() {
        QFETCH(bool, byCloseButton);
        QFETCH(bool, afterHandIn);
        ScreenHarness h;
        writeNumberedBank(h, 10);
        MainMenu& menu = mainMenu(h);
        h.click(menu.bankOptions[1]);
        MockTest& f = startTest(h, QStringLiteral("5"));
        const std::uint64_t firstSeed = f.paperSeed();
        if (afterHandIn) {
            h.click(f.answerOptions[2]);
            h.expectMessage(
                QStringLiteral("题目尚未答完，是否确定交卷？点击是交卷，点击否重新答题。"),
                Buttons::YesNo, Answer::Yes);
            h.expectMessage(QStringLiteral("已回答 1道问题，答对 %1道。准确率 %2%")
                                .arg(f.answerBox->text() == "C" ? 1 : 0)
                                .arg(f.answerBox->text() == "C" ? 20 : 0));
            h.click(f.handInButton);
        }
        if (byCloseButton) {
            f.close();
            h.settle();
        } else {
            h.click(f.backButton);
        }
        QCOMPARE(h.timeline().mid(h.timeline().size() - 2), (QStringList{"close", "quit"}));
        QVERIFY(!h.isLoaded(MockTest::screenName()));
        QVERIFY(menu.isVisible());
        QVERIFY(menu.bankOptions[1]->isChecked());
        QVERIFY(h.isLoaded(TestOptions::screenName()));
        QVERIFY(!h.form<TestOptions>().isVisible());
        QCOMPARE(bank::Application::runningInstances(), 0);
        QVERIFY(!h.ended());
        // A second test starts afresh: new instance, new draw, nothing chosen.
        MockTest& again = startTest(h, QStringLiteral("5"));
        QVERIFY(again.paperSeed() != firstSeed);
        QCOMPARE(selectedOptions(again), 0);
        QVERIFY(!again.run().chosenAnswers()[1].has_value());
        QVERIFY(again.questionBox->toPlainText().startsWith("临床"));
        QCOMPARE(bank::Application::runningInstances(), 1);
        h.click(again.backButton);
        TIKU_VERIFY_SCRIPT(h);
    }

    // The bank chosen on the menu when it shows the test options reaches the test, also where the
    // options screen was only hidden since the last test.
    void bankChosenBeforeEachTest() {
        ScreenHarness h;
        writeNumberedBank(h, 10);
        MainMenu& menu = mainMenu(h);
        for (const int choice : {0, 1, 0}) {
            h.click(menu.bankOptions[std::size_t(choice)]);
            MockTest& f = startTest(h, QStringLiteral("5"));
            QVERIFY(f.questionBox->toPlainText().startsWith(choice == 0 ? "人文" : "临床"));
            h.click(f.backButton);
            QVERIFY(h.isLoaded(TestOptions::screenName()));
        }
        TIKU_VERIFY_SCRIPT(h);
    }

    // Test after test: every service instance is quit when its test is left.
    void tenTestsInARow() {
        ScreenHarness h;
        writeNumberedBank(h, 100);
        std::set<std::vector<qint16>> papers;
        for (int i = 0; i < 10; ++i) {
            MockTest& f = startTest(h, QStringLiteral("100"), i % 2 == 0, i % 3 == 0);
            QCOMPARE(bank::Application::runningInstances(), 1);
            papers.insert(f.run().paperRows());
            h.click(f.backButton);
            QCOMPARE(bank::Application::runningInstances(), 0);
        }
        QCOMPARE(int(papers.size()), 10); // a new draw each time
        QCOMPARE(h.timeline().count("start"), 10);
        QCOMPARE(h.timeline().count("quit"), 10);
        QCOMPARE(h.timeline().count("close"), 10);
        TIKU_VERIFY_SCRIPT(h);
    }
};

QTEST_MAIN(MockTestTest)
#include "test_mocktest.moc"
