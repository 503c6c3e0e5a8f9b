// The browser's rules without the screen: the moves, the button states, the jump and its
// refusals, with the number kept as the text the screen shows.

#include "failurecode.h"

#include "browser/browserposition.h"
#include "core/convert.h"

#include <QTest>

using namespace tiku;
using testing::failureCode;

namespace {

// One step of a user's script on a position: next, prev, first, last, or "jump <text>". Returns
// the row the screen shows for it, 0 for a jump refused.
int act(BrowserPosition& p, const QString& step) {
    if (step == "next") {
        const qint16 row = p.nextRow();
        p.movedForward(row);
        return row;
    }
    if (step == "prev") {
        const qint16 row = p.previousRow();
        p.movedBack(row);
        return row;
    }
    if (step == "first") {
        p.movedToFirst();
        return 1;
    }
    if (step == "last") {
        const int row = strictInt16(p.lastRow());
        p.movedToLast();
        return row;
    }
    const BrowserPosition::Jump jump = p.jumpTarget(step.mid(5));
    if (!jump.inRange) {
        return 0;
    }
    p.jumped(jump);
    return jump.number;
}

BrowserPosition opened(int bankRows) {
    BrowserPosition p;
    p.openBank(bankRows);
    p.openedAtFirst();
    return p;
}

} // namespace

class BrowserPositionTest : public QObject {
    Q_OBJECT
private slots:
    void opening() {
        const BrowserPosition p = opened(350);
        QCOMPARE(p.sizeText(), QStringLiteral("350"));
        QCOMPARE(p.numberText(), QStringLiteral("1"));
        QVERIFY(!p.previousEnabled());
        QVERIFY(p.nextEnabled());
        QCOMPARE(p.rangeMessage(), QStringLiteral("请输入1-350之间的数字!"));
    }

    // A bank of 12 questions.
    void moves_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("number");
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("previousEnabled");
        QTest::addColumn<bool>("nextEnabled");
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
        QFETCH(QString, number);
        QFETCH(int, row);
        QFETCH(bool, previousEnabled);
        QFETCH(bool, nextEnabled);
        BrowserPosition p = opened(12);
        int shown = 1;
        for (const QString& step : steps) {
            shown = act(p, step);
        }
        QCOMPARE(p.numberText(), number);
        QCOMPARE(shown, row);
        QCOMPARE(p.previousEnabled(), previousEnabled);
        QCOMPARE(p.nextEnabled(), nextEnabled);
    }

    // A refused jump: 13 for text that is no number, 6 past the 16-bit range, else the range
    // message alone; nothing changes.
    void jumpRefused_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("code"); // 0: the range message alone
        QTest::newRow("0") << "0" << 0;
        QTest::newRow("negative") << "-3" << 0;
        QTest::newRow("N + 1") << "13" << 0;
        QTest::newRow("far beyond N") << "32767" << 0;
        QTest::newRow("fraction rounding to 0") << "0.5" << 0;
        QTest::newRow("fraction rounding to N + 1") << "13.5" << 0;
        QTest::newRow("empty") << "" << 13;
        QTest::newRow("letters") << "abc" << 13;
        QTest::newRow("number then letters") << "5x" << 13;
        QTest::newRow("40000") << "40000" << 6;
        QTest::newRow("-40000") << "-40000" << 6;
        QTest::newRow("fraction rounding past 32767") << "32767.5" << 6;
    }
    void jumpRefused() {
        QFETCH(QString, typed);
        QFETCH(int, code);
        BrowserPosition p = opened(12);
        act(p, "jump 5");
        if (code != 0) {
            QCOMPARE(failureCode([&] { p.jumpTarget(typed); }), code);
        } else {
            QVERIFY(!p.jumpTarget(typed).inRange);
        }
        QCOMPARE(p.numberText(), QStringLiteral("5"));
        QVERIFY(p.previousEnabled());
        QVERIFY(p.nextEnabled());
    }

    // A bank of one question: no move leads anywhere, so both buttons stay disabled.
    void oneQuestionBank_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("opening") << QStringList{};
        QTest::newRow("第一题") << QStringList{"first"};
        QTest::newRow("最后一题") << QStringList{"last"};
        QTest::newRow("jump 1") << QStringList{"jump 1"};
        QTest::newRow("jump 1.4") << QStringList{"jump 1.4"};
        QTest::newRow("jump 2 refused") << QStringList{"jump 2"};
        QTest::newRow("everything") << QStringList{"last", "first", "jump 01", "last", "first"};
    }
    void oneQuestionBank() {
        QFETCH(QStringList, steps);
        BrowserPosition p = opened(1);
        for (const QString& step : steps) {
            act(p, step);
            QVERIFY(!p.previousEnabled());
            QVERIFY(!p.nextEnabled());
        }
        QVERIFY(!p.previousEnabled());
        QVERIFY(!p.nextEnabled());
        QCOMPARE(strictInt16(p.numberText()), qint16(1));
    }
};

QTEST_GUILESS_MAIN(BrowserPositionTest)
#include "test_browserposition.moc"
