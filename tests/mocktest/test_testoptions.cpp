// The test options screen through its real widgets: layout, the count check with its two
// messages, the hand-over to the test screen, and leaving.

#include "mockteststeps.h"

#include <QEvent>
#include <QFontInfo>

using namespace tiku;
using namespace tiku::testing;

namespace {

// Records the count caption at the moment the test screen is shown.
class ShowProbe : public QObject {
public:
    explicit ShowProbe(MockTest& f) : form(f) { f.installEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &form && event->type() == QEvent::Show) {
            captionAtShow.append(form.questionCountLabel->text());
        }
        return false;
    }
    MockTest& form;
    QStringList captionAtShow;
};

} // namespace

class TestOptionsTest : public QObject {
    Q_OBJECT

    static TestOptions& openOptions(ScreenHarness& h) {
        writeNumberedBank(h, 100);
        h.click(mainMenu(h).testButton);
        return h.form<TestOptions>();
    }

private slots:
    void layout_data() {
        testing::addDesignColumns();
        const QString kai = QStringLiteral("楷体_GB2312");
        QTest::newRow("Label1") << "Label1"
                                << "题数：" << QRect(240, 120, 1095, 255) << kai << 14.25 << true;
        QTest::newRow("Text1") << "Text1"
                               << "" << QRect(1440, 120, 735, 375) << kai << 14.25 << true;
        QTest::newRow("Label2") << "Label2"
                                << "查看答案：" << QRect(240, 720, 1575, 255) << kai << 14.25
                                << true;
        QTest::newRow("Check1") << "Check1"
                                << "Check1" << QRect(1920, 720, 255, 255) << "" << 0.0 << false;
        QTest::newRow("Label3") << "Label3"
                                << "允许返回：" << QRect(240, 1320, 1575, 495) << kai << 14.25
                                << true;
        QTest::newRow("Check2") << "Check2"
                                << "Check2" << QRect(1920, 1320, 255, 375) << "" << 0.0 << false;
        QTest::newRow("Command1") << "Command1"
                                  << "确  定" << QRect(120, 2040, 975, 375) << "宋体" << 10.5
                                  << false;
        QTest::newRow("Command2") << "Command2"
                                  << "返  回" << QRect(1440, 2040, 975, 375) << "宋体" << 10.5
                                  << false;
    }
    void layout() {
        QFETCH(QString, name);
        ScreenHarness h;
        TestOptions& f = openOptions(h);
        QWidget* w = testing::designControl(&f, name);
        QVERIFY(w);
        testing::verifyDesignRow(w);
        if (QTest::currentTestFailed()) {
            return;
        }
        QVERIFY(w->isVisible());
        QVERIFY(w->isEnabled());
        if (name.startsWith("Label")) {
            QCOMPARE(w->focusPolicy(), Qt::NoFocus);
        }
        if (name.startsWith("Check")) {
            QVERIFY(!static_cast<QCheckBox*>(w)->isChecked());
        }
        QVERIFY(!f.countBox->isReadOnly());
    }

    void window() {
        ScreenHarness h;
        TestOptions& f = openOptions(h);
        QCOMPARE(f.windowTitle(), QStringLiteral("测试选项"));
        QCOMPARE(f.size(), QSize(2580 / 15, 2535 / 15));
        QVERIFY(f.windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(f.windowFlags() & Qt::WindowMaximizeButtonHint);
        QVERIFY(f.minimumSize() != f.maximumSize()); // resizable
        // Resizing moves nothing.
        const QRect before = f.backButton->geometry();
        f.resize(f.width() + 100, f.height() + 80);
        h.settle();
        QCOMPARE(f.backButton->geometry(), before);
        QVERIFY(!h.form<MainMenu>().isVisible());
        TIKU_VERIFY_SCRIPT(h);
    }

    void focusOrder() {
        ScreenHarness h;
        TestOptions& f = openOptions(h);
        QCOMPARE(f.focusWidget(), f.backButton);
        const QList<QWidget*> order = {f.backButton, f.okButton, f.allowBackCheck,
                                       f.showAnswerCheck, f.countBox};
        QCOMPARE(tabChain(f.backButton), order);
    }

    // The check's wiring, accepted and refused; the bounds row by row are MockTestRun's tests.
    void countCheck_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message"); // empty: accepted
        const QString range = QStringLiteral("请输入5-100之间的数字!");
        const QString notNumber = QStringLiteral("请输入1-100之间的数字!");
        QTest::newRow("5") << "5"
                           << "";
        QTest::newRow("7.5") << "7.5"
                             << "";
        QTest::newRow("007") << "007"
                             << "";
        QTest::newRow("101") << "101" << range;
        QTest::newRow("negative") << "-20" << range;
        QTest::newRow("empty") << "" << notNumber;
        QTest::newRow("too large for a double") << "1e999" << notNumber;
    }
    void countCheck() {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        ScreenHarness h;
        TestOptions& f = openOptions(h);
        h.type(f.countBox, typed);
        h.click(f.showAnswerCheck);
        h.click(f.allowBackCheck);
        if (!message.isEmpty()) {
            h.expectMessage(message);
        }
        h.click(f.okButton);
        if (message.isEmpty()) {
            // Accepted: the test screen has the count exactly as typed; the input is cleared.
            QVERIFY(h.isLoaded(MockTest::screenName()));
            QCOMPARE(h.form<MockTest>().questionCountLabel->text(), typed);
            QVERIFY(h.form<MockTest>().isVisible());
            QVERIFY(!f.isVisible());
            QVERIFY(h.isLoaded(TestOptions::screenName()));
            QCOMPARE(f.countBox->text(), QString());
            QVERIFY(!f.showAnswerCheck->isChecked());
            QVERIFY(!f.allowBackCheck->isChecked());
        } else {
            // Refused: nothing changes, the user stays on the screen.
            QVERIFY(!h.isLoaded(MockTest::screenName()));
            QVERIFY(f.isVisible());
            QCOMPARE(f.countBox->text(), typed);
            QVERIFY(f.showAnswerCheck->isChecked());
            QVERIFY(f.allowBackCheck->isChecked());
        }
        QVERIFY(!h.ended());
        TIKU_VERIFY_SCRIPT(h);
    }

