#include "mainmenu.h"

#include "browser/browser.h"
#include "core/bankrules.h"
#include "mocktest/testoptions.h"

#include <QPushButton>
#include <QRadioButton>

namespace tiku {

namespace {

// The layout table, listed in the order the controls are made.
constexpr ControlDesign layoutTable[] = {
    {"Label1", "题库选择：", 720, 240, 1695, 255, Face::Kai, 14.25, true},
    {"Option1(1)", bank::secondBankCaption, 1440, 720, 1335, 255, Face::Kai, 14.25, true},
    {"Option1(0)", bank::firstBankCaption, 360, 720, 1455, 255, Face::Kai, 14.25, true},
    {"Command1", "查看题库", 480, 1200, 2175, 495, Face::Kai, 14.25, true},
    {"Command2", "模拟测试", 480, 2040, 2175, 495, Face::Kai, 15.75, true},
    {"Command3", "退  出", 480, 2880, 2175, 495, Face::Kai, 15.75, true},
};

} // namespace

DesignTable MainMenu::design() {
    return layoutTable;
}

MainMenu::MainMenu() : Screen(screenName()) {
    setDesign(design());
    setWindowTitle(QStringLiteral("题库"));
    setClientSize(3045, 3660, false);

    bankHeading = makeLabel(QStringLiteral("Label1"));
    bankOptions[1] = makeOption(QStringLiteral("Option1(1)"));
    bankOptions[0] = makeOption(QStringLiteral("Option1(0)"));
    // The two rectangles overlap from 1440 to 1815. 人文's caption ends well before 1440, so
    // the overlap is empty on 人文's side and holds 临床's round mark: 临床 lies on top there,
    // and a click on its mark selects it.
    bankOptions[1]->raise();
    bankOptions[0]->setChecked(true);
    browseButton = makeButton(QStringLiteral("Command1"));
    testButton = makeButton(QStringLiteral("Command2"));
    exitButton = makeButton(QStringLiteral("Command3"));

    setTabOrder({exitButton, testButton, browseButton, bankOptions[0], bankOptions[1]});

    onClick(browseButton, &MainMenu::onBrowse);
    onClick(testButton, &MainMenu::onMockTest);
    onClick(exitButton, &MainMenu::onExit);
}

Bank MainMenu::chosenBank() const {
    return bankOptions[0]->isChecked() ? Bank::Humanities : Bank::Clinical;
}

void MainMenu::onBrowse() {
    Toolkit& toolkit = Toolkit::instance();
    Browser& browser = toolkit.form<Browser>();
    browser.setBank(chosenBank());
    toolkit.show(browser);
    toolkit.hide(*this);
}

void MainMenu::onMockTest() {
    Toolkit& toolkit = Toolkit::instance();
    TestOptions& options = toolkit.form<TestOptions>();
    options.setBank(chosenBank());
    toolkit.show(options);
    toolkit.hide(*this);
}

void MainMenu::onExit() {
    Toolkit::instance().endProgram();
}

void MainMenu::onUnload() {
    Toolkit::instance().endProgram();
}

} // namespace tiku
