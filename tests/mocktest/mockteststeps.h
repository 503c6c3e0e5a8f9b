#pragma once

// Shared steps of the mock test's screen tests: banks with answers the test controls, and the
// way from the main menu through the test options to a running test, as a user clicks it.

#include "bankfiles.h"
#include "screentest.h"

#include "bank/service.h"
#include "menu/mainmenu.h"
#include "mocktest/mocktest.h"
#include "mocktest/testoptions.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace tiku::testing {

// Questions "题k" (k from 1) with the given answers, in rows 1 to answers.size().
inline std::vector<Question> answeredQuestions(const QStringList& answers,
                                               const QString& prefix = QStringLiteral("人文")) {
    std::vector<Question> out;
    for (int k = 1; k <= answers.size(); ++k) {
        out.push_back(
            {QStringLiteral("%1题%2\nA. 甲\nB. 乙\nC. 丙\nD. 丁\nE. 戊").arg(prefix).arg(k),
             answers[k - 1]});
    }
    return out;
}

// A bank of n questions a side, answers cycling A to E.
inline void writeNumberedBank(ScreenHarness& h, int n) {
    writeBank(h.folder(), numberedQuestions(n, QStringLiteral("人文")),
              numberedQuestions(n, QStringLiteral("临床")));
}

// The main menu, shown as at program start.
inline MainMenu& mainMenu(ScreenHarness& h) {
    Toolkit::instance().show(h.form<MainMenu>());
    h.settle();
    return h.form<MainMenu>();
}

// From the main menu: 模拟测试, the count typed, the switches checked, 确  定.
inline void enterOptions(ScreenHarness& h, const QString& count, bool showAnswer, bool allowBack) {
    h.click(h.form<MainMenu>().testButton);
    TestOptions& options = h.form<TestOptions>();
    h.type(options.countBox, count);
    if (showAnswer) {
        h.click(options.showAnswerCheck);
    }
    if (allowBack) {
        h.click(options.allowBackCheck);
    }
    h.click(options.okButton);
}

// A running test reached from the main menu (shown first when it is not on screen).
inline MockTest& startTest(ScreenHarness& h, const QString& count, bool showAnswer = true,
                           bool allowBack = true) {
    if (!h.form<MainMenu>().isVisible()) {
        mainMenu(h);
    }
    enterOptions(h, count, showAnswer, allowBack);
    return h.form<MockTest>();
}

// The option index of an answer letter "A" to "E".
inline int optionIndex(const QString& letter) {
    return letter.at(0).unicode() - u'A';
}

// Number of the option buttons selected.
inline int selectedOptions(const MockTest& f) {
    int n = 0;
    for (QRadioButton* option : f.answerOptions) {
        n += option->isChecked() ? 1 : 0;
    }
    return n;
}

// The pointer moved onto a point of the test screen. A move to where the pointer already is
// raises no event (the window system drops it), so the pointer first rests on the neutral
// label 请选择：, which takes the moves itself and does nothing with them.
inline void pointAt(ScreenHarness& h, MockTest& f, QPoint windowPos) {
    h.moveMouseOver(f.chooseLabel);
    h.moveMouse(&f, windowPos);
}
inline void pointAt(ScreenHarness& h, MockTest& f, QWidget* control) {
    pointAt(h, f, control->mapTo(&f, control->rect().center()));
}

// The controls that take the focus with the tab key, once round the focus chain from first.
inline QList<QWidget*> tabChain(QWidget* first) {
    QList<QWidget*> chain{first};
    for (QWidget* w = first->nextInFocusChain(); w && w != first && chain.size() < 100;
         w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->window() != w) {
            chain.append(w);
        }
    }
    return chain;
}

} // namespace tiku::testing
