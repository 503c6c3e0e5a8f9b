#include "screen.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace tiku {

Label::Label(const QString& caption, QWidget* parent) : QLabel(caption, parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
}

void Label::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    emit mouseMoved();
}

Screen::Screen(const QString& name) : name_(name) {
    setObjectName(name);
    setMouseTracking(true);
    setAttribute(Qt::WA_DeleteOnClose, false);
}

QFont Screen::font(Face face, qreal points, bool bold) {
    QFont f = QApplication::font();
    switch (face) {
    case Face::Kai:
        f.setFamilies({QStringLiteral("楷体_GB2312")});
        break;
    case Face::Song:
        f.setFamilies({QStringLiteral("宋体")});
        break;
    case Face::Comic:
        f.setFamilies({QStringLiteral("Comic Sans MS")});
        break;
    case Face::Default:
        return f;
    }
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

void Screen::setClientSize(int widthTwips, int heightTwips, bool fixedDialog) {
    if (fixedDialog) {
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                       Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
        setFixedSize(px(widthTwips), px(heightTwips));
    } else {
        setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                       Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
        resize(px(widthTwips), px(heightTwips));
    }
}

void Screen::place(QWidget* control, int left, int top, int width, int height) {
    control->setGeometry(px(left), px(top), px(width), px(height));
}

QPushButton* Screen::makeButton(const QString& name, const QString& caption, int left, int top,
                                int width, int height, const QFont& font) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(name);
    button->setFont(font);
    button->setAutoDefault(true); // Enter presses the button that has the focus
    place(button, left, top, width, height);
    return button;
}

Label* Screen::makeLabel(const QString& name, const QString& caption, int left, int top, int width,
                         int height, const QFont& font, bool centred) {
    auto* label = new Label(caption, this);
    label->setObjectName(name);
    label->setFont(font);
    label->setAlignment((centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
    place(label, left, top, width, height);
    return label;
}

QLineEdit* Screen::makeLineEdit(const QString& name, int left, int top, int width, int height,
                                const QFont& font, bool readOnly) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    edit->setFont(font);
    edit->setReadOnly(readOnly);
    place(edit, left, top, width, height);
    return edit;
}

QPlainTextEdit* Screen::makeTextBox(const QString& name, int left, int top, int width, int height,
                                    const QFont& font) {
    auto* box = new QPlainTextEdit(this);
    box->setObjectName(name);
    box->setFont(font);
    box->setReadOnly(true);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    place(box, left, top, width, height);
    return box;
}

QRadioButton* Screen::makeOption(const QString& name, const QString& caption, int left, int top,
                                 int width, int height, const QFont& font) {
    auto* option = new QRadioButton(caption, this);
    option->setObjectName(name);
    option->setFont(font);
    place(option, left, top, width, height);
    return option;
}

QCheckBox* Screen::makeCheck(const QString& name, const QString& caption, int left, int top,
                             int width, int height, const QFont& font) {
    auto* check = new QCheckBox(caption, this);
    check->setObjectName(name);
    check->setFont(font);
    place(check, left, top, width, height);
    return check;
}

void Screen::setTabOrder(std::initializer_list<QWidget*> controls) {
    QWidget* previous = nullptr;
    for (QWidget* control : controls) {
        if (previous) {
            QWidget::setTabOrder(previous, control);
        }
        previous = control;
    }
    if (controls.size() > 0) {
        (*controls.begin())->setFocus();
    }
}

void Screen::mouseMoveEvent(QMouseEvent* event) {
    // Moves over a control that does not take them itself reach the screen too: only the bare
    // surface counts.
    if (!childAt(event->position().toPoint())) {
        Toolkit::instance().dispatch([this] { onSurfaceMouseMove(); });
    }
    event->accept();
}

void Screen::closeEvent(QCloseEvent* event) {
    // The window's close button unloads the screen; the toolkit hides and destroys it.
    event->ignore();
    Toolkit::instance().dispatch([this] { Toolkit::instance().unload(*this); });
}

void setOptionValue(QRadioButton* option, bool value) {
    if (option->isChecked() == value) {
        return;
    }
    const QSignalBlocker blocker(option);
    if (value) {
        option->setChecked(true); // clears the others of its group
        return;
    }
    bool exclusive = option->autoExclusive();
    option->setAutoExclusive(false); // an exclusive group will not clear its checked member
    option->setChecked(value);
    option->setAutoExclusive(exclusive);
}

} // namespace tiku
