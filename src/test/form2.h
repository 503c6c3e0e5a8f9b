#pragma once

#include "shell/screen.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace tiku {

// The test options: the number of questions, whether the answer may be viewed and whether the
// user may step back. An accepted input opens the mock test and hands the three settings over
// by writing them into its controls.
class Form2 : public Screen {
    Q_OBJECT
public:
    static QString screenName() { return QStringLiteral("Form2"); }
    Form2();

    Label* Label1;         // 题数：
    QLineEdit* Text1;      // the question count, as typed
    Label* Label2;         // 查看答案：
    QCheckBox* Check1;     // show the answer
    Label* Label3;         // 允许返回：
    QCheckBox* Check2;     // allow going back
    QPushButton* Command1; // 确  定
    QPushButton* Command2; // 返  回

    void Command1_Click();
    void Command2_Click();
    void Form_Unload() override;
};

} // namespace tiku
