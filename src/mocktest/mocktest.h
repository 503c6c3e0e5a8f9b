#pragma once

#include "core/bankrules.h"
#include "mocktest/mocktestrun.h"
#include "session/banksession.h"
#include "ui/screen.h"
#include "ui/screennames.h"

#include <array>
#include <cstdint>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace tiku {

// The mock test: one question of the paper at a time, an answer A to E for each, moving forward
// and (when allowed) back, the right answer on hover (when allowed), and the hand-in. The run's
// rules are MockTestRun's; the screen shows them and reads the cells of the bank it holds.
class MockTest : public Screen {
    Q_OBJECT
public:
    static QString screenName() { return screen_name::mockTest(); }
    MockTest();

    // The layout table the screen is made from.
    static DesignTable design();

    // The test options' settings and the bank chosen on the main menu, handed over once the
    // screen is shown: the count is shown as typed, the answer caption and 上一题 shown or hidden
    // by the switches. The activation sets the test up from them.
    void handOver(const TestSettings& settings, Bank bank);

    Label* questionHeading;      // 试  题：
    Label* countPrefix;          // 共
    Label* questionCountLabel;   // the question count, as handed over by the options
    Label* currentPrefix;        // 题，当前第
    Label* questionNumberLabel;  // the number of the question on screen
    Label* currentSuffix;        // 题。
    QPlainTextEdit* questionBox; // question text
    Label* answerCaption;        // 答案：, hovering shows the answer
    QLineEdit* answerBox;        // right answer
    QPushButton* previousButton; // 上一题
    QPushButton* nextButton;     // 下一题
    QPushButton* handInButton;   // 交  卷
    QPushButton* backButton;     // 返  回
    Label* chooseLabel;          // 请选择：
    std::array<Label*, bank::answerCount> letterLabels;         // the letters A to E
    std::array<QRadioButton*, bank::answerCount> answerOptions; // the options A to E

    const MockTestRun& run() const { return run_; }
    const BankSession& session() const { return session_; }
    std::uint64_t paperSeed() const { return paperSeed_; } // seed of this set-up's draw

    void onActivated() override;
    void onAnswerChosen(int index);
    void onPrevious();
    void onNext();
    void onBack();
    void onHandIn();
    void onAnswerHover();
    void onSurfaceMouseMove() override;
    void onUnload() override;

private:
    // The current question: its text and answer read from the sheet, the answer kept as shown.
    void showQuestion();
    void clearOptions();

    TestSettings settings_;
    Bank bank_ = Bank::Humanities;
    MockTestRun run_;
    BankSession session_;
    std::uint64_t paperSeed_ = 0;
};

} // namespace tiku
