// The bank browser through its real widgets: opening, moves, jump, answer reveal, failures and
// teardown.

#include "bankfiles.h"
#include "screentest.h"

#include "bank/bankformat.h"
#include "bank/service.h"
#include "browser/browser.h"
#include "menu/mainmenu.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace tiku;
using tiku::testing::Question;
using tiku::testing::ScreenHarness;

namespace {

const int humanitiesCount = 12;
const int clinicalCount = 7;

std::vector<Question> humanities() {
    return testing::numberedQuestions(humanitiesCount, "人文");
}
std::vector<Question> clinical() {
    return testing::numberedQuestions(clinicalCount, "临床");
}

QString rangeMessage(int n) {
    return QStringLiteral("请输入1-%1之间的数字!").arg(n);
}

const QString openingFailed = QStringLiteral("发生错误，程序关闭！");

// The browser reached from the main menu as the user does: the bank chosen, 查看题库 clicked.
Browser& browse(ScreenHarness& h, bool clinicalBank = false) {
    Toolkit::instance().show(h.form<MainMenu>());
    h.settle();
    if (clinicalBank) {
        h.click(h.form<MainMenu>().bankOptions[1]);
    }
    h.click(h.form<MainMenu>().browseButton);
    return h.form<Browser>();
}

void jump(ScreenHarness& h, Browser& f, const QString& text) {
    f.jumpBox->clear();
    h.type(f.jumpBox, text);
    h.click(f.jumpButton);
}

// One step of a user's script: next, prev, first, last, or "jump <text>".
void act(ScreenHarness& h, Browser& f, const QString& step) {
    if (step == "next") {
        h.click(f.nextButton);
    } else if (step == "prev") {
        h.click(f.previousButton);
    } else if (step == "first") {
        h.click(f.firstButton);
    } else if (step == "last") {
        h.click(f.lastButton);
    } else if (step.startsWith("jump ")) {
        jump(h, f, step.mid(5));
    } else {
        QFAIL(qPrintable("unknown step " + step));
    }
}

// What differs between the screen and question row of the bank, empty when it shows that row.
QString rowMismatch(Browser& f, const std::vector<Question>& bank, int row) {
    const Question& q = bank.at(size_t(row - 1));
    QStringList out;
    if (f.questionBox->toPlainText() != q.text) {
        out << QStringLiteral("Text1 “%1”, expected “%2”")
                   .arg(f.questionBox->toPlainText(), q.text);
    }
    if (f.answerBox->text() != q.answer) {
        out << QStringLiteral("Text2 “%1”, expected “%2”").arg(f.answerBox->text(), q.answer);
    }
    return out.join("; ");
}

#define VERIFY_ROW(f, bank, row)                                                                   \
    do {                                                                                           \
        const QString mismatch_ = rowMismatch((f), (bank), (row));                                 \
        QVERIFY2(mismatch_.isEmpty(), qPrintable(mismatch_));                                      \
    } while (false)

// The toolkit's own failure report, alone, and the program ended by it.
#define VERIFY_TOOLKIT_REPORT(h, code)                                                             \
    do {                                                                                           \
        QCOMPARE((h).shown().size(), 1);                                                           \
        const QString report_ = (h).shown().first().text;                                          \
        QVERIFY2(report_.startsWith(QStringLiteral("程序出错，将要关闭。")), qPrintable(report_)); \
        QVERIFY2(report_.endsWith(QStringLiteral("（错误代码：%1）").arg(code)),                   \
                 qPrintable(report_));                                                             \
        QCOMPARE((h).problems().size(), 1); /* that one report, which no script expects */         \
        QVERIFY((h).ended());                                                                      \
        QCOMPARE((h).exitCode(), 1);                                                               \
    } while (false)

} // namespace

class BrowserTest : public QObject {
    Q_OBJECT

    // Service instances started and not quit during the running test. An untrapped failure
    // ends the program without quitting its instance, which then stays counted.
    int baseline_ = 0;
    bool endedByReport_ = false;
    int running() const { return bank::Application::runningInstances() - baseline_; }

private slots:
    void init() {
        baseline_ = bank::Application::runningInstances();
        endedByReport_ = false;
    }
    void cleanup() {
        if (!endedByReport_ && !QTest::currentTestFailed()) {
            QCOMPARE(running(), 0);
        }
    }

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
        testing::writeBank(h.folder(), humanities(), clinical());
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
        spec.sheets.push_back(testing::bankSheet("sheet2", clinical()));   // first
        spec.sheets.push_back(testing::bankSheet("sheet1", humanities())); // second
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
        testing::writeBank(h.folder(), humanities(), clinical());
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

