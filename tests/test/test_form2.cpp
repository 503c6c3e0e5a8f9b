// The test options screen through its real widgets: layout, the count check with its two
// messages, the hand-over to the test screen, and leaving.

#include "testscreens.h"

#include <QEvent>
#include <QFontInfo>

using namespace tiku;
using namespace tiku::testing;

namespace {

QWidget* control(Form2& f, const QString& name) {
    const QHash<QString, QWidget*> controls = {{"Label1", f.Label1},     {"Text1", f.Text1},
                                               {"Label2", f.Label2},     {"Check1", f.Check1},
                                               {"Label3", f.Label3},     {"Check2", f.Check2},
                                               {"Command1", f.Command1}, {"Command2", f.Command2}};
    return controls.value(name);
}

// Records the caption of Label4 at the moment the test screen is shown.
class ShowProbe : public QObject {
public:
    explicit ShowProbe(Form4& f) : form(f) { f.installEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &form && event->type() == QEvent::Show) {
            captionAtShow.append(form.Label4->text());
        }
        return false;
    }
    Form4& form;
    QStringList captionAtShow;
};

} // namespace

class Form2Test : public QObject {
    Q_OBJECT

    static Form2& openOptions(ScreenHarness& h) {
        writeNumberedBank(h, 100);
        h.click(mainMenu(h).Command2);
        return h.form<Form2>();
    }

private slots:
    void layout_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<QString>("family"); // empty: the screen's default font
        QTest::addColumn<double>("points");
        QTest::addColumn<bool>("bold");
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
        QFETCH(QString, caption);
        QFETCH(QRect, twips);
        QFETCH(QString, family);
        QFETCH(double, points);
        QFETCH(bool, bold);
        ScreenHarness h;
        Form2& f = openOptions(h);
        QWidget* w = control(f, name);
        QVERIFY(w);
        testing::verifyDesign(w, caption, twips, family, points, bold);
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
        QVERIFY(!f.Text1->isReadOnly());
    }

    void window() {
        ScreenHarness h;
        Form2& f = openOptions(h);
        QCOMPARE(f.windowTitle(), QStringLiteral("测试选项"));
        QCOMPARE(f.size(), QSize(2580 / 15, 2535 / 15));
        QVERIFY(f.windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(f.windowFlags() & Qt::WindowMaximizeButtonHint);
        QVERIFY(f.minimumSize() != f.maximumSize()); // resizable
        // Resizing moves nothing.
        const QRect before = f.Command2->geometry();
        f.resize(f.width() + 100, f.height() + 80);
        h.settle();
        QCOMPARE(f.Command2->geometry(), before);
        QVERIFY(!h.form<Form1>().isVisible());
        TIKU_VERIFY_SCRIPT(h);
    }

    void focusOrder() {
        ScreenHarness h;
        Form2& f = openOptions(h);
        QCOMPARE(f.focusWidget(), f.Command2);
        const QList<QWidget*> order = {f.Command2, f.Command1, f.Check2, f.Check1, f.Text1};
        QCOMPARE(tabChain(f.Command2), order);
    }

    void countCheck_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message"); // empty: accepted
        const QString range = QStringLiteral("请输入5-100之间的数字!");
        const QString notNumber = QStringLiteral("请输入1-100之间的数字!");
        QTest::newRow("5") << "5"
                           << "";
        QTest::newRow("100") << "100"
                             << "";
        QTest::newRow("7.5") << "7.5"
                             << "";
        QTest::newRow("007") << "007"
                             << "";
        QTest::newRow("4") << "4" << range;
        QTest::newRow("101") << "101" << range;
        QTest::newRow("4.99") << "4.99" << range;
        QTest::newRow("100.5") << "100.5" << range;
        QTest::newRow("negative") << "-20" << range;
        QTest::newRow("0") << "0" << range;
        QTest::newRow("empty") << "" << notNumber;
        QTest::newRow("letters") << "abc" << notNumber;
        QTest::newRow("digits and letters") << "12a" << notNumber;
        QTest::newRow("too large for a double") << "1e999" << notNumber;
    }
    void countCheck() {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        ScreenHarness h;
        Form2& f = openOptions(h);
        h.type(f.Text1, typed);
        h.click(f.Check1);
        h.click(f.Check2);
        if (!message.isEmpty()) {
            h.expectMessage(message);
        }
        h.click(f.Command1);
        if (message.isEmpty()) {
            // Accepted: the test screen has the count exactly as typed; the input is cleared.
            QVERIFY(h.isLoaded(Form4::screenName()));
            QCOMPARE(h.form<Form4>().Label4->text(), typed);
            QVERIFY(h.form<Form4>().isVisible());
            QVERIFY(!f.isVisible());
            QVERIFY(h.isLoaded(Form2::screenName()));
            QCOMPARE(f.Text1->text(), QString());
            QVERIFY(!f.Check1->isChecked());
            QVERIFY(!f.Check2->isChecked());
        } else {
            // Refused: nothing changes, the user stays on the screen.
            QVERIFY(!h.isLoaded(Form4::screenName()));
            QVERIFY(f.isVisible());
            QCOMPARE(f.Text1->text(), typed);
            QVERIFY(f.Check1->isChecked());
            QVERIFY(f.Check2->isChecked());
        }
        QVERIFY(!h.ended());
        TIKU_VERIFY_SCRIPT(h);
    }

    // The test screen is shown before the settings are written into it, and its activation
    // (which draws the paper) sees them.
    void shownBeforeHandOver() {
        ScreenHarness h;
        Form2& f = openOptions(h);
        ShowProbe probe(h.form<Form4>());
        h.type(f.Text1, QStringLiteral("6"));
        h.click(f.Command1);
        QCOMPARE(probe.captionAtShow, QStringList{QString()});
        Form4& test = h.form<Form4>();
        QCOMPARE(int(test.paperRows.size()), 7); // drawn for 6 questions
        QCOMPARE(test.Label9->text(), QStringLiteral("1"));
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
        Form4& test = startTest(h, QStringLiteral("5"), showAnswer, allowBack);
        QCOMPARE(test.Label5->isVisible(), showAnswer);
        QCOMPARE(test.Command1->isVisible(), allowBack);
        QVERIFY(!test.Command1->isEnabled()); // disabled at the start whatever its visibility
        QVERIFY(!test.Text2->isVisible());
        TIKU_VERIFY_SCRIPT(h);
    }

    // After an accepted count the same options screen comes back empty on the next visit.
    void laterVisitStartsEmpty() {
        ScreenHarness h;
        writeNumberedBank(h, 10);
        Form4& test = startTest(h, QStringLiteral("5"), true, true);
        Form2* first = &h.form<Form2>();
        h.click(test.Command3);
        QVERIFY(h.form<Form1>().isVisible());
        QVERIFY(!first->isVisible());
        h.click(h.form<Form1>().Command2);
        Form2& again = h.form<Form2>();
        QCOMPARE(&again, first);
        QVERIFY(again.isVisible());
        QCOMPARE(again.Text1->text(), QString());
        QVERIFY(!again.Check1->isChecked());
        QVERIFY(!again.Check2->isChecked());
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
        Form2& f = openOptions(h);
        h.type(f.Text1, QStringLiteral("20"));
        h.click(f.Check1);
        h.click(f.Check2);
        if (byCloseButton) {
            f.close();
            h.settle();
        } else {
            h.click(f.Command2);
        }
        QVERIFY(h.form<Form1>().isVisible());
        QVERIFY(!h.isLoaded(Form2::screenName()));
        QVERIFY(!h.isLoaded(Form4::screenName()));
        QVERIFY(!h.ended());
        // The next visit starts from the design values.
        h.click(h.form<Form1>().Command2);
        Form2& again = h.form<Form2>();
        QCOMPARE(again.Text1->text(), QString());
        QVERIFY(!again.Check1->isChecked());
        QVERIFY(!again.Check2->isChecked());
        TIKU_VERIFY_SCRIPT(h);
    }
};

QTEST_MAIN(Form2Test)
#include "test_form2.moc"
