#pragma once

#include "ui/screen.h"

#include <array>

class QPushButton;
class QRadioButton;

namespace tiku {

// The main menu: the bank selector, and the way to the bank browser, the mock test and the end.
class MainMenu : public Screen {
    Q_OBJECT
public:
    static QString screenName() { return QStringLiteral("Form1"); }
    MainMenu();

    Label* bankHeading;
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
