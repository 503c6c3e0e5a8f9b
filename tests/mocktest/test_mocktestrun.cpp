// A mock-test run without the screen: the count as typed and the rules built on it, the set-up,
// the moves and their end tests, the stored choices, and the score with its report.

#include "failurecode.h"

#include "mocktest/mocktestrun.h"

#include <QTest>

using namespace tiku;
using testing::failureCode;

namespace {

// Row r of the test bank has the answer "A" to "E", cycling.
QString answerOfRow(int r) {
    return QString(QChar(u'A' + (r - 1) % 5));
}

// A run set up on a bank of bankRows questions, its paper rows 1, 2, 3 … in order, question 1
// shown.
MockTestRun setUp(const QString& countText, qint16 bankRows) {
    MockTestRun run(countText);
    run.sizeArrays();
    int i = 0;
    run.drawPaper(bankRows, [&] { return (i++ + 0.5) / bankRows; });
    run.setRightAnswer(answerOfRow(run.currentRow()));
    return run;
}

// 下一题 as the screen takes it: refused at the end by number, else one forward and the new
// question shown. Returns whether it moved.
bool next(MockTestRun& run) {
    if (run.atLastByNumber()) {
        return false;
    }
    run.forward();
    run.setRightAnswer(answerOfRow(run.currentRow()));
    return true;
}

QString result(int answered, int right, const QString& accuracy) {
    return QStringLiteral("已回答 %1道问题，答对 %2道。准确率 %3%")
        .arg(answered)
        .arg(right)
        .arg(accuracy);
}

} // namespace

