#pragma once

#include "shell/screen.h"

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
class Form4 : public Screen {
    Q_OBJECT
public:
    static QString screenName() { return QStringLiteral("Form4"); }
    Form4();
    ~Form4() override;

    Label* Label1;                        // 试  题：
    Label* Label6;                        // 共
    Label* Label4;                        // the question count, as handed over by the options
    Label* Label8;                        // 题，当前第
    Label* Label9;                        // the number of the question on screen
    Label* Label10;                       // 题。
    QPlainTextEdit* Text1;                // question text
    Label* Label5;                        // 答案：, hovering shows the answer
    QLineEdit* Text2;                     // right answer
    QPushButton* Command1;                // 上一题
    QPushButton* Command2;                // 下一题
    QPushButton* Command5;                // 交  卷
    QPushButton* Command3;                // 返  回
    Label* Label3;                        // 请选择：
    std::array<Label*, 5> Label2;         // the letters A to E
    std::array<QRadioButton*, 5> Option1; // the options A to E

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

    void Form_Activate() override;
    void Option1_Click(int Index);
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command5_Click();
    void Label5_MouseMove();
    void Form_MouseMove() override;
    void Form_Unload() override;

private:
    qint16 questionCount() const;
    void showQuestion(qint16 k);
    void clearOptions();
};

} // namespace tiku
