#pragma once

#include "ui/screen.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace tiku {

namespace bank {
class Application;
class Workbook;
class Worksheet;
} // namespace bank

// The mock test: one question of the paper at a time, an answer A to E for each, moving forward
// and (when allowed) back, the right answer on hover (when allowed), and the hand-in.
class MockTest : public Screen {
    Q_OBJECT
public:
    static QString screenName() { return QStringLiteral("Form4"); }
    MockTest();
    ~MockTest() override;

    Label* questionHeading;                     // 试  题：
    Label* countPrefix;                         // 共
    Label* questionCountLabel;                  // the question count, as handed over by the options
    Label* currentPrefix;                       // 题，当前第
    Label* questionNumberLabel;                 // the number of the question on screen
    Label* currentSuffix;                       // 题。
    QPlainTextEdit* questionBox;                // question text
    Label* answerCaption;                       // 答案：, hovering shows the answer
    QLineEdit* answerBox;                       // right answer
    QPushButton* previousButton;                // 上一题
    QPushButton* nextButton;                    // 下一题
    QPushButton* handInButton;                  // 交  卷
    QPushButton* backButton;                    // 返  回
    Label* chooseLabel;                         // 请选择：
    std::array<Label*, 5> letterLabels;         // the letters A to E
    std::array<QRadioButton*, 5> answerOptions; // the options A to E

    // The test run, set up on activation. The arrays are used from index 1 to M, the question
    // count; element 0 is never used. An index outside 1 to M fails.
    std::shared_ptr<bank::Application> bankApp;
    std::shared_ptr<bank::Workbook> bankBook;
    std::shared_ptr<bank::Worksheet> bankSheet;
    std::vector<qint16> paperRows;                     // worksheet row of question k
    std::vector<std::optional<QString>> chosenAnswers; // letter picked for question k, if any
    std::vector<QString> rightAnswers;                 // answer of question k as last shown
    qint16 currentNo = 0;                              // number of the question on screen
    std::uint64_t paperSeed = 0;                       // seed of this set-up's draw

    void onActivated() override;
    void onAnswerChosen(int Index);
    void onPrevious();
    void onNext();
    void onBack();
    void onHandIn();
    void onAnswerHover();
    void onSurfaceMouseMove() override;
    void onUnload() override;

private:
    qint16 questionCount() const;
    void showQuestion(qint16 k);
    void clearOptions();
};

} // namespace tiku
