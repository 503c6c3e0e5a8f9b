// The bank browser's design: window, controls, fonts, focus order and initial state.

#include "bankfiles.h"
#include "screentest.h"

#include "browser/form3.h"
#include "shell/form1.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

using namespace tiku;
using tiku::testing::ScreenHarness;

namespace {

QWidget* control(Form3& f, const QString& name) {
    const QHash<QString, QWidget*> controls{
        {"Label1", f.Label1},     {"Text1", f.Text1},       {"Label2", f.Label2},
        {"Text2", f.Text2},       {"Command4", f.Command4}, {"Command1", f.Command1},
        {"Command2", f.Command2}, {"Command5", f.Command5}, {"Command3", f.Command3},
        {"Label3", f.Label3},     {"Label4", f.Label4},     {"Label5", f.Label5},
        {"Label6", f.Label6},     {"Label7", f.Label7},     {"Text3", f.Text3},
        {"Label8", f.Label8},     {"Command6", f.Command6}};
    return controls.value(name);
}

// The browser shown from the main menu, over a bank of twelve questions.
Form3& browse(ScreenHarness& h) {
    testing::writeBank(h.folder(), testing::numberedQuestions(12, "人文"),
                       testing::numberedQuestions(12, "临床"));
    Toolkit::instance().show(h.form<Form1>());
    h.settle();
    h.click(h.form<Form1>().Command1);
    return h.form<Form3>();
}

} // namespace

class Form3LayoutTest : public QObject {
    Q_OBJECT

private slots:
    void controls_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<QString>("family"); // empty: the screen's default font
        QTest::addColumn<double>("points");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("hidden");

