#pragma once

// Drives the screens as a user would, offscreen: message boxes answered from a script and
// recorded, the program end recorded instead of carried out, a program folder and a home of the
// test's own, and one timeline of what happened (message boxes, service calls, the end) to check
// order.

#include "ui/screen.h"
#include "ui/toolkit.h"

#include <QStringList>
#include <QTemporaryDir>

#include <deque>

class QWidget;

namespace tiku::testing {

struct Prompt {
    QString text;
    Buttons buttons = Buttons::Ok;
};

class ScreenHarness {
public:
    ScreenHarness();
    ~ScreenHarness();
    ScreenHarness(const ScreenHarness&) = delete;
    ScreenHarness& operator=(const ScreenHarness&) = delete;

    // The next message box must show this text with these buttons; it is answered so.
    void expectMessage(const QString& text, Buttons buttons = Buttons::Ok,
                       Answer answer = Answer::Ok);
    // Every message box shown, in order.
    const QList<Prompt>& shown() const { return shown_; }
    // Message boxes that were not expected or differed from what was expected, and expected
    // ones that never came. Empty when all went as scripted.
    QStringList problems() const;

    bool ended() const { return exitCode_ >= 0; }
    int exitCode() const { return exitCode_; }

    // "msgbox <text>", "start", "open", "close", "quit", "end <code>", in the order they came.
    const QStringList& timeline() const { return timeline_; }

    QString folder() const { return dir_.path(); }
    void setFolder(const QString& folder);

    template <class T> T& form() { return Toolkit::instance().form<T>(); }
    bool isLoaded(const QString& name) const { return Toolkit::instance().isLoaded(name); }

    // Lets queued work (activations, deferred deletes) run.
    static void settle();

    // Real input: a left click at the centre of the widget (none when it is not shown), text typed
    // into it with key events, a mouse move to a point of a window as the window system would
    // deliver it.
    static void click(QWidget* widget);
    static void type(QWidget* widget, const QString& text);
    static void moveMouse(QWidget* window, QPoint windowPos);
    static void moveMouseOver(QWidget* widget); // to its centre, through its window
    // A left click at a point of a window, through the window system: it reaches whichever
    // control lies on top there, as a real click does.
    static void clickAt(QWidget* window, QPoint windowPos);

private:
    QTemporaryDir dir_;
    QTemporaryDir home_;
    std::deque<std::pair<Prompt, Answer>> expected_;
    QList<Prompt> shown_;
    QStringList unexpected_;
    QStringList timeline_;
    int exitCode_ = -1;
};

// The control of a screen with this design name ("Command1", "Option1(0)"), or null.
QWidget* designControl(QWidget* screen, const QString& name);

// The caption or text a control shows.
QString captionOf(const QWidget* control);

// Checks a control against its row of a layout table: its caption, its place and size given in
// twips, and its font (an empty family: the screen's default font, unchanged). A mismatch fails
// the running test; the caller returns when QTest::currentTestFailed().
void verifyDesign(const QWidget* control, const QString& caption, QRect twips,
                  const QString& family, double points, bool bold);

// The columns of a layout test's rows, in this order: name, caption, twips, family (empty: the
// screen's default font), points, bold. A test may add columns after them.
void addDesignColumns();
// verifyDesign against the running row's columns.
void verifyDesignRow(const QWidget* control);

} // namespace tiku::testing

// Fails the test with the harness's problems, if any.
#define TIKU_VERIFY_SCRIPT(harness)                                                                \
    do {                                                                                           \
        const QStringList problems_ = (harness).problems();                                        \
        QVERIFY2(problems_.isEmpty(), qPrintable(problems_.join(QStringLiteral("\n"))));           \
    } while (false)

// The toolkit's own failure report, alone, and the program ended by it; never the screen's own
// "发生错误，程序关闭！".
#define TIKU_VERIFY_FAILURE_REPORT(harness)                                                        \
    do {                                                                                           \
        QCOMPARE((harness).shown().size(), 1);                                                     \
        const QString report_ = (harness).shown().first().text;                                    \
        QVERIFY2(report_.startsWith(QStringLiteral("程序出错，将要关闭。")), qPrintable(report_)); \
        QVERIFY(!(harness).timeline().contains(QStringLiteral("msgbox 发生错误，程序关闭！")));    \
        QVERIFY((harness).ended());                                                                \
        QCOMPARE((harness).exitCode(), 1);                                                         \
        QCOMPARE((harness).problems().size(), 1); /* the report was not scripted */                \
    } while (false)
