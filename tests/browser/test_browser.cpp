// The bank browser through its real widgets: opening, moves, jump, answer reveal and teardown.
// Failures are test_browserfailures.cpp.

#include "browsersteps.h"

#include "bank/bankformat.h"
#include "bank/service.h"

using namespace tiku;
using namespace tiku::testing;

class BrowserTest : public QObject {
    Q_OBJECT

    InstanceCount instances_;
    int running() const { return instances_.running(); }

private slots:
    void init() { instances_.reset(); }
    void cleanup() { instances_.verifyNoneLeft(); }

    // Opening -----------------------------------------------------------------------------------

    void opening_data() {
        QTest::addColumn<bool>("clinicalBank");
        QTest::addColumn<int>("count");
        QTest::newRow("人文 from sheet1") << false << humanitiesCount;
        QTest::newRow("临床 from sheet2") << true << clinicalCount;
    }
    void opening() {
        QFETCH(bool, clinicalBank);
        QFETCH(int, count);
        ScreenHarness h;
        writeBank(h.folder(), humanities(), clinical());
        Browser& f = browse(h, clinicalBank);
        QVERIFY(f.isVisible());
        QVERIFY(!h.form<MainMenu>().isVisible());
        VERIFY_ROW(f, clinicalBank ? clinical() : humanities(), 1);
        QCOMPARE(f.questionNumberLabel->text(), QStringLiteral("1"));
        QCOMPARE(f.bankSizeLabel->text(), QString::number(count));
        QVERIFY(!f.previousButton->isEnabled());
        for (QPushButton* b :
             {f.nextButton, f.backButton, f.firstButton, f.lastButton, f.jumpButton}) {
            QVERIFY(b->isEnabled());
        }
        QVERIFY(f.answerBox->isHidden());
        QVERIFY(f.jumpBox->text().isEmpty());
        QCOMPARE(running(), 1);
        QCOMPARE(h.timeline(), (QStringList{"start", "open"}));
        h.click(f.backButton);
        TIKU_VERIFY_SCRIPT(h);
    }

    // Cells come from the sheet by its name, the count from the sheet at the bank's position.
    void countBySheetPosition_data() {
        QTest::addColumn<bool>("clinicalBank");
        QTest::newRow("人文") << false;
        QTest::newRow("临床") << true;
    }
    void countBySheetPosition() {
        QFETCH(bool, clinicalBank);
        ScreenHarness h;
        bank::WorkbookSpec spec;
        spec.sheets.push_back(bankSheet("sheet2", clinical()));   // first
        spec.sheets.push_back(bankSheet("sheet1", humanities())); // second
        bank::writeWorkbookFile(h.folder() + "/dxt.xls", spec);
        Browser& f = browse(h, clinicalBank);
        VERIFY_ROW(f, clinicalBank ? clinical() : humanities(), 1);
        QCOMPARE(f.bankSizeLabel->text(),
                 QString::number(clinicalBank ? humanitiesCount : clinicalCount));
        h.click(f.backButton);
        TIKU_VERIFY_SCRIPT(h);
    }

    void bankChangeTakesEffectOnNextVisit() {
        ScreenHarness h;
        writeBank(h.folder(), humanities(), clinical());
        Browser* f = &browse(h);
        VERIFY_ROW(*f, humanities(), 1);
        h.click(f->backButton);
        MainMenu& menu = h.form<MainMenu>();
        QVERIFY(menu.isVisible());
        QVERIFY(!h.isLoaded(Browser::screenName()));
        h.click(menu.bankOptions[1]);
        h.click(menu.browseButton);
        f = &h.form<Browser>();
        VERIFY_ROW(*f, clinical(), 1);
        QCOMPARE(f->bankSizeLabel->text(), QString::number(clinicalCount));
        h.click(f->backButton);
        h.click(menu.bankOptions[0]);
        h.click(menu.browseButton);
        f = &h.form<Browser>();
        VERIFY_ROW(*f, humanities(), 1);
        QCOMPARE(f->bankSizeLabel->text(), QString::number(humanitiesCount));
        h.click(f->backButton);
        TIKU_VERIFY_SCRIPT(h);
    }

    // Moves --------------------------------------------------------------------------------------

