#include "mocktest.h"

#include "bank/bankformat.h"
#include "bank/failure.h"
#include "bank/service.h"
#include "menu/mainmenu.h"
#include "paper.h"
#include "ui/convert.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace tiku {

namespace {

// Element k of a test array, for k from 1 to the count of questions.
template <class T> T& element(std::vector<T>& array, int k) {
    if (k < 1 || std::size_t(k) >= array.size()) {
        throw Failure(9, QStringLiteral("下标越界。"));
    }
    return array[std::size_t(k)];
}

// Elements 0 to count, for an array used from 1 to count.
std::size_t arraySize(qint16 count) {
    if (count < 1) {
        throw Failure(9, QStringLiteral("下标越界。"));
    }
    return std::size_t(count) + 1;
}

// A stored choice against a right answer: exact text equality; no choice equals the empty text
// and nothing else.
bool matches(const std::optional<QString>& chosen, const QString& right) {
    return chosen ? *chosen == right : right.isEmpty();
}

} // namespace

MockTest::MockTest() : Screen(screenName()) {
    setWindowTitle(QStringLiteral("模拟测试"));
    setClientSize(9630, 5085, true);

    const QFont kaiLarge = font(Face::Kai, 15.75, true);
    const QFont kai = font(Face::Kai, 14.25, true);
    const QFont song = font(Face::Song, 10.5);
    const QFont songLarge = font(Face::Song, 14.25);
    const QFont comic = font(Face::Comic, 15.75, true);
    const QFont plain = font(Face::Default);

    questionHeading = makeLabel(QStringLiteral("试  题："), 240, 120, 1695, 375, kaiLarge);
    countPrefix = makeLabel(QStringLiteral("共"), 2280, 240, 255, 255, song);
    questionCountLabel = makeLabel(QString(), 2520, 240, 615, 255, song, true);
    currentPrefix = makeLabel(QStringLiteral("题，当前第"), 3240, 240, 1095, 255, song);
    questionNumberLabel = makeLabel(QString(), 4320, 240, 375, 255, song, true);
    currentSuffix = makeLabel(QStringLiteral("题。"), 4800, 240, 495, 255, song);
    questionBox = makeTextBox(240, 600, 7935, 3615, kaiLarge);
    answerCaption = makeLabel(QStringLiteral("答案："), 8400, 480, 975, 255, kai);
    answerCaption->hide();
    answerBox = makeLineEdit(8520, 960, 615, 390, songLarge, true);
    answerBox->hide();
    previousButton = makeButton(QStringLiteral("上一题"), 8400, 1560, 975, 375, song);
    previousButton->setEnabled(false);
    nextButton = makeButton(QStringLiteral("下一题"), 8400, 2280, 975, 375, song);
    handInButton = makeButton(QStringLiteral("交  卷"), 8400, 3240, 975, 375, song);
    backButton = makeButton(QStringLiteral("返  回"), 8400, 3840, 975, 375, song);
    chooseLabel = makeLabel(QStringLiteral("请选择："), 240, 4560, 1335, 375, kai);
    // Each letter is made before its mark, so that the mark of E, which starts inside the E
    // label, lies on top of it.
    static constexpr std::array<int, 5> letterLeft = {1800, 2520, 3240, 3960, 4680};
    static constexpr std::array<int, 5> optionLeft = {2160, 2880, 3600, 4320, 4920};
    for (int i = 0; i < 5; ++i) {
        letterLabels[i] = makeLabel(optionLetter(i), letterLeft[i], 4440, 255, 375, comic);
        answerOptions[i] =
            makeOption(QStringLiteral("Option1"), optionLeft[i], 4560, 255, 180, plain);
        answerOptions[i]->setAccessibleName(
            optionLetter(i)); // the letter label beside it says which
        // The mark is drawn to fit the 12-pixel height of the option, not cut at top and bottom.
        answerOptions[i]->setStyleSheet(
            QStringLiteral("QRadioButton::indicator { width: 11px; height: 11px; }"));
    }

    setTabOrder({handInButton, answerOptions[4], answerBox, answerOptions[3], answerOptions[2],
                 answerOptions[1], answerOptions[0], questionBox, previousButton, nextButton,
                 backButton});

    onClick(previousButton, &MockTest::onPrevious);
    onClick(nextButton, &MockTest::onNext);
    onClick(backButton, &MockTest::onBack);
    onClick(handInButton, &MockTest::onHandIn);
    for (int i = 0; i < 5; ++i) {
        onClick(answerOptions[i], [this, i] { onAnswerChosen(i); });
    }
    onMouseMove(answerCaption, &MockTest::onAnswerHover);
}

MockTest::~MockTest() {
    // Only where the program ended through a failure the screen did not trap is an instance
    // still running here; it goes with the screen.
    if (bankApp && bankApp->isRunning()) {
        try {
            bankApp->quit();
        } catch (const Failure&) {
        }
    }
}

qint16 MockTest::questionCount() const {
    return strictInt16(questionCountLabel->text());
}

