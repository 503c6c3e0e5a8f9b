#include "browser.h"

#include "core/failure.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace tiku {

namespace {

// The layout table, listed in the order the controls are made.
constexpr ControlDesign layoutTable[] = {
    {"Label1", "试  题：", 240, 120, 1575, 375, Face::Kai, 15.75, true},
    {"Text1", "", 240, 600, 7935, 3615, Face::Kai, 15.75, true},
    {"Label2", "答案：", 8520, 480, 1095, 255, Face::Kai, 14.25, true},
    {"Text2", "", 8640, 840, 495, 375, Face::Song, 14.25, false},
    {"Command4", "第一题", 8400, 1440, 975, 375, Face::Song, 10.5, false},
    {"Command1", "上一题", 8400, 2040, 975, 375, Face::Song, 10.5, false},
    {"Command2", "下一题", 8400, 2640, 975, 375, Face::Song, 10.5, false},
    {"Command5", "最后一题", 8400, 3240, 975, 375},
    {"Command3", "返  回", 8400, 3840, 975, 375, Face::Song, 10.5, false},
    {"Label3", "共", 240, 4440, 255, 255, Face::Song, 10.5, false},
    {"Label4", "", 480, 4440, 615, 255, Face::Song, 10.5, false},
    {"Label5", "题，当前第", 1200, 4440, 1095, 255, Face::Song, 10.5, false},
    {"Label6", "", 2280, 4440, 495, 255, Face::Song, 10.5, false},
    {"Label7", "题。    跳转至第", 2880, 4440, 1695, 255, Face::Song, 10.5, false},
    {"Text3", "", 4560, 4440, 855, 330, Face::Song, 10.5, false},
    {"Label8", "题。", 5520, 4440, 495, 255, Face::Song, 10.5, false},
    {"Command6", "跳  转", 6120, 4440, 975, 375, Face::Song, 10.5, false},
};

} // namespace

DesignTable Browser::design() {
    return layoutTable;
}

Browser::Browser() : Screen(screenName()) {
    setDesign(design());
    setWindowTitle(QStringLiteral("查看题库"));
    setClientSize(9585, 4920, true);

    questionHeading = makeLabel(QStringLiteral("Label1"));
    questionBox = makeTextBox(QStringLiteral("Text1"));
    answerCaption = makeLabel(QStringLiteral("Label2"));
    answerBox = makeLineEdit(QStringLiteral("Text2"), true);
    answerBox->setVisible(false);

    firstButton = makeButton(QStringLiteral("Command4"));
    previousButton = makeButton(QStringLiteral("Command1"));
    previousButton->setEnabled(false);
    nextButton = makeButton(QStringLiteral("Command2"));
    lastButton = makeButton(QStringLiteral("Command5"));
    backButton = makeButton(QStringLiteral("Command3"));

    countPrefix = makeLabel(QStringLiteral("Label3"));
    bankSizeLabel = makeLabel(QStringLiteral("Label4"), true);
    currentPrefix = makeLabel(QStringLiteral("Label5"));
    questionNumberLabel = makeLabel(QStringLiteral("Label6"), true);
    jumpPrefix = makeLabel(QStringLiteral("Label7"));
    jumpBox = makeLineEdit(QStringLiteral("Text3"), false);
    jumpSuffix = makeLabel(QStringLiteral("Label8"));
    jumpButton = makeButton(QStringLiteral("Command6"));

    setTabOrder({jumpButton, jumpBox, lastButton, firstButton, backButton, nextButton,
                 previousButton, answerBox, questionBox});

    onClick(previousButton, &Browser::onPrevious);
    onClick(nextButton, &Browser::onNext);
    onClick(backButton, &Browser::onBack);
    onClick(firstButton, &Browser::onFirst);
    onClick(lastButton, &Browser::onLast);
    onClick(jumpButton, &Browser::onJump);
    onMouseMove(answerCaption, &Browser::onAnswerHover);
}

void Browser::onActivated() {
    Toolkit& toolkit = Toolkit::instance();
    // Opening the bank is not trapped: a failure here is the toolkit's own report.
    position_.openBank(
        session_.open(BankPlaces::of(toolkit.namedBankFile(), toolkit.programFolder()), bank_));
    bankSizeLabel->setText(position_.sizeText());

    try {
        showQuestion(1);
        position_.openedAtFirst();
        questionNumberLabel->setText(position_.numberText());
    } catch (const Failure&) {
        toolkit.msgBox(QStringLiteral("发生错误，程序关闭！"));
        session_.close();
        toolkit.endProgram();
    }
    showPosition();
}

void Browser::onPrevious() {
    const qint16 row = position_.previousRow();
    showQuestion(row);
    position_.movedBack(row);
    showPosition();
}

void Browser::onNext() {
    const qint16 row = position_.nextRow();
    showQuestion(row);
    position_.movedForward(row);
    showPosition();
}

void Browser::onBack() {
    Toolkit::instance().unload(*this);
}

void Browser::onFirst() {
    showQuestion(1);
    position_.movedToFirst();
    showPosition();
}

void Browser::onLast() {
    showQuestion(position_.lastRow());
    position_.movedToLast();
    showPosition();
}

void Browser::onJump() {
    Toolkit& toolkit = Toolkit::instance();
    try {
        const BrowserPosition::Jump jump = position_.jumpTarget(jumpBox->text());
        if (!jump.inRange) {
            toolkit.msgBox(position_.rangeMessage());
            return;
        }
        if (jump.asTyped) {
            showQuestion(jump.typed); // the service takes the text itself as the row
        } else {
            showQuestion(jump.number);
        }
        position_.jumped(jump);
        showPosition();
    } catch (const Failure& failure) {
        toolkit.msgBox(QString::number(failure.code()));
        toolkit.msgBox(position_.rangeMessage());
    }
}

void Browser::onAnswerHover() {
    answerBox->setVisible(true);
}

void Browser::onSurfaceMouseMove() {
    answerBox->setVisible(false);
}

void Browser::onUnload() {
    session_.close();
    Toolkit& toolkit = Toolkit::instance();
    toolkit.show(toolkit.screen(screen_name::mainMenu()));
}

void Browser::showQuestion(int row) {
    questionBox->setPlainText(session_.questionText(row));
    answerBox->setText(session_.answerText(row));
}

void Browser::showQuestion(const QString& rowText) {
    questionBox->setPlainText(session_.questionText(rowText));
    answerBox->setText(session_.answerText(rowText));
}

void Browser::showPosition() {
    questionNumberLabel->setText(position_.numberText());
    previousButton->setEnabled(position_.previousEnabled());
    nextButton->setEnabled(position_.nextEnabled());
}

} // namespace tiku
