#pragma once

#include "ui/screen.h"

#include <memory>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tiku {

namespace bank {
class Application;
class Workbook;
class Worksheet;
} // namespace bank

// The bank browser: one question of the chosen bank at a time, its answer shown while the pointer
// rests on 答案：, and moves to the first, previous, next and last question or to a typed number.
// The bank is open from the screen's activation to its unloading; everything else lives in the
// controls: bankSizeLabel holds the bank size, questionNumberLabel the number of the question on
// screen.
class Browser : public Screen {
    Q_OBJECT
public:
    static QString screenName() { return QStringLiteral("Form3"); }
    Browser();

    Label* questionHeading;      // 试  题：
    QPlainTextEdit* questionBox; // question text with its options
    Label* answerCaption;        // 答案： (hover reveals answerBox)
    QLineEdit* answerBox;        // answer, hidden until revealed
    QPushButton* firstButton;    // 第一题
    QPushButton* previousButton; // 上一题
    QPushButton* nextButton;     // 下一题
    QPushButton* lastButton;     // 最后一题
    QPushButton* backButton;     // 返  回
    Label* countPrefix;          // 共
    Label* bankSizeLabel;        // bank size
    Label* currentPrefix;        // 题，当前第
    Label* questionNumberLabel;  // current question number
    Label* jumpPrefix;           // 题。    跳转至第
    QLineEdit* jumpBox;          // number to jump to
    Label* jumpSuffix;           // 题。
    QPushButton* jumpButton;     // 跳  转

    std::shared_ptr<bank::Application> bankApp;
    std::shared_ptr<bank::Workbook> bankBook;
    std::shared_ptr<bank::Worksheet> bankSheet;

    void onActivated() override;
    void onPrevious();
    void onNext();
    void onBack();
    void onFirst();
    void onLast();
    void onJump();
    void onAnswerHover();
    void onSurfaceMouseMove() override;
    void onUnload() override;

private:
    // Question text into questionBox, then its answer into answerBox, both read from the sheet
    // anew.
    void showQuestion(int row);
    void showQuestion(const QString& rowText);
    // A bank of one question: its only question is both the first and the last, so neither
    // 上一题 nor 下一题 ever leads anywhere.
    bool singleQuestion() const;
    void closeBank();
};

} // namespace tiku
