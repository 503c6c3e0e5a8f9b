#pragma once

// One mock test from its set-up to its end, without the screen: the settings handed over by the
// test options, the paper, the chosen and the right answers, the number of the question on
// screen, the moves, the end tests and the score. Question numbers and rows are 16-bit, as the
// screen holds them; the arrays are used from 1 to the question count, element 0 never.

#include "mocktest/paper.h"

#include <QString>
#include <QtGlobal>

#include <optional>
#include <vector>

namespace tiku {

// What the test options hand over: the count exactly as typed, and the two switches.
struct TestSettings {
    QString countText;
    bool showAnswer = false;
    bool allowBack = false;
};

// The test options accept a count from 5 to 100, bounds included, fractions too; a text that is
// no number fails (13 or 6).
bool countInRange(const QString& countText);

class MockTestRun {
public:
    explicit MockTestRun(QString countText = QString()) : countText_(std::move(countText)) {}

    const QString& countText() const { return countText_; }
    // The count text converted strictly and rounded to a whole number, halves to the even one:
    // "010" is 10, and a fractional count such as "7.5" makes a paper of 8 that every rule of the
    // run uses (sizes, draw, end test by number, confirmation, accuracy). Fails with 13 or 6.
    qint16 questionCount() const;

    // The arrays for questions 1 to the count: every row 0, every choice and answer empty.
    void sizeArrays();
    // The bank's used-row count as the paper's 16-bit row range; above 32,767 fails with 6.
    static qint16 bankRows(int usedRows);
    // Too few questions in the bank for the paper: the test cannot be drawn.
    bool bankTooSmall(qint16 bankRows) const { return bankRows < questionCount(); }
    QString bankTooSmallMessage(qint16 bankRows) const;
    // The paper drawn from rows 1 to bankRows; question 1 becomes the current one.
    void drawPaper(qint16 bankRows, const UniformSource& next);

    qint16 currentNo() const { return currentNo_; }
    // The number on screen: the current number in plain digits.
    QString numberText() const;
    // The worksheet row of the current question.
    qint16 currentRow() const;
    // The right answer of the current question, as the screen shows it.
    void setRightAnswer(const QString& answer);
    // The option of this index (0 to 4) picked for the current question: its letter, "A" to "E".
    void choose(int index);

    // 上一题: at question 1 it does not move. Otherwise one back; at 1 again, 上一题 is disabled
    // (tested on the number on screen).
    bool atFirst() const { return currentNo_ == 1; }
    void back();
    bool backAtFirst() const;
    // 下一题: the end is tested by number before the move, by text after it. A count written
    // otherwise than in plain digits ("010") passes the text test at the last question, leaving
    // 下一题 enabled, and the number test then stops it there.
    bool atLastByNumber() const { return currentNo_ == questionCount(); }
    void forward();
    bool forwardAtLastByText() const { return numberText() == countText_; }

    // 交  卷: a confirmation is asked short of the last question. Questions 1 to the current one
    // are scored: a chosen letter equal to the right answer, exactly; no choice equals only an
    // empty answer.
    bool handInNeedsConfirmation() const { return questionCount() != currentNo_; }
    qint16 rightCount() const;
    // "已回答 n道问题，答对 r道。准确率 p%": the accuracy against the whole paper.
    QString report() const;

    const std::vector<qint16>& paperRows() const { return paperRows_; }
    const std::vector<std::optional<QString>>& chosenAnswers() const { return chosenAnswers_; }
    const std::vector<QString>& rightAnswers() const { return rightAnswers_; }

private:
    QString countText_;
    std::vector<qint16> paperRows_;
    std::vector<std::optional<QString>> chosenAnswers_;
    std::vector<QString> rightAnswers_;
    qint16 currentNo_ = 0;
};

} // namespace tiku