    void moves_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("current");
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("previousEnabled");
        QTest::addColumn<bool>("nextEnabled");
        // N = 12
        QTest::newRow("下一题 from N-1")
            << QStringList{"jump 11", "next"} << "12" << 12 << true << false;
        QTest::newRow("下一题 from 1") << QStringList{"next"} << "2" << 2 << true << true;
        QTest::newRow("上一题 from 2") << QStringList{"next", "prev"} << "1" << 1 << false << true;
        QTest::newRow("上一题 from N") << QStringList{"last", "prev"} << "11" << 11 << true << true;
        QTest::newRow("第一题 from the middle")
            << QStringList{"jump 6", "first"} << "1" << 1 << false << true;
        QTest::newRow("第一题 from N") << QStringList{"last", "first"} << "1" << 1 << false << true;
        QTest::newRow("第一题 at 1") << QStringList{"first"} << "1" << 1 << false << true;
        QTest::newRow("最后一题 from the middle")
            << QStringList{"jump 6", "last"} << "12" << 12 << true << false;
        QTest::newRow("最后一题 from 1") << QStringList{"last"} << "12" << 12 << true << false;
        QTest::newRow("最后一题 at N")
            << QStringList{"last", "last"} << "12" << 12 << true << false;
        QTest::newRow("jump to 1") << QStringList{"jump 6", "jump 1"} << "1" << 1 << false << true;
        QTest::newRow("jump to N") << QStringList{"jump 12"} << "12" << 12 << true << false;
        QTest::newRow("jump from N to the middle")
            << QStringList{"last", "jump 6"} << "6" << 6 << true << true;
        QTest::newRow("jump from 1 to 2") << QStringList{"jump 2"} << "2" << 2 << true << true;
        QTest::newRow("07 as typed") << QStringList{"jump 07"} << "07" << 7 << true << true;
        QTest::newRow("07 then 下一题")
            << QStringList{"jump 07", "next"} << "8" << 8 << true << true;
        QTest::newRow("07 then 上一题")
            << QStringList{"jump 07", "prev"} << "6" << 6 << true << true;
        QTest::newRow("blank before the number, as typed")
            << QStringList{"jump  7"} << " 7" << 7 << true << true;
        QTest::newRow("exponent form, as typed")
            << QStringList{"jump 1e1", "next"} << "11" << 11 << true << true;
        QTest::newRow("011 then 下一题 reaches N")
            << QStringList{"jump 011", "next"} << "12" << 12 << true << false;
        QTest::newRow("fraction 2.5 to even 2")
            << QStringList{"jump 2.5"} << "2" << 2 << true << true;
        QTest::newRow("fraction 3.5 to even 4")
            << QStringList{"jump 3.5"} << "4" << 4 << true << true;
        QTest::newRow("fraction 5.7 up") << QStringList{"jump 5.7"} << "6" << 6 << true << true;
        QTest::newRow("fraction 0.6 to 1")
            << QStringList{"jump 6", "jump 0.6"} << "1" << 1 << false << true;
        QTest::newRow("fraction 12.5 to N")
            << QStringList{"jump 12.5"} << "12" << 12 << true << false;
        QTest::newRow("fraction then 下一题")
            << QStringList{"jump 4.4", "next"} << "5" << 5 << true << true;
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
        testing::writeBank(h.folder(), humanities(), clinical());
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
        testing::writeBank(h.folder(), humanities(), clinical());
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
        testing::writeBank(h.folder(), humanities(), clinical());
        Browser& f = browse(h);
        const auto other = testing::numberedQuestions(humanitiesCount, "另");
        bank::WorkbookSpec spec;
        spec.sheets.push_back(testing::bankSheet("sheet1", other));
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
        testing::writeBank(h.folder(), bank, clinical());
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
        QTest::newRow("0") << "0"
                           << "";
        QTest::newRow("negative") << "-3"
                                  << "";
        QTest::newRow("N + 1") << "13"
                               << "";
        QTest::newRow("far beyond N") << "32767"
                                      << "";
        QTest::newRow("fraction rounding to 0") << "0.5"
                                                << "";
        QTest::newRow("fraction rounding to N + 1") << "13.5"
                                                    << "";
        QTest::newRow("empty") << ""
                               << "13";
        QTest::newRow("letters") << "abc"
                                 << "13";
        QTest::newRow("number then letters") << "5x"
                                             << "13";
        QTest::newRow("40000") << "40000"
                               << "6";
        QTest::newRow("-40000") << "-40000"
                                << "6";
        QTest::newRow("fraction rounding past 32767") << "32767.5"
                                                      << "6";
    }
    void jumpRefused() {
        QFETCH(QString, typed);
        QFETCH(QString, code);
        ScreenHarness h;
        testing::writeBank(h.folder(), humanities(), clinical());
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

    // A cell that cannot be read while jumping: the cell error's code, then the range message;
    // what was shown before the failure stays.
    void jumpToAnErrorCell() {
        ScreenHarness h;
        bank::WorkbookSpec spec;
        spec.sheets.push_back(testing::bankSheet("sheet1", humanities()));
        spec.sheets.push_back(testing::bankSheet("sheet2", clinical()));
        spec.sheets[0].cells.push_back({3, 3, bank::CellValue::ofError(bank::ErrorValue::Div0)});
        bank::writeWorkbookFile(h.folder() + "/dxt.xls", spec);
        Browser& f = browse(h);
        h.expectMessage(QStringLiteral("13"));
        h.expectMessage(rangeMessage(humanitiesCount));
        jump(h, f, QStringLiteral("3"));
        TIKU_VERIFY_SCRIPT(h);
        QCOMPARE(f.questionBox->toPlainText(), humanities()[2].text); // read before the failure
        QCOMPARE(f.answerBox->text(), humanities()[0].answer);
        QCOMPARE(f.questionNumberLabel->text(), QStringLiteral("1"));
        QVERIFY(!f.previousButton->isEnabled());
        QVERIFY(f.nextButton->isEnabled());
        QVERIFY(!h.ended());
        h.click(f.backButton);
        TIKU_VERIFY_SCRIPT(h);
    }

    // Answer reveal ----------------------------------------------------------------------------

    void reveal() {
        ScreenHarness h;
        testing::writeBank(h.folder(), humanities(), clinical());
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
        QTest::newRow("第一题") << QStringList{"first"};
        QTest::newRow("最后一题") << QStringList{"last"};
        QTest::newRow("jump 1") << QStringList{"jump 1"};
        QTest::newRow("jump 1.4") << QStringList{"jump 1.4"};
        QTest::newRow("everything") << QStringList{"last", "first", "jump 01", "last", "first"};
    }
    void oneQuestionBank() {
        QFETCH(QStringList, steps);
        ScreenHarness h;
        const auto single = testing::numberedQuestions(1, "单");
        testing::writeBank(h.folder(), single, clinical());
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

    // Failures -----------------------------------------------------------------------------------

    void errorInFirstQuestion_data() {
        QTest::addColumn<int>("column");
        QTest::newRow("question text") << 2;
        QTest::newRow("answer") << 3;
    }
    void errorInFirstQuestion() {
        QFETCH(int, column);
        ScreenHarness h;
        bank::WorkbookSpec spec;
        spec.sheets.push_back(testing::bankSheet("sheet1", humanities()));
        spec.sheets.push_back(testing::bankSheet("sheet2", clinical()));
        spec.sheets[0].cells.push_back({1, column, bank::CellValue::ofError(bank::ErrorValue::NA)});
        bank::writeWorkbookFile(h.folder() + "/dxt.xls", spec);
        h.expectMessage(openingFailed);
        browse(h);
        TIKU_VERIFY_SCRIPT(h);
        QVERIFY(h.ended());
        QCOMPARE(h.exitCode(), 0);
        QCOMPARE(h.timeline(), (QStringList{"start", "open", "msgbox " + openingFailed, "close",
                                            "quit", "end 0"}));
        QCOMPARE(running(), 0);
        QVERIFY(!h.form<MainMenu>().isVisible()); // the program ended: no way back to the menu
    }

    // Opening the workbook is not trapped: the toolkit reports the failure and ends the program.
    void openingFailure_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("code");
        QTest::newRow("no workbook") << "missing" << 53;
        QTest::newRow("wrong password") << "password" << 1004;
        QTest::newRow("no sheet2") << "sheet" << 9;
    }
    void openingFailure() {
        QFETCH(QString, kind);
        QFETCH(int, code);
        ScreenHarness h;
        bool clinicalBank = false;
        if (kind == "password") {
            bank::WriteOptions options;
            options.password = QStringLiteral("qmpzrtv58204618");
            testing::writeBank(h.folder(), humanities(), clinical(), options);
        } else if (kind == "sheet") {
            bank::WorkbookSpec spec;
            spec.sheets.push_back(testing::bankSheet("sheet1", humanities()));
            bank::writeWorkbookFile(h.folder() + "/dxt.xls", spec);
            clinicalBank = true;
        }
        endedByReport_ = true;
        browse(h, clinicalBank);
        VERIFY_TOOLKIT_REPORT(h, code);
        QVERIFY(!h.timeline().contains("msgbox " + openingFailed));
        QVERIFY(!h.timeline().contains("close"));
    }

    // Moves set no trap: a cell that cannot be read ends the program through the toolkit.
    void errorCellOnAMove() {
        ScreenHarness h;
        bank::WorkbookSpec spec;
        spec.sheets.push_back(testing::bankSheet("sheet1", humanities()));
        spec.sheets.push_back(testing::bankSheet("sheet2", clinical()));
        spec.sheets[0].cells.push_back({2, 3, bank::CellValue::ofError(bank::ErrorValue::Value)});
        bank::writeWorkbookFile(h.folder() + "/dxt.xls", spec);
        Browser& f = browse(h);
        endedByReport_ = true;
        h.click(f.nextButton);
        VERIFY_TOOLKIT_REPORT(h, 13);
        QVERIFY(!h.timeline().contains("msgbox " + openingFailed));
        QCOMPARE(f.questionBox->toPlainText(), humanities()[1].text); // what was updated stays
        QCOMPARE(f.questionNumberLabel->text(), QStringLiteral("1"));
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
        testing::writeBank(h.folder(), humanities(), clinical());
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
        testing::writeBank(h.folder(), humanities(), clinical());
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