class MockTestRunTest : public QObject {
    Q_OBJECT
private slots:
    void questionCount_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("code"); // the failure of a text that is no number, else 0
        QTest::addColumn<bool>("inRange");
        QTest::newRow("plain") << "10" << 10 << 0 << true;
        QTest::newRow("leading zero") << "010" << 10 << 0 << true;
        QTest::newRow("blank before") << " 10" << 10 << 0 << true;
        QTest::newRow("fraction up") << "7.5" << 8 << 0 << true;
        QTest::newRow("fraction to even") << "8.5" << 8 << 0 << true;
        QTest::newRow("lower bound") << "5" << 5 << 0 << true;
        QTest::newRow("upper bound") << "100" << 100 << 0 << true;
        QTest::newRow("just under") << "4.99" << 5 << 0 << false;
        QTest::newRow("just over") << "100.5" << 100 << 0 << false;
        QTest::newRow("4") << "4" << 4 << 0 << false;
        QTest::newRow("101") << "101" << 101 << 0 << false;
        QTest::newRow("0") << "0" << 0 << 0 << false;
        QTest::newRow("negative") << "-6" << -6 << 0 << false;
        QTest::newRow("empty") << "" << 0 << 13 << false;
        QTest::newRow("letters") << "abc" << 0 << 13 << false;
        QTest::newRow("digits and letters") << "12a" << 0 << 13 << false;
        QTest::newRow("too large for a double") << "1e999" << 0 << 6 << false;
    }
    void questionCount() {
        QFETCH(QString, typed);
        QFETCH(int, count);
        QFETCH(int, code);
        QFETCH(bool, inRange);
        const MockTestRun run(typed);
        QCOMPARE(run.countText(), typed);
        if (code != 0) {
            QCOMPARE(failureCode([&] { run.questionCount(); }), code);
            QCOMPARE(failureCode([&] { countInRange(typed); }), code);
            return;
        }
        QCOMPARE(int(run.questionCount()), count);
        QCOMPARE(countInRange(typed), inRange);
    }

    void setUp() {
        MockTestRun run = ::setUp(QStringLiteral("7.5"), 8);
        QCOMPARE(int(run.paperRows().size()), 9); // 1 to 8, element 0 unused
        QCOMPARE(int(run.currentNo()), 1);
        QCOMPARE(run.numberText(), QStringLiteral("1"));
        QCOMPARE(run.rightAnswers()[1], QStringLiteral("A"));
        for (int k = 2; k <= 8; ++k) {
            QCOMPARE(run.rightAnswers()[k], QString());
            QVERIFY(!run.chosenAnswers()[k].has_value());
        }
        // The bank's size as a 16-bit row range, and a bank too small for the paper.
        QCOMPARE(int(MockTestRun::bankRows(32767)), 32767);
        QCOMPARE(failureCode([] { MockTestRun::bankRows(32768); }), 6);
        QVERIFY(run.bankTooSmall(7));
        QVERIFY(!run.bankTooSmall(8));
        QCOMPARE(run.bankTooSmallMessage(7),
                 QStringLiteral("题库中只有7道题，不足8道，无法组卷！"));
        // Arrays of no element and indices outside them fail with 9.
        MockTestRun none(QStringLiteral("0"));
        QCOMPARE(failureCode([&] { none.sizeArrays(); }), 9);
        QCOMPARE(failureCode([&] { none.choose(0); }), 9);
    }

    // The end by number before the move, by text after it: in plain digits 下一题 is disabled on
    // arriving at the last question; written otherwise (or as a fraction) it stays enabled, and
    // the number test stops it there.
    void endTests_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("last");
        QTest::addColumn<bool>("disabledByText");
        QTest::newRow("10") << "10" << 10 << true;
        QTest::newRow("010") << "010" << 10 << false;
        QTest::newRow(" 10") << " 10" << 10 << false;
        QTest::newRow("10.0") << "10.0" << 10 << false;
        QTest::newRow("7.5") << "7.5" << 8 << false;
        QTest::newRow("6.5") << "6.5" << 6 << false;
        QTest::newRow("5.0") << "5.0" << 5 << false;
    }
    void endTests() {
        QFETCH(QString, typed);
        QFETCH(int, last);
        QFETCH(bool, disabledByText);
        MockTestRun run = ::setUp(typed, 20);
        for (int k = 2; k <= last; ++k) {
            QVERIFY(next(run));
            QCOMPARE(run.forwardAtLastByText(), k == last && disabledByText);
            QCOMPARE(run.handInNeedsConfirmation(), k != last);
        }
        QVERIFY(!next(run));
        QCOMPARE(int(run.currentNo()), last);
        QCOMPARE(int(run.paperRows().size()), last + 1);
    }

    // Back to 1 disables 上一题 on the number on screen; at 1 the run does not move.
    void goingBack() {
        MockTestRun run = ::setUp(QStringLiteral("5"), 5);
        QVERIFY(run.atFirst());
        next(run);
        next(run);
        run.back();
        QVERIFY(!run.backAtFirst());
        run.back();
        QVERIFY(run.backAtFirst());
        QVERIFY(run.atFirst());
    }

    // A choice is stored for the question on screen, replaced by a later one, and kept when the
    // user moves on and back.
    void choices() {
        MockTestRun run = ::setUp(QStringLiteral("5"), 5);
        next(run);
        next(run);
        run.choose(2);
        run.choose(0);
        next(run);
        run.back();
        QCOMPARE(run.chosenAnswers()[3], std::optional<QString>(QStringLiteral("A")));
        QVERIFY(!run.chosenAnswers()[2].has_value());
        run.choose(4);
        QCOMPARE(run.chosenAnswers()[3], std::optional<QString>(QStringLiteral("E")));
    }

    // Questions 1 to the current one answered: the first `right` with the right letter, the
    // others with another letter, or none.
    void score_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("handInAt");
        QTest::addColumn<int>("right");
        QTest::addColumn<bool>("skipRest");
        QTest::addColumn<QString>("message");
        QTest::newRow("10 of 10, 7 right") << "10" << 10 << 7 << false << result(10, 7, "70");
        QTest::newRow("4 of 10, 2 right") << "10" << 4 << 2 << false << result(4, 2, "20");
        QTest::newRow("6 of 6, 1 right")
            << "6" << 6 << 1 << false << result(6, 1, "16.6666666666667");
        QTest::newRow("7 of 7, 2 right")
            << "7" << 7 << 2 << false << result(7, 2, "28.5714285714286");
        QTest::newRow("9 of 9, 5 right")
            << "9" << 9 << 5 << false << result(9, 5, "55.5555555555556");
        QTest::newRow("5 of 5, none right") << "5" << 5 << 0 << false << result(5, 0, "0");
        QTest::newRow("5 of 5, none answered") << "5" << 5 << 0 << true << result(5, 0, "0");
        QTest::newRow("100 of 100, all right")
            << "100" << 100 << 100 << false << result(100, 100, "100");
        QTest::newRow("3 of 10 answered, 6 passed over")
            << "10" << 9 << 3 << true << result(9, 3, "30");
        QTest::newRow("010, at the last question")
            << "010" << 10 << 10 << false << result(10, 10, "100");
        // 7.5 is a paper of 8 and the accuracy is taken of 8, not of 7.5.
        QTest::newRow("7.5, 6 of 8 right") << "7.5" << 8 << 6 << false << result(8, 6, "75");
        QTest::newRow("7.5, early at 4") << "7.5" << 4 << 4 << false << result(4, 4, "50");
    }
    void score() {
        QFETCH(QString, typed);
        QFETCH(int, handInAt);
        QFETCH(int, right);
        QFETCH(bool, skipRest);
        QFETCH(QString, message);
        MockTestRun run = ::setUp(typed, 100);
        for (int q = 1; q <= handInAt; ++q) {
            const int index = run.rightAnswers()[q].at(0).unicode() - u'A';
            if (q <= right) {
                run.choose(index);
            } else if (!skipRest) {
                run.choose((index + 1) % 5);
            }
            if (q < handInAt) {
                next(run);
            }
        }
        QCOMPARE(int(run.rightCount()), right);
        QCOMPARE(run.report(), message);
        QCOMPARE(run.report(), message); // scoring changes nothing
    }
};

QTEST_GUILESS_MAIN(MockTestRunTest)
#include "test_mocktestrun.moc"
