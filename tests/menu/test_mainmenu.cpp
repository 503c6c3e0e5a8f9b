// The main menu through its real widgets.

#include "bankfiles.h"
#include "screentest.h"

#include "browser/browser.h"
#include "menu/mainmenu.h"
#include "mocktest/testoptions.h"

#include <QFontInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

using namespace tiku;
using tiku::testing::ScreenHarness;

class MainMenuTest : public QObject {
    Q_OBJECT

    // The main menu shown as at program start, over a bank of ten questions a side.
    static MainMenu& start(ScreenHarness& h) {
        testing::writeBank(h.folder(), testing::numberedQuestions(10, "人文"),
                           testing::numberedQuestions(10, "临床"));
        Toolkit& toolkit = Toolkit::instance();
        toolkit.show(h.form<MainMenu>());
        h.settle();
        return h.form<MainMenu>();
    }

private slots:
    void layout_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<double>("points");
        QTest::newRow("Label1") << "Label1"
                                << "题库选择：" << QRect(720, 240, 1695, 255) << 14.25;
        QTest::newRow("Option1(0)") << "Option1(0)"
                                    << "人文" << QRect(360, 720, 1455, 255) << 14.25;
        QTest::newRow("Option1(1)") << "Option1(1)"
                                    << "临床" << QRect(1440, 720, 1335, 255) << 14.25;
        QTest::newRow("Command1") << "Command1"
                                  << "查看题库" << QRect(480, 1200, 2175, 495) << 14.25;
        QTest::newRow("Command2") << "Command2"
                                  << "模拟测试" << QRect(480, 2040, 2175, 495) << 15.75;
        QTest::newRow("Command3") << "Command3"
                                  << "退  出" << QRect(480, 2880, 2175, 495) << 15.75;
    }
    void layout() {
        QFETCH(QString, control);
        QFETCH(QString, caption);
        QFETCH(QRect, twips);
        QFETCH(double, points);
        ScreenHarness h;
        MainMenu& f = start(h);
        QWidget* w = testing::designControl(&f, control);
        QVERIFY(w);
        testing::verifyDesign(w, caption, twips, QStringLiteral("楷体_GB2312"), points, true);
        if (QTest::currentTestFailed()) {
            return;
        }
        QVERIFY(w->isVisible());
        QVERIFY(w->isEnabled());
    }

    void window() {
        ScreenHarness h;
        MainMenu& f = start(h);
        QCOMPARE(f.windowTitle(), QStringLiteral("题库"));
        QCOMPARE(f.size(), QSize(3045 / 15, 3660 / 15));
        QVERIFY(f.windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(f.windowFlags() & Qt::WindowMaximizeButtonHint);
        QVERIFY(f.bankOptions[0]->isChecked());
        QVERIFY(!f.bankOptions[1]->isChecked());
        // The Kai face stands in for 楷体_GB2312 where that face is missing.
        QVERIFY2(QFontInfo(f.browseButton->font()).family().contains("Kai", Qt::CaseInsensitive),
                 qPrintable(QFontInfo(f.browseButton->font()).family()));
    }

    void focusOrder() {
        ScreenHarness h;
        MainMenu& f = start(h);
        QCOMPARE(f.focusWidget(), f.exitButton);
        QCOMPARE(f.exitButton->nextInFocusChain(), f.testButton);
        QCOMPARE(f.testButton->nextInFocusChain(), f.browseButton);
        QCOMPARE(f.browseButton->nextInFocusChain(), f.bankOptions[0]);
        QCOMPARE(f.bankHeading->focusPolicy(), Qt::NoFocus);
    }

    void selectorByMouseAndKeyboard() {
        ScreenHarness h;
        MainMenu& f = start(h);
        h.click(f.bankOptions[1]);
        QVERIFY(f.bankOptions[1]->isChecked());
        QVERIFY(!f.bankOptions[0]->isChecked());
        // Keyboard: focus on 人文's group and an arrow key moves the choice.
        f.bankOptions[1]->setFocus();
        QTest::keyClick(f.bankOptions[1], Qt::Key_Left);
        QVERIFY(f.bankOptions[0]->isChecked());
        QVERIFY(!f.bankOptions[1]->isChecked());
        TIKU_VERIFY_SCRIPT(h);
    }

    // Every visible part of each option, its round mark and the two ends of its caption, as the
    // style draws them, selects that option under a click through the window system; the two
    // rectangles overlap, so this is where the one on top must not hide the other.
    void everyVisiblePartSelects_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("part");
        for (int index : {0, 1}) {
            for (const char* part : {"mark", "caption start", "caption end"}) {
                QTest::addRow("%s %s", index == 0 ? "人文" : "临床", part) << index << part;
            }
        }
    }
    void everyVisiblePartSelects() {
        QFETCH(int, index);
        QFETCH(QString, part);
        ScreenHarness h;
        MainMenu& f = start(h);
        QRadioButton* target = f.bankOptions[std::size_t(index)];
        QRadioButton* other = f.bankOptions[std::size_t(1 - index)];
        other->setChecked(true);

        QStyleOptionButton look;
        look.initFrom(target);
        look.text = target->text();
        const QRect mark =
            target->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &look, target);
        const QRect contents =
            target->style()->subElementRect(QStyle::SE_RadioButtonContents, &look, target);
        const int captionWidth = target->fontMetrics().horizontalAdvance(target->text());
        QPoint at = mark.center();
        if (part == QStringLiteral("caption start")) {
            at = QPoint(contents.left() + 2, contents.center().y());
        } else if (part == QStringLiteral("caption end")) {
            at = QPoint(contents.left() + captionWidth - 2, contents.center().y());
        }
        QVERIFY2(target->rect().contains(at), "the part lies outside the option");
        h.clickAt(&f, target->mapTo(&f, at));
        QVERIFY2(target->isChecked(),
                 qPrintable(QStringLiteral("the click at (%1, %2) reached the other option")
                                .arg(at.x())
                                .arg(at.y())));
        QVERIFY(!other->isChecked());
        TIKU_VERIFY_SCRIPT(h);
    }

    // A click on 临床's mark, then 查看题库: the browser opens the 临床 bank.
    void clinicalMarkOpensClinicalBank() {
        ScreenHarness h;
        MainMenu& f = start(h);
        QStyleOptionButton look;
        look.initFrom(f.bankOptions[1]);
        const QRect mark = f.bankOptions[1]->style()->subElementRect(
            QStyle::SE_RadioButtonIndicator, &look, f.bankOptions[1]);
        h.clickAt(&f, f.bankOptions[1]->mapTo(&f, mark.center()));
        QVERIFY(f.bankOptions[1]->isChecked());
        h.clickAt(&f, f.browseButton->geometry().center());
        Browser& browser = h.form<Browser>();
        QVERIFY(browser.isVisible());
        QVERIFY(browser.questionBox->toPlainText().startsWith(QStringLiteral("临床第1题\n")));
        TIKU_VERIFY_SCRIPT(h);
    }

    void selectionSurvivesBrowsing() {
        ScreenHarness h;
        MainMenu& f = start(h);
        h.click(f.bankOptions[1]);
        h.click(f.browseButton);
        QVERIFY(h.form<Browser>().isVisible());
        QVERIFY(!f.isVisible());
        QVERIFY(h.isLoaded(MainMenu::screenName()));
        h.form<Browser>().close(); // back to the menu
        h.settle();
        QVERIFY(f.isVisible());
        QVERIFY(f.bankOptions[1]->isChecked());
        QVERIFY(!h.ended());
        TIKU_VERIFY_SCRIPT(h);
    }

    void testOptionsShownMenuHidden() {
        ScreenHarness h;
        MainMenu& f = start(h);
        h.click(f.testButton);
        QVERIFY(h.form<TestOptions>().isVisible());
        QVERIFY(!f.isVisible());
        TIKU_VERIFY_SCRIPT(h);
    }

    void exitEndsTheProgram_data() {
        QTest::addColumn<bool>("byCloseButton");
        QTest::addColumn<bool>("withForm2Loaded");
        QTest::newRow("exit button") << false << false;
        QTest::newRow("close button") << true << false;
        QTest::newRow("exit button, test options loaded") << false << true;
        QTest::newRow("close button, test options loaded") << true << true;
    }
    void exitEndsTheProgram() {
        QFETCH(bool, byCloseButton);
        QFETCH(bool, withForm2Loaded);
        ScreenHarness h;
        MainMenu& f = start(h);
        if (withForm2Loaded) {
            h.click(f.testButton);
            Toolkit::instance().show(f);
            Toolkit::instance().hide(h.form<TestOptions>());
            h.settle();
        }
        if (byCloseButton) {
            f.close();
        } else {
            h.click(f.exitButton);
        }
        h.settle();
        QVERIFY(h.ended());
        QCOMPARE(h.exitCode(), 0);
        QCOMPARE(h.isLoaded(TestOptions::screenName()), withForm2Loaded); // no unload reached it
        QVERIFY(!h.timeline().contains("close"));
        TIKU_VERIFY_SCRIPT(h);
    }
};

QTEST_MAIN(MainMenuTest)
#include "test_mainmenu.moc"
