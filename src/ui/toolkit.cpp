#include "toolkit.h"

#include "core/failure.h"
#include "screen.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFont>
#include <QIcon>
#include <QMessageBox>
#include <QMetaObject>

#include <cstdio>
#include <cstdlib>
#include <new>

namespace tiku {

Toolkit& Toolkit::instance() {
    static Toolkit toolkit;
    return toolkit;
}

void Toolkit::registerScreen(const QString& name, Factory factory) {
    factories_.insert(name, std::move(factory));
}

Screen& Toolkit::screen(const QString& name) {
    QPointer<Screen> existing = loaded_.value(name);
    if (existing) {
        return *existing;
    }
    auto factory = factories_.find(name);
    if (factory == factories_.end()) {
        throw Failure(ErrorKind::Refused, QStringLiteral("找不到界面“%1”。").arg(name));
    }
    Screen* created = (*factory)();
    loaded_.insert(name, created);
    return *created;
}

bool Toolkit::isLoaded(const QString& name) const {
    return !loaded_.value(name).isNull();
}

void Toolkit::show(Screen& screen) {
    screen.show();
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
        screen.raise();
    }
    screen.activateWindow();
    // The activation is a queued call: it runs once the handler that showed the screen has
    // returned, the same under every window system.
    QPointer<Screen> target(&screen);
    QMetaObject::invokeMethod(
        qApp, [this, target] { deliverActivate(target); }, Qt::QueuedConnection);
}

void Toolkit::deliverActivate(QPointer<Screen> screen) {
    if (ended_ || !screen || !screen->isVisible() || active_ == screen) {
        return;
    }
    active_ = screen;
    dispatch([&] { screen->onActivated(); });
}

void Toolkit::hide(Screen& screen) {
    screen.hide();
}

void Toolkit::unload(Screen& screen) {
    if (ended_) {
        return;
    }
    QPointer<Screen> target(&screen);
    dispatch([&] { screen.onUnload(); });
    if (ended_ || !target) {
        return;
    }
    if (loaded_.value(target->name()) == target) {
        loaded_.remove(target->name());
    }
    if (active_ == target) {
        active_ = nullptr;
    }
    target->hide();
    target->deleteLater(); // the handler that unloads it may still be running on it
}

void Toolkit::endProgram(int exitCode) {
    ended_ = true;
    if (endHandler_) {
        endHandler_(exitCode);
        throw ProgramEnded{exitCode};
    }
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(exitCode);
}

Answer Toolkit::msgBox(const QString& prompt, Buttons buttons) {
    if (msgBoxHandler_) {
        return msgBoxHandler_(prompt, buttons);
    }
    QMessageBox box(QMessageBox::NoIcon, programTitle(), prompt,
                    buttons == Buttons::Ok ? QMessageBox::Ok : QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    // Chinese captions, no icons on the buttons, whatever translations are installed.
    auto caption = [&box](QMessageBox::StandardButton which, const QString& text) {
        if (QAbstractButton* button = box.button(which)) {
            button->setText(text);
            button->setIcon(QIcon());
        }
    };
    caption(QMessageBox::Ok, QStringLiteral("确定"));
    caption(QMessageBox::Yes, QStringLiteral("是(&Y)"));
    caption(QMessageBox::No, QStringLiteral("否(&N)"));
    if (buttons == Buttons::YesNo) {
        box.setDefaultButton(QMessageBox::Yes);
    }
    int pressed = box.exec();
    if (buttons == Buttons::Ok) {
        return Answer::Ok;
    }
    return pressed == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

QString Toolkit::programFolder() const {
    if (!programFolder_.isEmpty()) {
        return programFolder_;
    }
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

void Toolkit::dispatch(const std::function<void()>& handler) {
    if (ended_) {
        return;
    }
    static int depth = 0;
    struct Depth {
        Depth() { ++depth; }
        ~Depth() { --depth; }
    } guard;
    try {
        try {
            handler();
        } catch (const Failure& failure) {
            reportFailure(failure);
        } catch (const std::bad_alloc&) {
            reportFailure(Failure(ErrorKind::OutOfMemory, QStringLiteral("内存不足。")));
        } catch (const std::exception& other) {
            reportFailure(
                Failure(ErrorKind::InternalError,
                        QStringLiteral("内部错误：%1").arg(QString::fromLocal8Bit(other.what()))));
        }
    } catch (const ProgramEnded&) {
        // The program has ended (only where a test replaced the end): unwind to the outermost
        // handler, so nothing of the handlers that called this one runs either.
        if (depth > 1) {
            throw;
        }
    }
}

void Toolkit::reportFailure(const Failure& failure) {
    msgBox(QStringLiteral("程序出错，将要关闭。\n\n%1\n\n（错误代码：%2）")
               .arg(failure.description())
               .arg(failure.code()));
    endProgram(1);
}

void Toolkit::resetForTests() {
    const auto screens = loaded_.values();
    loaded_.clear();
    for (const QPointer<Screen>& screen : screens) {
        delete screen.data();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents(); // drops activations queued for screens now gone
    active_ = nullptr;
    ended_ = false;
}

void installFontSubstitutions() {
    for (const FaceFamilies& row : faceFamilies()) {
        QFont::insertSubstitutions(row.family, row.substitutes);
    }
}

} // namespace tiku
