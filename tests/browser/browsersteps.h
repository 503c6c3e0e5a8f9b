#pragma once

// Shared steps of the browser's screen tests: the banks, the way to the browser as a user clicks
// it, the moves, and the check that the screen shows a row of the bank.

#include "bankfiles.h"
#include "screentest.h"

#include "bank/service.h"
#include "browser/browser.h"
#include "menu/mainmenu.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace tiku::testing {

// Service instances started and not quit since reset(). An untrapped failure ends the program
// without quitting its instance, which then stays counted: such a test sets endedByReport.
class InstanceCount {
public:
    void reset() {
        baseline_ = bank::Application::runningInstances();
        endedByReport = false;
    }
    int running() const { return bank::Application::runningInstances() - baseline_; }
    // After each test: every instance the test started was quit, unless the program ended.
    void verifyNoneLeft() const {
        if (!endedByReport && !QTest::currentTestFailed()) {
            QCOMPARE(running(), 0);
        }
    }
    bool endedByReport = false;

private:
    int baseline_ = 0;
};

inline const int humanitiesCount = 12;
inline const int clinicalCount = 7;

inline std::vector<Question> humanities() {
    return numberedQuestions(humanitiesCount, "人文");
}
inline std::vector<Question> clinical() {
    return numberedQuestions(clinicalCount, "临床");
}

inline QString rangeMessage(int n) {
    return QStringLiteral("请输入1-%1之间的数字!").arg(n);
}

inline const QString openingFailed = QStringLiteral("发生错误，程序关闭！");

// The browser reached from the main menu as the user does: the bank chosen, 查看题库 clicked.
inline Browser& browse(ScreenHarness& h, bool clinicalBank = false) {
    Toolkit::instance().show(h.form<MainMenu>());
    h.settle();
    if (clinicalBank) {
        h.click(h.form<MainMenu>().bankOptions[1]);
    }
    h.click(h.form<MainMenu>().browseButton);
    return h.form<Browser>();
}

inline void jump(ScreenHarness& h, Browser& f, const QString& text) {
    f.jumpBox->clear();
    h.type(f.jumpBox, text);
    h.click(f.jumpButton);
}

// One step of a user's script: next, prev, first, last, or "jump <text>".
inline void act(ScreenHarness& h, Browser& f, const QString& step) {
    if (step == "next") {
        h.click(f.nextButton);
    } else if (step == "prev") {
        h.click(f.previousButton);
    } else if (step == "first") {
        h.click(f.firstButton);
    } else if (step == "last") {
        h.click(f.lastButton);
    } else if (step.startsWith("jump ")) {
        jump(h, f, step.mid(5));
    } else {
        QFAIL(qPrintable("unknown step " + step));
    }
}

// What differs between the screen and question row of the bank, empty when it shows that row.
inline QString rowMismatch(Browser& f, const std::vector<Question>& bank, int row) {
    const Question& q = bank.at(size_t(row - 1));
    QStringList out;
    if (f.questionBox->toPlainText() != q.text) {
        out << QStringLiteral("Text1 “%1”, expected “%2”")
                   .arg(f.questionBox->toPlainText(), q.text);
    }
    if (f.answerBox->text() != q.answer) {
        out << QStringLiteral("Text2 “%1”, expected “%2”").arg(f.answerBox->text(), q.answer);
    }
    return out.join("; ");
}

} // namespace tiku::testing

#define VERIFY_ROW(f, bank, row)                                                                   \
    do {                                                                                           \
        const QString mismatch_ = tiku::testing::rowMismatch((f), (bank), (row));                  \
        QVERIFY2(mismatch_.isEmpty(), qPrintable(mismatch_));                                      \
    } while (false)