    // The test screen is shown before the settings are written into it, and its activation
    // (which draws the paper) sees them.
    void shownBeforeHandOver() {
        ScreenHarness h;
        TestOptions& f = openOptions(h);
        ShowProbe probe(h.form<MockTest>());
        h.type(f.countBox, QStringLiteral("6"));
        h.click(f.okButton);
        QCOMPARE(probe.captionAtShow, QStringList{QString()});
        MockTest& test = h.form<MockTest>();
        QCOMPARE(int(test.run().paperRows().size()), 7); // drawn for 6 questions
        QCOMPARE(test.questionNumberLabel->text(), QStringLiteral("1"));
        TIKU_VERIFY_SCRIPT(h);
    }

    void switchesReachTheTestScreen_data() {
        QTest::addColumn<bool>("showAnswer");
        QTest::addColumn<bool>("allowBack");
        QTest::newRow("neither") << false << false;
        QTest::newRow("answer only") << true << false;
        QTest::newRow("back only") << false << true;
        QTest::newRow("both") << true << true;
    }
    void switchesReachTheTestScreen() {
        QFETCH(bool, showAnswer);
        QFETCH(bool, allowBack);
        ScreenHarness h;
        writeNumberedBank(h, 10);
        MockTest& test = startTest(h, QStringLiteral("5"), showAnswer, allowBack);
        QCOMPARE(test.answerCaption->isVisible(), showAnswer);
        QCOMPARE(test.previousButton->isVisible(), allowBack);
        QVERIFY(!test.previousButton->isEnabled()); // disabled at the start whatever its visibility
        QVERIFY(!test.answerBox->isVisible());
        TIKU_VERIFY_SCRIPT(h);
    }

    // After an accepted count the same options screen comes back empty on the next visit.
    void laterVisitStartsEmpty() {
        ScreenHarness h;
        writeNumberedBank(h, 10);
        MockTest& test = startTest(h, QStringLiteral("5"), true, true);
        TestOptions* first = &h.form<TestOptions>();
        h.click(test.backButton);
        QVERIFY(h.form<MainMenu>().isVisible());
        QVERIFY(!first->isVisible());
        h.click(h.form<MainMenu>().testButton);
        TestOptions& again = h.form<TestOptions>();
        QCOMPARE(&again, first);
        QVERIFY(again.isVisible());
        QCOMPARE(again.countBox->text(), QString());
        QVERIFY(!again.showAnswerCheck->isChecked());
        QVERIFY(!again.allowBackCheck->isChecked());
        TIKU_VERIFY_SCRIPT(h);
    }

    void leaving_data() {
        QTest::addColumn<bool>("byCloseButton");
        QTest::newRow("返  回") << false;
        QTest::newRow("close button") << true;
    }
    void leaving() {
        QFETCH(bool, byCloseButton);
        ScreenHarness h;
        TestOptions& f = openOptions(h);
        h.type(f.countBox, QStringLiteral("20"));
        h.click(f.showAnswerCheck);
        h.click(f.allowBackCheck);
        if (byCloseButton) {
            f.close();
            h.settle();
        } else {
            h.click(f.backButton);
        }
        QVERIFY(h.form<MainMenu>().isVisible());
        QVERIFY(!h.isLoaded(TestOptions::screenName()));
        QVERIFY(!h.isLoaded(MockTest::screenName()));
        QVERIFY(!h.ended());
        // The next visit starts from the design values.
        h.click(h.form<MainMenu>().testButton);
        TestOptions& again = h.form<TestOptions>();
        QCOMPARE(again.countBox->text(), QString());
        QVERIFY(!again.showAnswerCheck->isChecked());
        QVERIFY(!again.allowBackCheck->isChecked());
        TIKU_VERIFY_SCRIPT(h);
    }
};

QTEST_MAIN(TestOptionsTest)
#include "test_testoptions.moc"
