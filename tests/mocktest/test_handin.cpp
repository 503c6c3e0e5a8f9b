// Hand-in and scoring through the real widgets: the confirmation before the last question, the
// questions scored up to the current one, exact text equality, and the message's figures.

#include "mockteststeps.h"

using namespace tiku;
using namespace tiku::testing;

namespace {

const QString confirmation =
    QStringLiteral("题目尚未答完，是否确定交卷？点击是交卷，点击否重新答题。");

enum class Rest { Wrong, Skipped };

// Answers questions 1 to upTo, moving forward after each but the last: the first `right` with
// the letter the answer box holds, the others with another letter or none.
void answer(ScreenHarness& h, MockTest& f, int upTo, int right, Rest rest) {
    for (int q = 1; q <= upTo; ++q) {
        QCOMPARE(int(f.run().currentNo()), q);
        const int index = optionIndex(f.answerBox->text());
        if (q <= right) {
            h.click(f.answerOptions[index]);
        } else if (rest == Rest::Wrong) {
            h.click(f.answerOptions[(index + 1) % 5]);
        }
        if (q < upTo) {
            h.click(f.nextButton);
        }
    }
}

QString result(int answered, int right, const QString& accuracy) {
    return QStringLiteral("已回答 %1道问题，答对 %2道。准确率 %3%")
        .arg(answered)
        .arg(right)
        .arg(accuracy);
}

} // namespace

class HandInTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QCOMPARE(bank::Application::runningInstances(), 0); }

    // The hand-in's wiring: the count as typed reaching the score, the confirmation short of the
    // last question. The figures, row by row, are MockTestRun's tests.
    void figures_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("questions"); // bank rows, all of them drawn
        QTest::addColumn<int>("handInAt");
        QTest::addColumn<int>("right");
        QTest::addColumn<bool>("skipRest");
        QTest::addColumn<QString>("message");
        QTest::newRow("6 of 6, 1 right")
            << "6" << 6 << 6 << 1 << false << result(6, 1, "16.6666666666667");
        QTest::newRow("3 of 10 answered, 6 passed over")
            << "10" << 10 << 9 << 3 << true << result(9, 3, "30");
        QTest::newRow("010, at the last question")
            << "010" << 10 << 10 << 10 << false << result(10, 10, "100");
        // 7.5 is a paper of 8 and the accuracy is taken of 8, not of 7.5.
        QTest::newRow("7.5, early at 4") << "7.5" << 8 << 4 << 4 << false << result(4, 4, "50");
    }
    void figures() {
        QFETCH(QString, typed);
        QFETCH(int, questions);
        QFETCH(int, handInAt);
        QFETCH(int, right);
        QFETCH(bool, skipRest);
        QFETCH(QString, message);
        ScreenHarness h;
        writeNumberedBank(h, questions);
        MockTest& f = startTest(h, typed, false, false);
        answer(h, f, handInAt, right, skipRest ? Rest::Skipped : Rest::Wrong);
        if (handInAt < questions) {
            h.expectMessage(confirmation, Buttons::YesNo, Answer::Yes);
        }
        h.expectMessage(message);
        h.click(f.handInButton);
        TIKU_VERIFY_SCRIPT(h);
        // Nothing changed by the hand-in.
        QCOMPARE(int(f.run().currentNo()), handInAt);
        QCOMPARE(f.questionNumberLabel->text(), QString::number(handInAt));
        QVERIFY(f.isVisible());
        h.click(f.backButton);
    }

    void earlyHandIn() {
        ScreenHarness h;
        writeNumberedBank(h, 10);
        MockTest& f = startTest(h, QStringLiteral("10"), true, true);
        answer(h, f, 4, 2, Rest::Wrong);
        const int selected =
            f.answerOptions[(optionIndex(f.answerBox->text()) + 1) % 5]->isChecked();
        QVERIFY(selected);
        const auto stored = f.run().chosenAnswers();
        // No: nothing is shown and nothing changes.
        h.expectMessage(confirmation, Buttons::YesNo, Answer::No);
        h.click(f.handInButton);
        TIKU_VERIFY_SCRIPT(h);
        QCOMPARE(h.shown().size(), 1);
        QCOMPARE(int(f.run().currentNo()), 4);
        QCOMPARE(f.run().chosenAnswers(), stored);
        QCOMPARE(selectedOptions(f), 1);
        QVERIFY(f.previousButton->isEnabled());
        QVERIFY(f.nextButton->isEnabled());
        // Yes: the four questions are scored against the whole paper.
        h.expectMessage(confirmation, Buttons::YesNo, Answer::Yes);
        h.expectMessage(result(4, 2, "20"));
        h.click(f.handInButton);
        TIKU_VERIFY_SCRIPT(h);
        QCOMPARE(int(f.run().currentNo()), 4);
        QCOMPARE(selectedOptions(f), 1);
        h.click(f.backButton);
    }

    // Forward to 8, back to 5: only 1 to 5 are scored; the letters of 6 to 8 stay stored and
    // count again once the user is back at 8.
    void scoredUpToTheQuestionOnScreen() {
        ScreenHarness h;
        writeNumberedBank(h, 10);
        MockTest& f = startTest(h, QStringLiteral("10"), false, true);
        answer(h, f, 8, 8, Rest::Wrong);
        for (int i = 0; i < 3; ++i) {
            h.click(f.previousButton);
        }
        QCOMPARE(int(f.run().currentNo()), 5);
        h.expectMessage(confirmation, Buttons::YesNo, Answer::Yes);
        h.expectMessage(result(5, 5, "50"));
        h.click(f.handInButton);
        for (int i = 0; i < 3; ++i) {
            h.click(f.nextButton);
        }
        QCOMPARE(selectedOptions(f), 0); // not shown again, but stored
        h.expectMessage(confirmation, Buttons::YesNo, Answer::Yes);
        h.expectMessage(result(8, 8, "80"));
        h.click(f.handInButton);
        TIKU_VERIFY_SCRIPT(h);
        h.click(f.backButton);
    }

    // Exact text equality: a lower-case answer, one with a blank before or after, or two letters
    // never match; an empty answer matches a question passed over and nothing else.
    void exactComparison() {
        ScreenHarness h;
        const QStringList answers = {"a", " A", "A ", "AB", "", "", "C"};
        writeBank(h.folder(), answeredQuestions(answers), numberedQuestions(7, "临床"));
        MockTest& f = startTest(h, QStringLiteral("7"), false, false);
        bool emptyPassedOver = false;
        for (int q = 1; q <= 7; ++q) {
            const QString right = f.answerBox->text();
            QCOMPARE(right, answers[f.run().paperRows()[q] - 1]);
            if (right == "C") {
                h.click(f.answerOptions[2]);
            } else if (right.isEmpty() && !emptyPassedOver) {
                emptyPassedOver = true; // no click
            } else {
                h.click(f.answerOptions[0]); // "A" against "a", " A", "A ", "AB" and ""
            }
            if (q < 7) {
                h.click(f.nextButton);
            }
        }
        h.expectMessage(result(7, 2, "28.5714285714286"));
        h.click(f.handInButton);
        TIKU_VERIFY_SCRIPT(h);
        h.click(f.backButton);
    }

    // Each hand-in scores afresh, from the last letter stored for each question, even one
    // changed after the answer was shown.
    void handInTwiceAndChangeAfterReveal() {
        ScreenHarness h;
        writeNumberedBank(h, 5);
        MockTest& f = startTest(h, QStringLiteral("5"), true, false);
        answer(h, f, 5, 4, Rest::Wrong);
        h.expectMessage(result(5, 4, "80"));
        h.expectMessage(result(5, 4, "80"));
        h.click(f.handInButton);
        h.click(f.handInButton);
        TIKU_VERIFY_SCRIPT(h);
        pointAt(h, f, f.answerCaption);
        QVERIFY(f.answerBox->isVisible());
        h.click(f.answerOptions[optionIndex(f.answerBox->text())]);
        h.expectMessage(result(5, 5, "100"));
        h.click(f.handInButton);
        // And a wrong letter last counts as wrong.
        h.click(f.answerOptions[(optionIndex(f.answerBox->text()) + 2) % 5]);
        h.expectMessage(result(5, 4, "80"));
        h.click(f.handInButton);
        TIKU_VERIFY_SCRIPT(h);
        h.click(f.backButton);
    }
};

QTEST_MAIN(HandInTest)
#include "test_handin.moc"
