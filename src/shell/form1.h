#pragma once

#include "screen.h"

#include <array>

class QPushButton;
class QRadioButton;

namespace tiku {

// The main menu: the bank selector, and the way to the bank browser, the mock test and the end.
class Form1 : public Screen {
    Q_OBJECT
public:
    static QString screenName() { return QStringLiteral("Form1"); }
    Form1();

    Label* Label1;
    std::array<QRadioButton*, 2> Option1; // 人文 (sheet1), 临床 (sheet2)
    QPushButton* Command1;                // 查看题库
    QPushButton* Command2;                // 模拟测试
    QPushButton* Command3;                // 退  出

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Form_Unload() override;
};

} // namespace tiku
