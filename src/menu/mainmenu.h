#pragma once

#include "session/bank.h"
#include "ui/screen.h"
#include "ui/screennames.h"

#include <array>

class QPushButton;
class QRadioButton;

namespace tiku {

// The main menu: the bank selector, and the way to the bank browser, the mock test and the end.
class MainMenu : public Screen {
    Q_OBJECT
public:
    static QString screenName() { return screen_name::mainMenu(); }
    MainMenu();

    // The layout table the screen is made from.
    static DesignTable design();

    // The bank the selector holds: 人文 when its option is selected, else 临床.
    Bank chosenBank() const;

    Label* bankHeading;                       // 题库选择：
    std::array<QRadioButton*, 2> bankOptions; // 人文 (sheet1), 临床 (sheet2)
    QPushButton* browseButton;                // 查看题库
    QPushButton* testButton;                  // 模拟测试
    QPushButton* exitButton;                  // 退  出

    void onBrowse();
    void onMockTest();
    void onExit();
    void onUnload() override;
};

} // namespace tiku
