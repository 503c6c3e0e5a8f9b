#pragma once

#include "ui/screen.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace tiku {

// The test options: the number of questions, whether the answer may be viewed and whether the
// user may step back. An accepted input opens the mock test and hands the three settings over
// by writing them into its controls.
class TestOptions : public Screen {
    Q_OBJECT
public:
    static QString screenName() { return QStringLiteral("Form2"); }
    TestOptions();

    Label* countLabel;          // 题数：
    QLineEdit* countBox;        // the question count, as typed
    Label* showAnswerLabel;     // 查看答案：
    QCheckBox* showAnswerCheck; // show the answer
    Label* allowBackLabel;      // 允许返回：
    QCheckBox* allowBackCheck;  // allow going back
    QPushButton* okButton;      // 确  定
    QPushButton* backButton;    // 返  回

    void onOk();
    void onBack();
    void onUnload() override;
};

} // namespace tiku
