#include "form3.h"

#include "bank/bankformat.h"
#include "bank/failure.h"
#include "bank/service.h"
#include "shell/convert.h"
#include "shell/form1.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace tiku {

Form3::Form3() : Screen(screenName()) {
    setWindowTitle(QStringLiteral("查看题库"));
    setClientSize(9585, 4920, true);

    const QFont kaiLarge = font(Face::Kai, 15.75, true);
    const QFont kai = font(Face::Kai, 14.25, true);
    const QFont songLarge = font(Face::Song, 14.25, false);
    const QFont song = font(Face::Song, 10.5, false);

    Label1 = makeLabel(QStringLiteral("试  题："), 240, 120, 1575, 375, kaiLarge);
    Text1 = makeTextBox(240, 600, 7935, 3615, kaiLarge);
    Label2 = makeLabel(QStringLiteral("答案："), 8520, 480, 1095, 255, kai);
    Text2 = makeLineEdit(8640, 840, 495, 375, songLarge, true);
    Text2->setVisible(false);

    Command4 = makeButton(QStringLiteral("第一题"), 8400, 1440, 975, 375, song);
    Command1 = makeButton(QStringLiteral("上一题"), 8400, 2040, 975, 375, song);
    Command1->setEnabled(false);
    Command2 = makeButton(QStringLiteral("下一题"), 8400, 2640, 975, 375, song);
    Command5 = makeButton(QStringLiteral("最后一题"), 8400, 3240, 975, 375, font(Face::Default));
    Command3 = makeButton(QStringLiteral("返  回"), 8400, 3840, 975, 375, song);

    Label3 = makeLabel(QStringLiteral("共"), 240, 4440, 255, 255, song);
    Label4 = makeLabel(QString(), 480, 4440, 615, 255, song, true);
    Label5 = makeLabel(QStringLiteral("题，当前第"), 1200, 4440, 1095, 255, song);
    Label6 = makeLabel(QString(), 2280, 4440, 495, 255, song, true);
    Label7 = makeLabel(QStringLiteral("题。    跳转至第"), 2880, 4440, 1695, 255, song);
    Text3 = makeLineEdit(4560, 4440, 855, 330, song, false);
    Label8 = makeLabel(QStringLiteral("题。"), 5520, 4440, 495, 255, song);
    Command6 = makeButton(QStringLiteral("跳  转"), 6120, 4440, 975, 375, song);

    setTabOrder({Command6, Text3, Command5, Command4, Command3, Command2, Command1, Text2, Text1});

    onClick(Command1, &Form3::Command1_Click);
    onClick(Command2, &Form3::Command2_Click);
    onClick(Command3, &Form3::Command3_Click);
    onClick(Command4, &Form3::Command4_Click);
    onClick(Command5, &Form3::Command5_Click);
    onClick(Command6, &Form3::Command6_Click);
    onMouseMove(Label2, &Form3::Label2_MouseMove);
}

void Form3::Form_Activate() {
    Toolkit& toolkit = Toolkit::instance();
    const bool firstBank = toolkit.form<Form1>().Option1[0]->isChecked();

    // Opening the bank is not trapped: a failure here is the toolkit's own report.
    bankApp = bank::Application::start();
    bankBook = bankApp->open(toolkit.programFile(bank::bankFileName()), bank::bankPassword());
    bankSheet = bankBook->worksheet(bank::bankSheetName(firstBank));
    Label4->setText(numberText(bankApp->usedRowCount(bank::bankSheetPosition(firstBank))));

    try {
        showQuestion(1);
        Label6->setText(QStringLiteral("1"));
    } catch (const Failure&) {
        toolkit.msgBox(QStringLiteral("发生错误，程序关闭！"));
        closeBank();
        toolkit.endProgram();
    }
    if (singleQuestion()) {
        Command2->setEnabled(false);
    }
}

void Form3::Command1_Click() {
    const qint16 c = toInt16(strictInt16(Label6->text()) - 1.0);
    showQuestion(c);
    Label6->setText(numberText(c));
    if (strictInt16(Label6->text()) == 1) {
        Command1->setEnabled(false);
    }
    if (!Command2->isEnabled()) {
        Command2->setEnabled(true);
    }
}

void Form3::Command2_Click() {
    const qint16 c = toInt16(strictInt16(Label6->text()) + 1.0);
    showQuestion(c);
    Label6->setText(numberText(c));
    if (Label6->text() == Label4->text()) {
        Command2->setEnabled(false);
    }
    if (!Command1->isEnabled()) {
        Command1->setEnabled(true);
    }
}

void Form3::Command3_Click() {
    Toolkit::instance().unload(*this);
}

void Form3::Command4_Click() {
    showQuestion(1);
    Label6->setText(QStringLiteral("1"));
    Command1->setEnabled(false);
    if (!Command2->isEnabled() && !singleQuestion()) {
        Command2->setEnabled(true);
    }
}

void Form3::Command5_Click() {
    showQuestion(Label4->text());
    Label6->setText(Label4->text());
    Command2->setEnabled(false);
    if (!Command1->isEnabled() && !singleQuestion()) {
        Command1->setEnabled(true);
    }
}

void Form3::Command6_Click() {
    Toolkit& toolkit = Toolkit::instance();
    auto rangeMessage = [this] {
        return QStringLiteral("请输入1-") + Label4->text() + QStringLiteral("之间的数字!");
    };
    try {
        const QString typed = Text3->text();
        const qint16 n = strictInt16(typed);
        const double count = strictNumber(Label4->text());
        if (n < 1 || n > count) {
            toolkit.msgBox(rangeMessage());
            return;
        }
        if (strictNumber(typed) == n) {
            // A whole number, however it is written ("07"): the service takes the text itself
            // as the row, and the number on screen reads as typed.
            showQuestion(typed);
            Label6->setText(typed);
        } else {
            // A fraction: the row it rounds to, and that whole number on screen.
            showQuestion(n);
            Label6->setText(numberText(n));
        }
        Command1->setEnabled(n != 1);
        Command2->setEnabled(n != count);
    } catch (const Failure& failure) {
        toolkit.msgBox(QString::number(failure.code()));
        toolkit.msgBox(rangeMessage());
    }
}

void Form3::Label2_MouseMove() {
    Text2->setVisible(true);
}

void Form3::Form_MouseMove() {
    Text2->setVisible(false);
}

void Form3::Form_Unload() {
    closeBank();
    Toolkit& toolkit = Toolkit::instance();
    toolkit.show(toolkit.form<Form1>());
}

void Form3::showQuestion(int row) {
    Text1->setPlainText(bankSheet->cellText(row, bank::questionColumn));
    Text2->setText(bankSheet->cellText(row, bank::answerColumn));
}

void Form3::showQuestion(const QString& rowText) {
    Text1->setPlainText(bankSheet->cellText(rowText, bank::questionColumn));
    Text2->setText(bankSheet->cellText(rowText, bank::answerColumn));
}

bool Form3::singleQuestion() const {
    return Label4->text() == QStringLiteral("1");
}

void Form3::closeBank() {
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
