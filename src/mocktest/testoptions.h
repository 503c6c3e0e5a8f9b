#pragma once

#include "session/bank.h"
#include "ui/screen.h"
#include "ui/screennames.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace tiku {

// The test options: the number of questions, whether the answer may be viewed and whether the
// user may step back. An accepted input opens the mock test and hands it the three settings and
// the bank chosen on the main menu.
class TestOptions : public Screen {
    Q_OBJECT
public:
    static QString screenName() { return screen_name::testOptions(); }
    TestOptions();

    // The layout table the screen is made from.
    static DesignTable design();

    // The bank the mock test is to use, set by the main menu each time it shows this screen.
    void setBank(Bank bank) { bank_ = bank; }

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

private:
    Bank bank_ = Bank::Humanities;
};

} // namespace tiku
