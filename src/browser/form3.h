#pragma once

#include "shell/screen.h"

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
// controls: Label4 holds the bank size, Label6 the number of the question on screen.
class Form3 : public Screen {
    Q_OBJECT
public:
    static QString screenName() { return QStringLiteral("Form3"); }
    Form3();

    Label* Label1;         // 试  题：
    QPlainTextEdit* Text1; // question text with its options
    Label* Label2;         // 答案： (hover reveals Text2)
    QLineEdit* Text2;      // answer, hidden until revealed
    QPushButton* Command4; // 第一题
    QPushButton* Command1; // 上一题
    QPushButton* Command2; // 下一题
    QPushButton* Command5; // 最后一题
    QPushButton* Command3; // 返  回
    Label* Label3;         // 共
    Label* Label4;         // bank size
    Label* Label5;         // 题，当前第
    Label* Label6;         // current question number
    Label* Label7;         // 题。    跳转至第
    QLineEdit* Text3;      // number to jump to
    Label* Label8;         // 题。
    QPushButton* Command6; // 跳  转

    std::shared_ptr<bank::Application> bankApp;
    std::shared_ptr<bank::Workbook> bankBook;
    std::shared_ptr<bank::Worksheet> bankSheet;

    void Form_Activate() override;
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Label2_MouseMove();
    void Form_MouseMove() override;
    void Form_Unload() override;

private:
    // Question text into Text1, then its answer into Text2, both read from the sheet anew.
    void showQuestion(int row);
    void showQuestion(const QString& rowText);
    // A bank of one question: its only question is both the first and the last, so neither
    // 上一题 nor 下一题 ever leads anywhere.
    bool singleQuestion() const;
    void closeBank();
};

} // namespace tiku
