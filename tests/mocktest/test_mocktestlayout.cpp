// The mock test screen's design: every control's place, caption and font as the screen is
// made, the window, and the focus order.

#include "mockteststeps.h"

using namespace tiku;
using namespace tiku::testing;

class MockTestLayoutTest : public QObject {
    Q_OBJECT

private slots:
    void layout_data() {
        testing::addDesignColumns();
        QTest::addColumn<bool>("shown");
        const QString kai = QStringLiteral("楷体_GB2312");
        const QString song = QStringLiteral("宋体");
        const QString comic = QStringLiteral("Comic Sans MS");
        QTest::newRow("Label1") << "Label1"
                                << "试  题：" << QRect(240, 120, 1695, 375) << kai << 15.75 << true
                                << true;
        QTest::newRow("Label6") << "Label6"
                                << "共" << QRect(2280, 240, 255, 255) << song << 10.5 << false
                                << true;
        QTest::newRow("Label4") << "Label4"
                                << "" << QRect(2520, 240, 615, 255) << song << 10.5 << false
                                << true;
        QTest::newRow("Label8") << "Label8"
                                << "题，当前第" << QRect(3240, 240, 1095, 255) << song << 10.5
                                << false << true;
        QTest::newRow("Label9") << "Label9"
                                << "" << QRect(4320, 240, 375, 255) << song << 10.5 << false
                                << true;
        QTest::newRow("Label10") << "Label10"
                                 << "题。" << QRect(4800, 240, 495, 255) << song << 10.5 << false
                                 << true;
        QTest::newRow("Text1") << "Text1"
                               << "" << QRect(240, 600, 7935, 3615) << kai << 15.75 << true << true;
        QTest::newRow("Label5") << "Label5"
                                << "答案：" << QRect(8400, 480, 975, 255) << kai << 14.25 << true
                                << false;
        QTest::newRow("Text2") << "Text2"
                               << "" << QRect(8520, 960, 615, 390) << song << 14.25 << false
                               << false;
        QTest::newRow("Command1") << "Command1"
                                  << "上一题" << QRect(8400, 1560, 975, 375) << song << 10.5
                                  << false << true;
        QTest::newRow("Command2") << "Command2"
                                  << "下一题" << QRect(8400, 2280, 975, 375) << song << 10.5
                                  << false << true;
        QTest::newRow("Command5") << "Command5"
                                  << "交  卷" << QRect(8400, 3240, 975, 375) << song << 10.5
                                  << false << true;
        QTest::newRow("Command3") << "Command3"
                                  << "返  回" << QRect(8400, 3840, 975, 375) << song << 10.5
                                  << false << true;
        QTest::newRow("Label3") << "Label3"
                                << "请选择：" << QRect(240, 4560, 1335, 375) << kai << 14.25 << true
                                << true;
        const int letterLeft[] = {1800, 2520, 3240, 3960, 4680};
        const int optionLeft[] = {2160, 2880, 3600, 4320, 4920};
        for (int i = 0; i < 5; ++i) {
            const QString label = QStringLiteral("Label2(%1)").arg(i);
            const QString option = QStringLiteral("Option1(%1)").arg(i);
            QTest::newRow(qPrintable(label))
                << label << QString(QChar(u'A' + i)) << QRect(letterLeft[i], 4440, 255, 375)
                << comic << 15.75 << true << true;
            QTest::newRow(qPrintable(option))
                << option << "Option1" << QRect(optionLeft[i], 4560, 255, 180) << "" << 0.0 << false
                << true;
        }
    }
    // Freshly created, before the options screen or the set-up write into it.
    void layout() {
        QFETCH(QString, name);
        QFETCH(bool, shown);
        ScreenHarness h;
        MockTest& f = h.form<MockTest>();
        QWidget* w = testing::designControl(&f, name);
        QVERIFY(w);
        testing::verifyDesignRow(w);
        if (QTest::currentTestFailed()) {
            return;
        }
        QCOMPARE(!w->isHidden(), shown);
        QCOMPARE(w->isEnabled(), name != QStringLiteral("Command1"));
        if (name.startsWith("Label")) {
            QCOMPARE(w->focusPolicy(), Qt::NoFocus);
        }
        if (auto* option = qobject_cast<QRadioButton*>(w)) {
            QVERIFY(!option->isChecked());
        }
        if (name == "Label4" || name == "Label9") {
            QVERIFY(static_cast<QLabel*>(w)->alignment() & Qt::AlignHCenter);
        }
        QVERIFY(f.questionBox->isReadOnly());
        QVERIFY(f.answerBox->isReadOnly());
        QCOMPARE(f.questionBox->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    }

    void window() {
        ScreenHarness h;
        MockTest& f = h.form<MockTest>();
        QCOMPARE(f.windowTitle(), QStringLiteral("模拟测试"));
        QCOMPARE(f.size(), QSize(9630 / 15, 5085 / 15));
        QCOMPARE(f.minimumSize(), f.maximumSize()); // not resizable
        QVERIFY(!(f.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(f.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(f.windowFlags() & Qt::WindowCloseButtonHint);
        QCOMPARE(f.windowType(), Qt::Dialog); // no taskbar entry
        QVERIFY(!f.findChild<QWidget*>(QStringLiteral("Label7")));
    }

    void focusOrder() {
        ScreenHarness h;
        MockTest& f = h.form<MockTest>();
        QCOMPARE(f.focusWidget(), f.handInButton);
        const QList<QWidget*> order = {f.handInButton,     f.answerOptions[4], f.answerBox,
                                       f.answerOptions[3], f.answerOptions[2], f.answerOptions[1],
                                       f.answerOptions[0], f.questionBox,      f.previousButton,
                                       f.nextButton,       f.backButton};
        QCOMPARE(tabChain(f.handInButton), order);
    }
};

QTEST_MAIN(MockTestLayoutTest)
#include "test_mocktestlayout.moc"
