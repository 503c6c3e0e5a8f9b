#include "form2.h"

#include "bank/failure.h"
#include "form4.h"
#include "shell/convert.h"
#include "shell/form1.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

namespace tiku {

Form2::Form2() : Screen(screenName()) {
    setWindowTitle(QStringLiteral("测试选项"));
    setClientSize(2580, 2535, false);

    const QFont kai = font(Face::Kai, 14.25, true);
    const QFont song = font(Face::Song, 10.5);
    const QFont plain = font(Face::Default);
    Label1 = makeLabel(QStringLiteral("题数："), 240, 120, 1095, 255, kai);
    Text1 = makeLineEdit(1440, 120, 735, 375, kai, false);
    Label2 = makeLabel(QStringLiteral("查看答案："), 240, 720, 1575, 255, kai);
    Check1 = makeCheck(QStringLiteral("Check1"), 1920, 720, 255, 255, plain);
    Check1->setAccessibleName(QStringLiteral("查看答案")); // its caption is cut off
    Label3 = makeLabel(QStringLiteral("允许返回："), 240, 1320, 1575, 495, kai);
    Check2 = makeCheck(QStringLiteral("Check2"), 1920, 1320, 255, 375, plain);
    Check2->setAccessibleName(QStringLiteral("允许返回"));
    Command1 = makeButton(QStringLiteral("确  定"), 120, 2040, 975, 375, song);
    Command2 = makeButton(QStringLiteral("返  回"), 1440, 2040, 975, 375, song);

    setTabOrder({Command2, Command1, Check2, Check1, Text1});

    onClick(Command1, &Form2::Command1_Click);
    onClick(Command2, &Form2::Command2_Click);
}

void Form2::Command1_Click() {
    Toolkit& toolkit = Toolkit::instance();
    try {
        const double n = strictNumber(Text1->text());
        if (n > 100 || n < 5) {
            toolkit.msgBox(QStringLiteral("请输入5-100之间的数字!"));
            return;
        }
        // The test screen is shown first and filled in afterwards: its activation, which reads
        // the count, runs only once this handler has returned.
        Form4& test = toolkit.form<Form4>();
        toolkit.show(test);
        test.Label4->setText(Text1->text());
        test.Label5->setVisible(Check1->isChecked());
        test.Command1->setVisible(Check2->isChecked());
        Text1->setText(QString());
        Check1->setChecked(false);
        Check2->setChecked(false);
        toolkit.hide(*this);
    } catch (const Failure&) {
        toolkit.msgBox(QStringLiteral("请输入1-100之间的数字!"));
    }
}

void Form2::Command2_Click() {
    Toolkit& toolkit = Toolkit::instance();
    toolkit.show(toolkit.form<Form1>());
    toolkit.unload(*this);
}

void Form2::Form_Unload() {
    Toolkit& toolkit = Toolkit::instance();
    toolkit.show(toolkit.form<Form1>());
}

} // namespace tiku
