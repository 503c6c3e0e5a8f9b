#pragma once

#include "browser/browserposition.h"
#include "session/banksession.h"
#include "ui/screen.h"
#include "ui/screennames.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tiku {

// The bank browser: one question of the chosen bank at a time, its answer shown while the pointer
// rests on 答案：, and moves to the first, previous, next and last question or to a typed number.
// The bank chosen on the main menu is open from the screen's activation to its unloading; the
// position (BrowserPosition) decides the moves, the screen shows it and reads the cells.
class Browser : public Screen {
    Q_OBJECT
public:
    static QString screenName() { return screen_name::browser(); }
    Browser();

    // The layout table the screen is made from.
    static DesignTable design();

    // The bank to open on the next activation.
    void setBank(Bank bank) { bank_ = bank; }

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

    BankSession& session() { return session_; }
    const BrowserPosition& position() const { return position_; }

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
    // The number and the two move buttons as the position has them.
    void showPosition();

    Bank bank_ = Bank::Humanities;
    BankSession session_;
    BrowserPosition position_;
};

} // namespace tiku