    // The wiring of each button and of the jump, a few moves each; the rules behind them, row by
    // row, are BrowserPosition's tests.
    void moves_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("current");
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("previousEnabled");
        QTest::addColumn<bool>("nextEnabled");
        // N = 12
        QTest::newRow("下一题 from N-1")
            << QStringList{"jump 11", "next"} << "12" << 12 << true << false;
        QTest::newRow("上一题 from 2") << QStringList{"next", "prev"} << "1" << 1 << false << true;
        QTest::newRow("第一题 from N") << QStringList{"last", "first"} << "1" << 1 << false << true;
        QTest::newRow("最后一题 from 1") << QStringList{"last"} << "12" << 12 << true << false;
        QTest::newRow("07 as typed") << QStringList{"jump 07"} << "07" << 7 << true << true;
        QTest::newRow("07 then 上一题")
            << QStringList{"jump 07", "prev"} << "6" << 6 << true << true;
        QTest::newRow("fraction 3.5 to even 4")
            << QStringList{"jump 3.5"} << "4" << 4 << true << true;
        QTest::newRow("there and back")
            << QStringList{"next", "next", "next", "prev", "last", "prev", "first", "next"} << "2"
            << 2 << true << true;
    }
    void moves() {
        QFETCH(QStringList, steps);
        QFETCH(QString, current);
        QFETCH(int, row);
        QFETCH(bool, previousEnabled);
        QFETCH(bool, nextEnabled);
        ScreenHarness h;
        writeBank(h.folder(), humanities(), clinical());
        Browser& f = browse(h);
        for (const QString& step : steps) {
            act(h, f, step);
        }
        QCOMPARE(f.questionNumberLabel->text(), current);
        VERIFY_ROW(f, humanities(), row);
        QCOMPARE(f.previousButton->isEnabled(), previousEnabled);
        QCOMPARE(f.nextButton->isEnabled(), nextEnabled);
        QVERIFY(f.firstButton->isEnabled() && f.lastButton->isEnabled() &&
                f.jumpButton->isEnabled());
        QVERIFY(f.answerBox->isHidden());
        h.click(f.backButton);
        TIKU_VERIFY_SCRIPT(h);
    }

    // Forward through the whole bank and back, with the invariant at every step; a disabled
    // button does nothing.
    void walkTheBank() {
        ScreenHarness h;
        writeBank(h.folder(), humanities(), clinical());
        Browser& f = browse(h, true);
        const auto bank = clinical();
        auto check = [&](int k) {
            QCOMPARE(f.questionNumberLabel->text(), QString::number(k));
            VERIFY_ROW(f, bank, k);
            QCOMPARE(f.previousButton->isEnabled(), k != 1);
            QCOMPARE(f.nextButton->isEnabled(), k != clinicalCount);
        };
        for (int k = 2; k <= clinicalCount; ++k) {
            h.click(f.nextButton);
            check(k);
        }
        h.click(f.nextButton); // disabled at N
        check(clinicalCount);
        for (int k = clinicalCount - 1; k >= 1; --k) {
            h.click(f.previousButton);
            check(k);
        }
        h.click(f.previousButton); // disabled at 1
        check(1);
        h.click(f.backButton);
        TIKU_VERIFY_SCRIPT(h);
    }

    // The screen keeps no copy of the bank: every move reads its two cells from the sheet it
    // holds at that moment.
    void movesReadTheSheetAnew_data() {
        QTest::addColumn<QString>("step");
        QTest::addColumn<int>("row");
        QTest::newRow("下一题") << "next" << 2;
        QTest::newRow("第一题") << "first" << 1;
        QTest::newRow("最后一题") << "last" << humanitiesCount;
        QTest::newRow("jump") << "jump 05" << 5;
        QTest::newRow("jump with a fraction") << "jump 8.5" << 8;
    }
    void movesReadTheSheetAnew() {
        QFETCH(QString, step);
        QFETCH(int, row);
        ScreenHarness h;
        writeBank(h.folder(), humanities(), clinical());
        Browser& f = browse(h);
        const auto other = numberedQuestions(humanitiesCount, "另");
        bank::WorkbookSpec spec;
        spec.sheets.push_back(bankSheet("sheet1", other));
        const QString otherPath = h.folder() + "/other.xls";
        bank::writeWorkbookFile(otherPath, spec);
        auto app = bank::Application::start();
        auto book = app->open(otherPath, bank::bankPassword());
        f.session().setSheet(book->worksheet("sheet1"));
        act(h, f, step);
        VERIFY_ROW(f, other, row);
        book->close();
        app->quit();
        h.click(f.backButton);
        TIKU_VERIFY_SCRIPT(h);
    }

    // Each move reads the row's own cells, empty ones included.
    void emptyRowIsAQuestion() {
        ScreenHarness h;
        std::vector<Question> bank = humanities();
        bank[2] = Question{}; // row 3 empty
        bank[3].answer.clear();
        writeBank(h.folder(), bank, clinical());
        Browser& f = browse(h);
        QCOMPARE(f.bankSizeLabel->text(), QString::number(humanitiesCount));
        h.click(f.nextButton);
        h.click(f.nextButton);
        QCOMPARE(f.questionNumberLabel->text(), QStringLiteral("3"));
        QCOMPARE(f.questionBox->toPlainText(), QString());
        QCOMPARE(f.answerBox->text(), QString());
        h.click(f.nextButton);
        VERIFY_ROW(f, bank, 4);
        h.click(f.backButton);
        TIKU_VERIFY_SCRIPT(h);
    }

    // Jump input refused ----------------------------------------------------------------------

    void jumpRefused_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("code"); // empty: the range message alone
        QTest::newRow("N + 1") << "13"
                               << "";
        QTest::newRow("empty") << ""
                               << "13";
        QTest::newRow("40000") << "40000"
                               << "6";
    }
    void jumpRefused() {
        QFETCH(QString, typed);
        QFETCH(QString, code);
        ScreenHarness h;
        writeBank(h.folder(), humanities(), clinical());
        Browser& f = browse(h);
        jump(h, f, QStringLiteral("5"));
        if (!code.isEmpty()) {
            h.expectMessage(code);
        }
        h.expectMessage(rangeMessage(humanitiesCount));
        jump(h, f, typed);
        TIKU_VERIFY_SCRIPT(h);
        // Nothing else changed.
        QCOMPARE(f.questionNumberLabel->text(), QStringLiteral("5"));
        VERIFY_ROW(f, humanities(), 5);
        QVERIFY(f.previousButton->isEnabled());
        QVERIFY(f.nextButton->isEnabled());
        QCOMPARE(f.jumpBox->text(), typed);
        QVERIFY(f.isVisible());
        QVERIFY(!h.ended());
        // The user corrects the number and jumps again.
        jump(h, f, QStringLiteral("12"));
        VERIFY_ROW(f, humanities(), 12);
        QVERIFY(!f.nextButton->isEnabled());
        h.click(f.backButton);
        TIKU_VERIFY_SCRIPT(h);
    }

    void reveal() {
        ScreenHarness h;
        writeBank(h.folder(), humanities(), clinical());
        Browser& f = browse(h);
        const QPoint bare(4, 4);
        QVERIFY(!f.childAt(bare));

        h.moveMouseOver(f.questionHeading);
        QVERIFY(f.answerBox->isHidden());
        h.moveMouseOver(f.answerCaption);
        QVERIFY(f.answerBox->isVisible());
        QCOMPARE(f.answerBox->text(), humanities()[0].answer);
        // Straight from 答案： onto the answer box, a button, the question box: still shown.
        h.moveMouseOver(f.answerBox);
        QVERIFY(f.answerBox->isVisible());
        h.moveMouseOver(f.firstButton);
        QVERIFY(f.answerBox->isVisible());
        h.moveMouseOver(f.questionBox);
        QVERIFY(f.answerBox->isVisible());
        // Moving between questions keeps it shown, with the new question's answer.
        h.click(f.nextButton);
        QVERIFY(f.answerBox->isVisible());
        QCOMPARE(f.answerBox->text(), humanities()[1].answer);
        h.click(f.lastButton);
        QVERIFY(f.answerBox->isVisible());
        QCOMPARE(f.answerBox->text(), humanities()[11].answer);
        jump(h, f, QStringLiteral("4"));
        QVERIFY(f.answerBox->isVisible());
        VERIFY_ROW(f, humanities(), 4);
        // The bare screen hides it, and moves keep it hidden.
        h.moveMouse(&f, bare);
        QVERIFY(f.answerBox->isHidden());
        h.click(f.firstButton);
        QVERIFY(f.answerBox->isHidden());
        h.moveMouseOver(f.jumpButton);
        QVERIFY(f.answerBox->isHidden());
        // And again.
        h.moveMouseOver(f.answerCaption);
        QVERIFY(f.answerBox->isVisible());
        h.moveMouse(&f, QPoint(f.width() / 2, f.questionBox->geometry().bottom() + 4));
        QVERIFY(f.answerBox->isHidden());
        h.click(f.backButton);
        TIKU_VERIFY_SCRIPT(h);
    }

    // A one-question bank --------------------------------------------------------------------

    void oneQuestionBank_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("opening") << QStringList{};
        QTest::newRow("everything") << QStringList{"last", "first", "jump 01", "last", "first"};
    }
    void oneQuestionBank() {
        QFETCH(QStringList, steps);
        ScreenHarness h;
        const auto single = numberedQuestions(1, "单");
        writeBank(h.folder(), single, clinical());
        Browser& f = browse(h);
        QCOMPARE(f.bankSizeLabel->text(), QStringLiteral("1"));
        for (const QString& step : steps) {
            act(h, f, step);
            QVERIFY(!f.previousButton->isEnabled());
            QVERIFY(!f.nextButton->isEnabled());
        }
        QVERIFY(!f.previousButton->isEnabled());
        QVERIFY(!f.nextButton->isEnabled());
        QCOMPARE(f.questionNumberLabel->text().toInt(), 1);
        VERIFY_ROW(f, single, 1);
        h.expectMessage(rangeMessage(1));
        jump(h, f, QStringLiteral("2"));
        QVERIFY(!f.previousButton->isEnabled());
        QVERIFY(!f.nextButton->isEnabled());
        h.click(f.backButton);
        TIKU_VERIFY_SCRIPT(h);
    }

    // Teardown -----------------------------------------------------------------------------------

    void leaving_data() {
        QTest::addColumn<bool>("byCloseButton");
        QTest::newRow("返  回") << false;
        QTest::newRow("close button") << true;
    }
    void leaving() {
        QFETCH(bool, byCloseButton);
        ScreenHarness h;
        writeBank(h.folder(), humanities(), clinical());
        Browser& f = browse(h);
        if (byCloseButton) {
            f.close();
            h.settle();
        } else {
            h.click(f.backButton);
        }
        QCOMPARE(h.timeline(), (QStringList{"start", "open", "close", "quit"}));
        QCOMPARE(running(), 0);
        QVERIFY(!h.isLoaded(Browser::screenName()));
        QVERIFY(h.form<MainMenu>().isVisible());
        QVERIFY(!h.ended());
        TIKU_VERIFY_SCRIPT(h);
    }

    void tenVisits() {
        ScreenHarness h;
        writeBank(h.folder(), humanities(), clinical());
        Toolkit::instance().show(h.form<MainMenu>());
        h.settle();
        MainMenu& menu = h.form<MainMenu>();
        for (int visit = 0; visit < 10; ++visit) {
            h.click(menu.bankOptions[visit % 2]);
            h.click(menu.browseButton);
            Browser& f = h.form<Browser>();
            // Every visit starts from the design values, whatever the last one left.
            QCOMPARE(f.questionNumberLabel->text(), QStringLiteral("1"));
            QVERIFY(f.jumpBox->text().isEmpty());
            QVERIFY(f.answerBox->isHidden());
            QVERIFY(!f.previousButton->isEnabled());
            VERIFY_ROW(f, visit % 2 ? clinical() : humanities(), 1);
            QCOMPARE(running(), 1);
            jump(h, f, QStringLiteral("5"));
            h.moveMouseOver(f.answerCaption);
            if (visit % 3 == 0) {
                f.close();
                h.settle();
            } else {
                h.click(f.backButton);
            }
            QVERIFY(menu.isVisible());
            QCOMPARE(running(), 0);
        }
        QCOMPARE(h.timeline().count("start"), 10);
        QCOMPARE(h.timeline().count("close"), 10);
        QCOMPARE(h.timeline().count("quit"), 10);
        QVERIFY(!h.ended());
        TIKU_VERIFY_SCRIPT(h);
    }
};

QTEST_MAIN(BrowserTest)
#include "test_browser.moc"
