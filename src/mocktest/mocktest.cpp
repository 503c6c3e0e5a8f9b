#include "mocktest.h"

#include "core/bankrules.h"
#include "core/convert.h"
#include "core/failure.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace tiku {

namespace {

// The layout table, in the order the controls are made (a later one lies on top). Each letter
// is made before its mark, so that the mark of E, which starts 15 twips inside the E label, lies
// on top of it.
constexpr ControlDesign layoutTable[] = {
    {"Label1", "试  题：", 240, 120, 1695, 375, Face::Kai, 15.75, true},
    {"Label6", "共", 2280, 240, 255, 255, Face::Song, 10.5, false},
    {"Label4", "", 2520, 240, 615, 255, Face::Song, 10.5, false},
    {"Label8", "题，当前第", 3240, 240, 1095, 255, Face::Song, 10.5, false},
    {"Label9", "", 4320, 240, 375, 255, Face::Song, 10.5, false},
    {"Label10", "题。", 4800, 240, 495, 255, Face::Song, 10.5, false},
    {"Text1", "", 240, 600, 7935, 3615, Face::Kai, 15.75, true},
    {"Label5", "答案：", 8400, 480, 975, 255, Face::Kai, 14.25, true},
    {"Text2", "", 8520, 960, 615, 390, Face::Song, 14.25, false},
    {"Command1", "上一题", 8400, 1560, 975, 375, Face::Song, 10.5, false},
    {"Command2", "下一题", 8400, 2280, 975, 375, Face::Song, 10.5, false},
    {"Command5", "交  卷", 8400, 3240, 975, 375, Face::Song, 10.5, false},
    {"Command3", "返  回", 8400, 3840, 975, 375, Face::Song, 10.5, false},
    {"Label3", "请选择：", 240, 4560, 1335, 375, Face::Kai, 14.25, true},
    {"Label2(0)", bank::answerLetterCaptions[0], 1800, 4440, 255, 375, Face::Comic, 15.75, true},
    {"Option1(0)", "Option1", 2160, 4560, 255, 180},
    {"Label2(1)", bank::answerLetterCaptions[1], 2520, 4440, 255, 375, Face::Comic, 15.75, true},
    {"Option1(1)", "Option1", 2880, 4560, 255, 180},
    {"Label2(2)", bank::answerLetterCaptions[2], 3240, 4440, 255, 375, Face::Comic, 15.75, true},
    {"Option1(2)", "Option1", 3600, 4560, 255, 180},
    {"Label2(3)", bank::answerLetterCaptions[3], 3960, 4440, 255, 375, Face::Comic, 15.75, true},
    {"Option1(3)", "Option1", 4320, 4560, 255, 180},
    {"Label2(4)", bank::answerLetterCaptions[4], 4680, 4440, 255, 375, Face::Comic, 15.75, true},
    {"Option1(4)", "Option1", 4920, 4560, 255, 180},
};

} // namespace

DesignTable MockTest::design() {
    return layoutTable;
}

