#include "form1.h"

#include <QPushButton>
#include <QRadioButton>

namespace tiku {

Form1::Form1() : Screen(screenName()) {
    setWindowTitle(QStringLiteral("题库"));
    setClientSize(3045, 3660, false);

    const QFont kai = font(Face::Kai, 14.25, true);
    const QFont kaiLarge = font(Face::Kai, 15.75, true);
    Label1 = makeLabel(QStringLiteral("题库选择："), 720, 240, 1695, 255, kai);
    Option1[1] = makeOption(QStringLiteral("临床"), 1440, 720, 1335, 255, kai);
    Option1[0] = makeOption(QStringLiteral("人文"), 360, 720, 1455, 255, kai);
    // The two rectangles overlap from 1440 to 1815. 人文's caption ends well before 1440, so
    // the overlap is empty on 人文's side and holds 临床's round mark: 临床 lies on top there,
    // and a click on its mark selects it.
    Option1[1]->raise();
    Option1[0]->setChecked(true);
    Command1 = makeButton(QStringLiteral("查看题库"), 480, 1200, 2175, 495, kai);
    Command2 = makeButton(QStringLiteral("模拟测试"), 480, 2040, 2175, 495, kaiLarge);
    Command3 = makeButton(QStringLiteral("退  出"), 480, 2880, 2175, 495, kaiLarge);

    setTabOrder({Command3, Command2, Command1, Option1[0], Option1[1]});

    onClick(Command1, &Form1::Command1_Click);
    onClick(Command2, &Form1::Command2_Click);
    onClick(Command3, &Form1::Command3_Click);
}

void Form1::Command1_Click() {
    Toolkit& toolkit = Toolkit::instance();
    toolkit.show(toolkit.screen(QStringLiteral("Form3")));
    toolkit.hide(*this);
}

void Form1::Command2_Click() {
    Toolkit& toolkit = Toolkit::instance();
    toolkit.show(toolkit.screen(QStringLiteral("Form2")));
    toolkit.hide(*this);
}

void Form1::Command3_Click() {
    Toolkit::instance().endProgram();
}

void Form1::Form_Unload() {
    Toolkit::instance().endProgram();
}

} // namespace tiku
