#include "screentest.h"

#include "app/app.h"
#include "bank/service.h"

#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QTest>
#include <QWidget>
#include <QWindow>

namespace tiku::testing {

namespace {
QString describe(const Prompt& p) {
    return QStringLiteral("“%1” (%2)").arg(p.text, p.buttons == Buttons::Ok ? "OK" : "Yes/No");
}
} // namespace

ScreenHarness::ScreenHarness() {
    static bool once = [] {
        installFontSubstitutions();
        registerScreens();
        return true;
    }();
    (void)once;
    Toolkit& toolkit = Toolkit::instance();
    toolkit.resetForTests();
    toolkit.setProgramFolder(dir_.path());
    toolkit.setNamedBankFile({});
    qputenv("HOME", QFile::encodeName(home_.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home_.filePath(QStringLiteral(".local/share"))));
    toolkit.setMessageBoxHandler([this](const QString& text, Buttons buttons) {
        Prompt prompt{text, buttons};
        shown_.append(prompt);
        timeline_.append(QStringLiteral("msgbox ") + text);
        Answer fallback = buttons == Buttons::Ok ? Answer::Ok : Answer::No;
        if (expected_.empty()) {
            unexpected_.append(QStringLiteral("unexpected message box ") + describe(prompt));
            return fallback;
        }
        auto [want, answer] = expected_.front();
        expected_.pop_front();
        if (want.text != text || want.buttons != buttons) {
            unexpected_.append(QStringLiteral("message box %1, expected %2")
                                   .arg(describe(prompt), describe(want)));
            return fallback;
        }
        return answer;
    });
    toolkit.setEndHandler([this](int code) {
        exitCode_ = code;
        timeline_.append(QStringLiteral("end %1").arg(code));
    });
    bank::setServiceTrace([this](const QString& event) { timeline_.append(event); });
}

ScreenHarness::~ScreenHarness() {
    Toolkit& toolkit = Toolkit::instance();
    toolkit.resetForTests();
    toolkit.setMessageBoxHandler({});
    toolkit.setEndHandler({});
    toolkit.setProgramFolder({});
    bank::setServiceTrace({});
}

void ScreenHarness::expectMessage(const QString& text, Buttons buttons, Answer answer) {
    expected_.push_back({Prompt{text, buttons}, answer});
}

QStringList ScreenHarness::problems() const {
    QStringList all = unexpected_;
    for (const auto& [want, answer] : expected_) {
        (void)answer;
        all.append(QStringLiteral("expected message box never shown: ") + describe(want));
    }
    return all;
}

void ScreenHarness::setFolder(const QString& folder) {
    Toolkit::instance().setProgramFolder(folder);
}

void ScreenHarness::settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

void ScreenHarness::click(QWidget* widget) {
    if (!widget->isVisible()) {
        return; // nobody can click what is not shown
    }
    QTest::mouseClick(widget, Qt::LeftButton);
    settle();
}

void ScreenHarness::type(QWidget* widget, const QString& text) {
    widget->setFocus();
    QTest::keyClicks(widget, text);
    settle();
}

void ScreenHarness::moveMouse(QWidget* window, QPoint windowPos) {
    // Through the window system, as a real window delivers it: to the widget under the pointer.
    QTest::mouseMove(window, windowPos);
    settle();
}

void ScreenHarness::moveMouseOver(QWidget* widget) {
    QWidget* window = widget->window();
    moveMouse(window, widget->mapTo(window, widget->rect().center()));
}

void ScreenHarness::clickAt(QWidget* window, QPoint windowPos) {
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, Qt::NoModifier, windowPos);
    settle();
}

QWidget* designControl(QWidget* screen, const QString& name) {
    return screen->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
}

QString captionOf(const QWidget* control) {
    if (auto* box = qobject_cast<const QPlainTextEdit*>(control)) {
        return box->toPlainText();
    }
    return control->property("text").toString();
}

void verifyDesign(const QWidget* control, const QString& caption, QRect twips,
                  const QString& family, double points, bool bold) {
    QCOMPARE(captionOf(control), caption);
    QCOMPARE(control->geometry(),
             QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15));
    if (family.isEmpty()) {
        QCOMPARE(control->font(), QApplication::font());
        return;
    }
    QCOMPARE(control->font().family(), family);
    QCOMPARE(control->font().pointSizeF(), points);
    QCOMPARE(control->font().bold(), bold);
}

void addDesignColumns() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<QString>("family");
    QTest::addColumn<double>("points");
    QTest::addColumn<bool>("bold");
}

void verifyDesignRow(const QWidget* control) {
    QFETCH(QString, caption);
    QFETCH(QRect, twips);
    QFETCH(QString, family);
    QFETCH(double, points);
    QFETCH(bool, bold);
    verifyDesign(control, caption, twips, family, points, bold);
}

} // namespace tiku::testing