MockTest::MockTest() : Screen(screenName()) {
    setDesign(design());
    setWindowTitle(QStringLiteral("模拟测试"));
    setClientSize(9630, 5085, true);

    questionHeading = makeLabel(QStringLiteral("Label1"));
    countPrefix = makeLabel(QStringLiteral("Label6"));
    questionCountLabel = makeLabel(QStringLiteral("Label4"), true);
    currentPrefix = makeLabel(QStringLiteral("Label8"));
    questionNumberLabel = makeLabel(QStringLiteral("Label9"), true);
    currentSuffix = makeLabel(QStringLiteral("Label10"));
    questionBox = makeTextBox(QStringLiteral("Text1"));
    answerCaption = makeLabel(QStringLiteral("Label5"));
    answerCaption->hide();
    answerBox = makeLineEdit(QStringLiteral("Text2"), true);
    answerBox->hide();
    previousButton = makeButton(QStringLiteral("Command1"));
    previousButton->setEnabled(false);
    nextButton = makeButton(QStringLiteral("Command2"));
    handInButton = makeButton(QStringLiteral("Command5"));
    backButton = makeButton(QStringLiteral("Command3"));
    chooseLabel = makeLabel(QStringLiteral("Label3"));
    for (int i = 0; i < bank::answerCount; ++i) {
        letterLabels[i] = makeLabel(QStringLiteral("Label2(%1)").arg(i));
        answerOptions[i] = makeOption(QStringLiteral("Option1(%1)").arg(i));
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
    for (int i = 0; i < bank::answerCount; ++i) {
        onClick(answerOptions[i], [this, i] { onAnswerChosen(i); });
    }
    onMouseMove(answerCaption, &MockTest::onAnswerHover);
}

void MockTest::handOver(const TestSettings& settings, Bank bank) {
    settings_ = settings;
    bank_ = bank;
    questionCountLabel->setText(settings.countText);
    answerCaption->setVisible(settings.showAnswer);
    previousButton->setVisible(settings.allowBack);
}

void MockTest::onActivated() {
    Toolkit& toolkit = Toolkit::instance();
    run_ = MockTestRun(settings_.countText);
    run_.sizeArrays();

    // The bank chosen on the main menu. A failure here is not handled by the screen: the
    // instance is quit (which closes what it opened) and the failure is reported by the toolkit.
    qint16 bankRows = 0;
    try {
        bankRows = MockTestRun::bankRows(
            session_.open(BankPlaces::of(toolkit.namedBankFile(), toolkit.programFolder()), bank_));
    } catch (const Failure&) {
        session_.release();
        throw;
    }

    // Too few questions for the paper: the test is refused and the main menu comes back.
    if (run_.bankTooSmall(bankRows)) {
        toolkit.msgBox(run_.bankTooSmallMessage(bankRows));
        session_.close();
        toolkit.unload(*this);
        return;
    }

    try {
        PaperRandom random(clockSeed());
        paperSeed_ = random.seed();
        run_.drawPaper(bankRows, [&random] { return random.next(); });
        showQuestion();
    } catch (const Failure&) {
        toolkit.msgBox(QStringLiteral("发生错误，程序关闭！"));
        session_.close();
        toolkit.endProgram();
    }
}

void MockTest::showQuestion() {
    const qint16 row = run_.currentRow();
    questionBox->setPlainText(session_.questionText(row));
    answerBox->setText(session_.answerText(row));
    run_.setRightAnswer(answerBox->text());
    questionNumberLabel->setText(run_.numberText());
}

void MockTest::clearOptions() {
    for (QRadioButton* option : answerOptions) {
        if (option->isChecked()) {
            setOptionValue(option, false);
        }
    }
}

void MockTest::onAnswerChosen(int index) {
    run_.choose(index);
}

void MockTest::onPrevious() {
    if (run_.atFirst()) {
        Toolkit::instance().msgBox(QStringLiteral("已返回题目开始。"));
        return;
    }
    clearOptions();
    run_.back();
    showQuestion();
    if (run_.backAtFirst()) {
        previousButton->setEnabled(false);
    }
    nextButton->setEnabled(true);
}

void MockTest::onNext() {
    if (run_.atLastByNumber()) {
        Toolkit::instance().msgBox(QStringLiteral("题目已全部出完。"));
        return;
    }
    clearOptions();
    run_.forward();
    showQuestion();
    if (run_.forwardAtLastByText()) {
        nextButton->setEnabled(false);
    }
    previousButton->setEnabled(true);
}

void MockTest::onBack() {
    Toolkit::instance().unload(*this);
}

void MockTest::onHandIn() {
    Toolkit& toolkit = Toolkit::instance();
    if (run_.handInNeedsConfirmation()) {
        const Answer answer = toolkit.msgBox(
            QStringLiteral("题目尚未答完，是否确定交卷？点击是交卷，点击否重新答题。"),
            Buttons::YesNo);
        if (answer == Answer::No) {
            return;
        }
    }
    toolkit.msgBox(run_.report());
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
    session_.close();
    Toolkit& toolkit = Toolkit::instance();
    toolkit.show(toolkit.screen(screen_name::mainMenu()));
}

} // namespace tiku