void MockTest::onActivated() {
    Toolkit& toolkit = Toolkit::instance();

    // The arrays, for questions 1 to M.
    paperRows.assign(arraySize(questionCount()), 0);
    chosenAnswers.assign(arraySize(questionCount()), std::nullopt);
    rightAnswers.assign(arraySize(questionCount()), QString());

    // The bank chosen on the main menu. A failure here is not handled by the screen: the
    // instance is quit (which closes what it opened) and the failure is reported by the toolkit.
    qint16 bankRows = 0;
    try {
        bankApp = bank::Application::start();
        const QString path = toolkit.programFile(bank::bankFileName());
        bankBook = bankApp->open(path, bank::bankPassword());
        const bool firstBank = toolkit.form<MainMenu>().bankOptions[0]->isChecked();
        bankSheet = bankBook->worksheet(bank::bankSheetName(firstBank));
        const int used = bankApp->usedRowCount(bank::bankSheetPosition(firstBank));
        if (used > bank::maxBankRows) {
            throw Failure(failure_code::Overflow,
                          QStringLiteral("题库中的题目太多：共有%1道，最多只能有%2道。")
                              .arg(used)
                              .arg(bank::maxBankRows));
        }
        bankRows = qint16(used);
    } catch (const Failure&) {
        if (bankApp && bankApp->isRunning()) {
            bankApp->quit();
        }
        bankBook.reset();
        bankApp.reset();
        throw;
    }

    // Too few questions for the paper: the test is refused and the main menu comes back.
    const qint16 count = questionCount();
    if (bankRows < count) {
        toolkit.msgBox(QStringLiteral("题库中只有%1道题，不足%2道，无法组卷！")
                           .arg(numberText(bankRows), numberText(count)));
        bankBook->close();
        bankApp->quit();
        bankBook.reset();
        bankApp.reset();
        toolkit.unload(*this);
        return;
    }

    try {
        PaperRandom random(clockSeed());
        paperSeed = random.seed();
        const std::vector<qint16> rows =
            drawPaper(bankRows, questionCount(), [&random] { return random.next(); });
        for (std::size_t k = 0; k < rows.size(); ++k) {
            element(paperRows, int(k) + 1) = rows[k];
        }
        currentNo = 1;
        showQuestion(currentNo);
    } catch (const Failure&) {
        toolkit.msgBox(QStringLiteral("发生错误，程序关闭！"));
        bankBook->close();
        bankApp->quit();
        bankBook.reset();
        bankApp.reset();
        toolkit.endProgram();
    }
}

void MockTest::showQuestion(qint16 k) {
    const qint16 row = element(paperRows, k);
    questionBox->setPlainText(bankSheet->cellText(row, bank::questionColumn));
    answerBox->setText(bankSheet->cellText(row, bank::answerColumn));
    element(rightAnswers, k) = answerBox->text();
    questionNumberLabel->setText(numberText(k));
}

void MockTest::clearOptions() {
    for (QRadioButton* option : answerOptions) {
        if (option->isChecked()) {
            setOptionValue(option, false);
        }
    }
}

void MockTest::onAnswerChosen(int Index) {
    element(chosenAnswers, currentNo) = optionLetter(Index);
}

void MockTest::onPrevious() {
    if (currentNo == 1) {
        Toolkit::instance().msgBox(QStringLiteral("已返回题目开始。"));
        return;
    }
    clearOptions();
    currentNo = toInt16(double(currentNo) - 1);
    showQuestion(currentNo);
    if (strictNumber(questionNumberLabel->text()) == 1) {
        previousButton->setEnabled(false);
    }
    if (!nextButton->isEnabled()) {
        nextButton->setEnabled(true);
    }
}

void MockTest::onNext() {
    // The end of the paper, by number before the move and by text after it: a count written
    // otherwise than in plain digits ("010") leaves 下一题 enabled at the last question, and the
    // number test stops it there.
    if (currentNo == questionCount()) {
        Toolkit::instance().msgBox(QStringLiteral("题目已全部出完。"));
        return;
    }
    clearOptions();
    currentNo = toInt16(double(currentNo) + 1);
    showQuestion(currentNo);
    if (questionNumberLabel->text() == questionCountLabel->text()) {
        nextButton->setEnabled(false);
    }
    if (!previousButton->isEnabled()) {
        previousButton->setEnabled(true);
    }
}

void MockTest::onBack() {
    Toolkit::instance().unload(*this);
}

void MockTest::onHandIn() {
    Toolkit& toolkit = Toolkit::instance();
    const qint16 count = questionCount();
    if (count != currentNo) {
        const Answer answer = toolkit.msgBox(
            QStringLiteral("题目尚未答完，是否确定交卷？点击是交卷，点击否重新答题。"),
            Buttons::YesNo);
        if (answer == Answer::No) {
            return;
        }
    }
    qint16 right = 0;
    const qint16 last = currentNo;
    for (qint16 i = 1; i <= last; ++i) {
        if (matches(element(chosenAnswers, i), element(rightAnswers, i))) {
            right = toInt16(double(right) + 1);
        }
    }
    const double accuracy = double(right) / double(count) * 100;
    toolkit.msgBox(QStringLiteral("已回答") + signedText(currentNo) +
                   QStringLiteral("道问题，答对") + signedText(right) +
                   QStringLiteral("道。准确率") + signedText(accuracy) + QStringLiteral("%"));
}

void MockTest::onAnswerHover() {
    bool chosen = false;
    for (QRadioButton* option : answerOptions) {
        if (option->isChecked()) {
            chosen = true;
        }
    }
    if (chosen) {
        answerBox->setVisible(true);
    } else {
        Toolkit::instance().msgBox(QStringLiteral("请你先选择答案！"));
    }
}

void MockTest::onSurfaceMouseMove() {
    answerBox->setVisible(false);
}

void MockTest::onUnload() {
    // A test refused for too few questions has already closed its workbook.
    if (bankBook) {
        bankBook->close();
    }
    if (bankApp) {
        bankApp->quit();
    }
    bankBook.reset();
    bankApp.reset();
    Toolkit& toolkit = Toolkit::instance();
    toolkit.show(toolkit.form<MainMenu>());
}

} // namespace tiku
