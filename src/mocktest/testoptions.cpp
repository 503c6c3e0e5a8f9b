#include "testoptions.h"

#include "core/bankrules.h"
#include "core/convert.h"
#include "core/failure.h"
#include "mocktest.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

namespace tiku {

namespace {

// The layout table, listed in the order the controls are made.
constexpr ControlDesign layoutTable[] = {
    {"Label1", "题数：", 240, 120, 1095, 255, Face::Kai, 14.25, true},
    {"Text1", "", 1440, 120, 735, 375, Face::Kai, 14.25, true},
    {"Label2", "查看答案：", 240, 720, 1575, 255, Face::Kai, 14.25, true},
    {"Check1", "Check1", 1920, 720, 255, 255},
    {"Label3", "允许返回：", 240, 1320, 1575, 495, Face::Kai, 14.25, true},
    {"Check2", "Check2", 1920, 1320, 255, 375},
    {"Command1", "确  定", 120, 2040, 975, 375, Face::Song, 10.5, false},
    {"Command2", "返  回", 1440, 2040, 975, 375, Face::Song, 10.5, false},
};

} // namespace

DesignTable TestOptions::design() {
    return layoutTable;
}

TestOptions::TestOptions() : Screen(screenName()) {
    setDesign(design());
    setWindowTitle(QStringLiteral("测试选项"));
    setClientSize(2580, 2535, false);

    countLabel = makeLabel(QStringLiteral("Label1"));
    countBox = makeLineEdit(QStringLiteral("Text1"), false);
    showAnswerLabel = makeLabel(QStringLiteral("Label2"));
    showAnswerCheck = makeCheck(QStringLiteral("Check1"));
    showAnswerCheck->setAccessibleName(QStringLiteral("查看答案")); // its caption is cut off
    allowBackLabel = makeLabel(QStringLiteral("Label3"));
    allowBackCheck = makeCheck(QStringLiteral("Check2"));
    allowBackCheck->setAccessibleName(QStringLiteral("允许返回"));
    okButton = makeButton(QStringLiteral("Command1"));
    backButton = makeButton(QStringLiteral("Command2"));

    setTabOrder({backButton, okButton, allowBackCheck, showAnswerCheck, countBox});

    onClick(okButton, &TestOptions::onOk);
    onClick(backButton, &TestOptions::onBack);
}

void TestOptions::onOk() {
    Toolkit& toolkit = Toolkit::instance();
    try {
        if (!countInRange(countBox->text())) {
            toolkit.msgBox(QStringLiteral("请输入%1-%2之间的数字!")
                               .arg(bank::minPaperQuestions)
                               .arg(bank::maxPaperQuestions));
            return;
        }
        // The test screen is shown first and handed the settings afterwards: its activation,
        // which sets the test up from them, runs only once this handler has returned.
        MockTest& test = toolkit.form<MockTest>();
        toolkit.show(test);
        test.handOver(TestSettings{countBox->text(), showAnswerCheck->isChecked(),
                                   allowBackCheck->isChecked()},
                      bank_);
        countBox->setText(QString());
        showAnswerCheck->setChecked(false);
        allowBackCheck->setChecked(false);
        toolkit.hide(*this);
    } catch (const Failure&) {
        toolkit.msgBox(QStringLiteral("请输入1-%1之间的数字!").arg(bank::maxPaperQuestions));
    }
}

void TestOptions::onBack() {
    Toolkit& toolkit = Toolkit::instance();
    toolkit.show(toolkit.screen(screen_name::mainMenu()));
    toolkit.unload(*this);
}

void TestOptions::onUnload() {
    Toolkit& toolkit = Toolkit::instance();
    toolkit.show(toolkit.screen(screen_name::mainMenu()));
}

} // namespace tiku
