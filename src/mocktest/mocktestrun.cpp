#include "mocktestrun.h"

#include "core/bankrules.h"
#include "core/convert.h"
#include "core/failure.h"

namespace tiku {

namespace {

Failure outOfRange() {
    return Failure(ErrorKind::SubscriptOutOfRange, QStringLiteral("下标越界。"));
}

// Element k of a test array, for k from 1 to the count of questions.
template <class T> T& element(std::vector<T>& array, int k) {
    if (k < 1 || std::size_t(k) >= array.size()) {
        throw outOfRange();
    }
    return array[std::size_t(k)];
}
template <class T> const T& element(const std::vector<T>& array, int k) {
    if (k < 1 || std::size_t(k) >= array.size()) {
        throw outOfRange();
    }
    return array[std::size_t(k)];
}

// Elements 0 to count, for an array used from 1 to count.
std::size_t arraySize(qint16 count) {
    if (count < 1) {
        throw outOfRange();
    }
    return std::size_t(count) + 1;
}

// A stored choice against a right answer: exact text equality; no choice equals the empty text
// and nothing else.
bool matches(const std::optional<QString>& chosen, const QString& right) {
    return chosen ? *chosen == right : right.isEmpty();
}

} // namespace

bool countInRange(const QString& countText) {
    const double n = strictNumber(countText);
    return !(n > bank::maxPaperQuestions || n < bank::minPaperQuestions);
}

qint16 MockTestRun::questionCount() const {
    return strictInt16(countText_);
}

void MockTestRun::sizeArrays() {
    // The count is converted once for each array.
    paperRows_.assign(arraySize(questionCount()), 0);
    chosenAnswers_.assign(arraySize(questionCount()), std::nullopt);
    rightAnswers_.assign(arraySize(questionCount()), QString());
}

qint16 MockTestRun::bankRows(int usedRows) {
    if (usedRows > bank::maxBankRows) {
        throw Failure(ErrorKind::Overflow,
                      QStringLiteral("题库中的题目太多：共有%1道，最多只能有%2道。")
                          .arg(usedRows)
                          .arg(bank::maxBankRows));
    }
    return qint16(usedRows);
}

QString MockTestRun::bankTooSmallMessage(qint16 bankRows) const {
    return QStringLiteral("题库中只有%1道题，不足%2道，无法组卷！")
        .arg(tiku::numberText(bankRows), tiku::numberText(questionCount()));
}

void MockTestRun::drawPaper(qint16 bankRows, const UniformSource& next) {
    const std::vector<qint16> rows = tiku::drawPaper(bankRows, questionCount(), next);
    for (std::size_t k = 0; k < rows.size(); ++k) {
        element(paperRows_, int(k) + 1) = rows[k];
    }
    currentNo_ = 1;
}

QString MockTestRun::numberText() const {
    return tiku::numberText(currentNo_);
}

qint16 MockTestRun::currentRow() const {
    return element(paperRows_, currentNo_);
}

void MockTestRun::setRightAnswer(const QString& answer) {
    element(rightAnswers_, currentNo_) = answer;
}

void MockTestRun::choose(int index) {
    element(chosenAnswers_, currentNo_) = optionLetter(index);
}

void MockTestRun::back() {
    currentNo_ = toInt16(double(currentNo_) - 1);
}

bool MockTestRun::backAtFirst() const {
    return strictNumber(numberText()) == 1;
}

void MockTestRun::forward() {
    currentNo_ = toInt16(double(currentNo_) + 1);
}

qint16 MockTestRun::rightCount() const {
    qint16 right = 0;
    const qint16 last = currentNo_;
    for (qint16 i = 1; i <= last; ++i) {
        if (matches(element(chosenAnswers_, i), element(rightAnswers_, i))) {
            right = toInt16(double(right) + 1);
        }
    }
    return right;
}

QString MockTestRun::report() const {
    const qint16 right = rightCount();
    const double accuracy = double(right) / double(questionCount()) * 100;
    return QStringLiteral("已回答") + signedText(currentNo_) + QStringLiteral("道问题，答对") +
           signedText(right) + QStringLiteral("道。准确率") + signedText(accuracy) +
           QStringLiteral("%");
}

} // namespace tiku
