#pragma once

// The screen toolkit: what the screens need of the platform, gathered in one place. Screens are
// created on first use, shown with their activation deferred until the showing handler has
// returned, hidden with their values kept, and unloaded (onUnload, then destroyed). Every
// event handler runs through dispatch(), which is where a failure no handler trapped becomes the
// toolkit's own failure report, and where nothing runs any more once the program has ended.

#include <QHash>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace tiku {

class Failure;
class Screen;

enum class Buttons { Ok, YesNo };
enum class Answer { Ok, Yes, No };

// Thrown by endProgram() when a test has replaced the program end: it unwinds the running
// handler so that nothing after the end runs. Handlers never catch it (they trap Failure only).
struct ProgramEnded {
    int exitCode;
};

class Toolkit {
public:
    using Factory = std::function<Screen*()>;
    using MessageBoxHandler = std::function<Answer(const QString& prompt, Buttons buttons)>;
    using EndHandler = std::function<void(int exitCode)>;

    static Toolkit& instance();

    // The program's title, shown on message boxes.
    static QString programTitle() { return QStringLiteral("题库"); }

    // Screens by name.
    void registerScreen(const QString& name, Factory factory);
    Screen& screen(const QString& name); // creates it with its design values when not loaded
    bool isLoaded(const QString& name) const;
    template <class T> T& form() { return static_cast<T&>(screen(T::screenName())); }

    // Visible and active, never modal. The screen's onActivated runs after the running handler
    // has returned, and only when it becomes active after another screen or is first shown.
    void show(Screen& screen);
    void hide(Screen& screen);
    // onUnload, then the instance is destroyed; the next use creates it afresh.
    void unload(Screen& screen);

    // Ends the program at once: no further handler runs, no screen gets onUnload.
    [[noreturn]] void endProgram(int exitCode = 0);
    bool programEnded() const { return ended_; }

    // Modal, no icon, the program's title; OK alone or Yes and No with Yes the default.
    Answer msgBox(const QString& prompt, Buttons buttons = Buttons::Ok);

    // The executable's folder.
    QString programFolder() const;
    // The bank file named on the command line; empty when none was.
    const QString& namedBankFile() const { return namedBankFile_; }
    void setNamedBankFile(const QString& file) { namedBankFile_ = file; }

    // Runs an event handler: a Failure (or any other exception) that escapes it is reported in a
    // message box that says what failed, and the program ends.
    void dispatch(const std::function<void()>& handler);

    // Seams for the tests: scripted message boxes, a recorded program end, a program folder of
    // their own, and a fresh start between test cases.
    void setMessageBoxHandler(MessageBoxHandler handler) { msgBoxHandler_ = std::move(handler); }
    void setEndHandler(EndHandler handler) { endHandler_ = std::move(handler); }
    void setProgramFolder(const QString& folder) { programFolder_ = folder; }
    void resetForTests();

private:
    Toolkit() = default;
    void deliverActivate(QPointer<Screen> screen);
    // Says what failed in a message box and ends the program.
    void reportFailure(const Failure& failure);

    QHash<QString, Factory> factories_;
    QHash<QString, QPointer<Screen>> loaded_;
    QPointer<Screen> active_;
    bool ended_ = false;
    MessageBoxHandler msgBoxHandler_;
    EndHandler endHandler_;
    QString programFolder_;
    QString namedBankFile_;
};

// The platform's fonts in place of the screens' faces where they are missing (faceFamilies()).
void installFontSubstitutions();

} // namespace tiku