        const QString kai = QStringLiteral("楷体_GB2312");
        const QString song = QStringLiteral("宋体");
        auto row = [](const char* name, const char* caption, QRect twips, const QString& family,
                      double points, bool bold, bool enabled = true, bool hidden = false) {
            QTest::newRow(name) << QString::fromUtf8(name) << QString::fromUtf8(caption) << twips
                                << family << points << bold << enabled << hidden;
        };
        row("Label1", "试  题：", QRect(240, 120, 1575, 375), kai, 15.75, true);
        row("Text1", "", QRect(240, 600, 7935, 3615), kai, 15.75, true);
        row("Label2", "答案：", QRect(8520, 480, 1095, 255), kai, 14.25, true);
        row("Text2", "", QRect(8640, 840, 495, 375), song, 14.25, false, true, true);
        row("Command4", "第一题", QRect(8400, 1440, 975, 375), song, 10.5, false);
        row("Command1", "上一题", QRect(8400, 2040, 975, 375), song, 10.5, false, false);
        row("Command2", "下一题", QRect(8400, 2640, 975, 375), song, 10.5, false);
        row("Command5", "最后一题", QRect(8400, 3240, 975, 375), QString(), 0, false);
        row("Command3", "返  回", QRect(8400, 3840, 975, 375), song, 10.5, false);
        row("Label3", "共", QRect(240, 4440, 255, 255), song, 10.5, false);
        row("Label4", "", QRect(480, 4440, 615, 255), song, 10.5, false);
        row("Label5", "题，当前第", QRect(1200, 4440, 1095, 255), song, 10.5, false);
        row("Label6", "", QRect(2280, 4440, 495, 255), song, 10.5, false);
        row("Label7", "题。    跳转至第", QRect(2880, 4440, 1695, 255), song, 10.5, false);
        row("Text3", "", QRect(4560, 4440, 855, 330), song, 10.5, false);
        row("Label8", "题。", QRect(5520, 4440, 495, 255), song, 10.5, false);
        row("Command6", "跳  转", QRect(6120, 4440, 975, 375), song, 10.5, false);
    }
    void controls() {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QRect, twips);
        QFETCH(QString, family);
        QFETCH(double, points);
        QFETCH(bool, bold);
        QFETCH(bool, enabled);
        QFETCH(bool, hidden);

        ScreenHarness h;
        Form3& f = h.form<Form3>(); // freshly created, before any activation
        QWidget* w = control(f, name);
        QVERIFY(w);
        QCOMPARE(w->parentWidget(), &f);
        testing::verifyDesign(w, caption, twips, family, points, bold);
        if (QTest::currentTestFailed()) {
            return;
        }
        if (family.isEmpty()) {
            // No font of its own: the toolkit's default, unlike the buttons around it.
            QVERIFY(w->font().family() != QStringLiteral("宋体"));
        }
        QCOMPARE(w->isEnabled(), enabled);
        QCOMPARE(w->isHidden(), hidden);
        if (auto* button = qobject_cast<QPushButton*>(w)) {
            QVERIFY(!button->isDefault());
        }
    }

    void window() {
        ScreenHarness h;
        Form3& f = h.form<Form3>();
        QCOMPARE(f.windowTitle(), QStringLiteral("查看题库"));
        const QSize client(9585 / 15, 4920 / 15);
        QCOMPARE(f.size(), client);
        QCOMPARE(f.minimumSize(), client); // not resizable
        QCOMPARE(f.maximumSize(), client);
        QVERIFY(!(f.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(f.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(f.windowFlags() & Qt::WindowCloseButtonHint);
        QCOMPARE(f.windowType(), Qt::Dialog);
    }

    void labelsAndAlignment() {
        ScreenHarness h;
        Form3& f = h.form<Form3>();
        for (Label* label :
             {f.Label1, f.Label2, f.Label3, f.Label4, f.Label5, f.Label6, f.Label7, f.Label8}) {
            QCOMPARE(label->focusPolicy(), Qt::NoFocus);
        }
        QVERIFY(f.Label4->alignment() & Qt::AlignHCenter);
        QVERIFY(f.Label6->alignment() & Qt::AlignHCenter);
        QVERIFY(!(f.Label5->alignment() & Qt::AlignHCenter));
    }

    void textBoxes() {
        ScreenHarness h;
        Form3& f = browse(h);
        QVERIFY(f.Text1->isReadOnly());
        QVERIFY(f.Text2->isReadOnly());
        QVERIFY(!f.Text3->isReadOnly());
        QCOMPARE(f.Text1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QVERIFY(f.Text1->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff);

        // The user can type into the jump box only.
        const QString question = f.Text1->toPlainText();
        h.type(f.Text1, QStringLiteral("xyz"));
        QCOMPARE(f.Text1->toPlainText(), question);
        h.type(f.Text3, QStringLiteral("12"));
        QCOMPARE(f.Text3->text(), QStringLiteral("12"));

        // A question longer than the box scrolls.
        QCOMPARE(f.Text1->verticalScrollBar()->maximum(), 0);
        QStringList lines;
        for (int i = 0; i < 60; ++i) {
            lines << QStringLiteral("第%1行").arg(i);
        }
        f.Text1->setPlainText(lines.join('\n'));
        QCoreApplication::processEvents();
        QVERIFY(f.Text1->verticalScrollBar()->maximum() > 0);
        TIKU_VERIFY_SCRIPT(h);
    }

    void focusOrder() {
        ScreenHarness h;
        Form3& f = browse(h);
        QVERIFY(f.isVisible());
        QCOMPARE(f.focusWidget(), f.Command6);
        const QList<QWidget*> order{f.Command6, f.Text3,    f.Command5, f.Command4, f.Command3,
                                    f.Command2, f.Command1, f.Text2,    f.Text1};
        // The controls that take the focus, once round the chain from tab place 0.
        QList<QWidget*> chain{f.Command6};
        for (QWidget* w = f.Command6->nextInFocusChain(); w != f.Command6 && chain.size() < 100;
             w = w->nextInFocusChain()) {
            if (w->focusPolicy() & Qt::TabFocus) {
                chain << w;
            }
        }
        QCOMPARE(chain, order);
        // With the keyboard: the disabled 上一题 and the hidden answer box are passed over.
        const QList<QWidget*> tabbing{f.Text3,    f.Command5, f.Command4,
                                      f.Command3, f.Command2, f.Text1};
        for (QWidget* next : tabbing) {
            QTest::keyClick(f.focusWidget(), Qt::Key_Tab);
            QCOMPARE(f.focusWidget(), next);
        }
        TIKU_VERIFY_SCRIPT(h);
    }
};

QTEST_MAIN(Form3LayoutTest)
#include "test_form3layout.moc"
