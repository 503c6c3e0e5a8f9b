// The bank browser's design: window, controls, fonts, focus order and initial state.

#include "bankfiles.h"
#include "screentest.h"

#include "browser/browser.h"
#include "menu/mainmenu.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

using namespace tiku;
using tiku::testing::ScreenHarness;

namespace {

// The browser shown from the main menu, over a bank of twelve questions.
Browser& browse(ScreenHarness& h) {
    testing::writeBank(h.folder(), testing::numberedQuestions(12, "人文"),
                       testing::numberedQuestions(12, "临床"));
    Toolkit::instance().show(h.form<MainMenu>());
    h.settle();
    h.click(h.form<MainMenu>().browseButton);
    return h.form<Browser>();
}

} // namespace

class BrowserLayoutTest : public QObject {
    Q_OBJECT

private slots:
    void controls_data() {
        testing::addDesignColumns();
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
        QFETCH(QString, family);
        QFETCH(bool, enabled);
        QFETCH(bool, hidden);

        ScreenHarness h;
        Browser& f = h.form<Browser>(); // freshly created, before any activation
        QWidget* w = testing::designControl(&f, name);
        QVERIFY(w);
        QCOMPARE(w->parentWidget(), &f);
        testing::verifyDesignRow(w);
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
        Browser& f = h.form<Browser>();
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
        Browser& f = h.form<Browser>();
        for (Label* label : {f.questionHeading, f.answerCaption, f.countPrefix, f.bankSizeLabel,
                             f.currentPrefix, f.questionNumberLabel, f.jumpPrefix, f.jumpSuffix}) {
            QCOMPARE(label->focusPolicy(), Qt::NoFocus);
        }
        QVERIFY(f.bankSizeLabel->alignment() & Qt::AlignHCenter);
        QVERIFY(f.questionNumberLabel->alignment() & Qt::AlignHCenter);
        QVERIFY(!(f.currentPrefix->alignment() & Qt::AlignHCenter));
    }

    void textBoxes() {
        ScreenHarness h;
        Browser& f = browse(h);
        QVERIFY(f.questionBox->isReadOnly());
        QVERIFY(f.answerBox->isReadOnly());
        QVERIFY(!f.jumpBox->isReadOnly());
        QCOMPARE(f.questionBox->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QVERIFY(f.questionBox->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff);

        // The user can type into the jump box only.
        const QString question = f.questionBox->toPlainText();
        h.type(f.questionBox, QStringLiteral("xyz"));
        QCOMPARE(f.questionBox->toPlainText(), question);
        h.type(f.jumpBox, QStringLiteral("12"));
        QCOMPARE(f.jumpBox->text(), QStringLiteral("12"));

        // A question longer than the box scrolls.
        QCOMPARE(f.questionBox->verticalScrollBar()->maximum(), 0);
        QStringList lines;
        for (int i = 0; i < 60; ++i) {
            lines << QStringLiteral("第%1行").arg(i);
        }
        f.questionBox->setPlainText(lines.join('\n'));
        QCoreApplication::processEvents();
        QVERIFY(f.questionBox->verticalScrollBar()->maximum() > 0);
        TIKU_VERIFY_SCRIPT(h);
    }

    void focusOrder() {
        ScreenHarness h;
        Browser& f = browse(h);
        QVERIFY(f.isVisible());
        QCOMPARE(f.focusWidget(), f.jumpButton);
        const QList<QWidget*> order{f.jumpButton,     f.jumpBox,    f.lastButton,
                                    f.firstButton,    f.backButton, f.nextButton,
                                    f.previousButton, f.answerBox,  f.questionBox};
        // The controls that take the focus, once round the chain from tab place 0.
        QList<QWidget*> chain{f.jumpButton};
        for (QWidget* w = f.jumpButton->nextInFocusChain(); w != f.jumpButton && chain.size() < 100;
             w = w->nextInFocusChain()) {
            if (w->focusPolicy() & Qt::TabFocus) {
                chain << w;
            }
        }
        QCOMPARE(chain, order);
        // With the keyboard: the disabled 上一题 and the hidden answer box are passed over.
        const QList<QWidget*> tabbing{f.jumpBox,    f.lastButton, f.firstButton,
                                      f.backButton, f.nextButton, f.questionBox};
        for (QWidget* next : tabbing) {
            QTest::keyClick(f.focusWidget(), Qt::Key_Tab);
            QCOMPARE(f.focusWidget(), next);
        }
        TIKU_VERIFY_SCRIPT(h);
    }
};

QTEST_MAIN(BrowserLayoutTest)
#include "test_browserlayout.moc"
