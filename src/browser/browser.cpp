#include "browser.h"

#include "bank/bankformat.h"
#include "bank/failure.h"
#include "bank/service.h"
#include "menu/mainmenu.h"
#include "ui/convert.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace tiku {

Browser::Browser() : Screen(screenName()) {
    setWindowTitle(QStringLiteral("查看题库"));
    setClientSize(9585, 4920, true);

    const QFont kaiLarge = font(Face::Kai, 15.75, true);
    const QFont kai = font(Face::Kai, 14.25, true);
    const QFont songLarge = font(Face::Song, 14.25, false);
    const QFont song = font(Face::Song, 10.5, false);

    questionHeading = makeLabel(QStringLiteral("试  题："), 240, 120, 1575, 375, kaiLarge);
    questionBox = makeTextBox(240, 600, 7935, 3615, kaiLarge);
    answerCaption = makeLabel(QStringLiteral("答案："), 8520, 480, 1095, 255, kai);
    answerBox = makeLineEdit(8640, 840, 495, 375, songLarge, true);
    answerBox->setVisible(false);

    firstButton = makeButton(QStringLiteral("第一题"), 8400, 1440, 975, 375, song);
    previousButton = makeButton(QStringLiteral("上一题"), 8400, 2040, 975, 375, song);
    previousButton->setEnabled(false);
    nextButton = makeButton(QStringLiteral("下一题"), 8400, 2640, 975, 375, song);
    lastButton = makeButton(QStringLiteral("最后一题"), 8400, 3240, 975, 375, font(Face::Default));
    backButton = makeButton(QStringLiteral("返  回"), 8400, 3840, 975, 375, song);

    countPrefix = makeLabel(QStringLiteral("共"), 240, 4440, 255, 255, song);
    bankSizeLabel = makeLabel(QString(), 480, 4440, 615, 255, song, true);
    currentPrefix = makeLabel(QStringLiteral("题，当前第"), 1200, 4440, 1095, 255, song);
    questionNumberLabel = makeLabel(QString(), 2280, 4440, 495, 255, song, true);
    jumpPrefix = makeLabel(QStringLiteral("题。    跳转至第"), 2880, 4440, 1695, 255, song);
    jumpBox = makeLineEdit(4560, 4440, 855, 330, song, false);
    jumpSuffix = makeLabel(QStringLiteral("题。"), 5520, 4440, 495, 255, song);
    jumpButton = makeButton(QStringLiteral("跳  转"), 6120, 4440, 975, 375, song);

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
    const bool firstBank = toolkit.form<MainMenu>().bankOptions[0]->isChecked();

    // Opening the bank is not trapped: a failure here is the toolkit's own report.
    bankApp = bank::Application::start();
    bankBook = bankApp->open(toolkit.programFile(bank::bankFileName()), bank::bankPassword());
    bankSheet = bankBook->worksheet(bank::bankSheetName(firstBank));
    bankSizeLabel->setText(numberText(bankApp->usedRowCount(bank::bankSheetPosition(firstBank))));

    try {
        showQuestion(1);
        questionNumberLabel->setText(QStringLiteral("1"));
    } catch (const Failure&) {
        toolkit.msgBox(QStringLiteral("发生错误，程序关闭！"));
        closeBank();
        toolkit.endProgram();
    }
    if (singleQuestion()) {
        nextButton->setEnabled(false);
    }
}

void Browser::onPrevious() {
    const qint16 c = toInt16(strictInt16(questionNumberLabel->text()) - 1.0);
    showQuestion(c);
    questionNumberLabel->setText(numberText(c));
    if (strictInt16(questionNumberLabel->text()) == 1) {
        previousButton->setEnabled(false);
    }
    if (!nextButton->isEnabled()) {
        nextButton->setEnabled(true);
    }
}

void Browser::onNext() {
    const qint16 c = toInt16(strictInt16(questionNumberLabel->text()) + 1.0);
    showQuestion(c);
    questionNumberLabel->setText(numberText(c));
    if (questionNumberLabel->text() == bankSizeLabel->text()) {
        nextButton->setEnabled(false);
    }
    if (!previousButton->isEnabled()) {
        previousButton->setEnabled(true);
    }
}

void Browser::onBack() {
    Toolkit::instance().unload(*this);
}

void Browser::onFirst() {
    showQuestion(1);
    questionNumberLabel->setText(QStringLiteral("1"));
    previousButton->setEnabled(false);
    if (!nextButton->isEnabled() && !singleQuestion()) {
        nextButton->setEnabled(true);
    }
}

void Browser::onLast() {
    showQuestion(bankSizeLabel->text());
    questionNumberLabel->setText(bankSizeLabel->text());
    nextButton->setEnabled(false);
    if (!previousButton->isEnabled() && !singleQuestion()) {
        previousButton->setEnabled(true);
    }
}

void Browser::onJump() {
    Toolkit& toolkit = Toolkit::instance();
    auto rangeMessage = [this] {
        return QStringLiteral("请输入1-") + bankSizeLabel->text() + QStringLiteral("之间的数字!");
    };
    try {
        const QString typed = jumpBox->text();
        const qint16 n = strictInt16(typed);
        const double count = strictNumber(bankSizeLabel->text());
        if (n < 1 || n > count) {
            toolkit.msgBox(rangeMessage());
            return;
        }
        if (strictNumber(typed) == n) {
            // A whole number, however it is written ("07"): the service takes the text itself
            // as the row, and the number on screen reads as typed.
            showQuestion(typed);
            questionNumberLabel->setText(typed);
        } else {
            // A fraction: the row it rounds to, and that whole number on screen.
            showQuestion(n);
            questionNumberLabel->setText(numberText(n));
        }
        previousButton->setEnabled(n != 1);
        nextButton->setEnabled(n != count);
    } catch (const Failure& failure) {
        toolkit.msgBox(QString::number(failure.code()));
        toolkit.msgBox(rangeMessage());
    }
}

void Browser::onAnswerHover() {
    answerBox->setVisible(true);
}

void Browser::onSurfaceMouseMove() {
    answerBox->setVisible(false);
}

void Browser::onUnload() {
    closeBank();
    Toolkit& toolkit = Toolkit::instance();
    toolkit.show(toolkit.form<MainMenu>());
}

void Browser::showQuestion(int row) {
    questionBox->setPlainText(bankSheet->cellText(row, bank::questionColumn));
    answerBox->setText(bankSheet->cellText(row, bank::answerColumn));
}

void Browser::showQuestion(const QString& rowText) {
    questionBox->setPlainText(bankSheet->cellText(rowText, bank::questionColumn));
    answerBox->setText(bankSheet->cellText(rowText, bank::answerColumn));
}

bool Browser::singleQuestion() const {
    return bankSizeLabel->text() == QStringLiteral("1");
}

void Browser::closeBank() {
    // Close the workbook, quit the service, then let go of both, in that order. The handles are
    // empty only when the screen is unloaded before its activation ran.
    if (bankBook) {
        bankBook->close();
    }
    if (bankApp) {
        bankApp->quit();
    }
    bankBook.reset();
    bankApp.reset();
}

} // namespace tiku
