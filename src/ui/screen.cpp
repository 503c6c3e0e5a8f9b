#include "screen.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <stdexcept>
#include <type_traits>

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

const QList<FaceFamilies>& faceFamilies() {
    // Windows has the faces themselves, 楷体_GB2312 under its current name 楷体 (KaiTi) and 宋体
    // also as SimSun; Debian has the AR PL faces and Comic Neue.
    static const QList<FaceFamilies> table{
        {Face::Kai,
         QStringLiteral("楷体_GB2312"),
         {QStringLiteral("KaiTi_GB2312"), QStringLiteral("KaiTi"), QStringLiteral("楷体"),
          QStringLiteral("AR PL UKai CN"), QStringLiteral("AR PL KaitiM GB")}},
        {Face::Song,
         QStringLiteral("宋体"),
         {QStringLiteral("SimSun"), QStringLiteral("NSimSun"), QStringLiteral("AR PL UMing CN"),
          QStringLiteral("Noto Serif CJK SC")}},
        {Face::Comic,
         QStringLiteral("Comic Sans MS"),
         {QStringLiteral("Comic Neue"), QStringLiteral("Comic Relief")}},
    };
    return table;
}

QFont Screen::font(Face face, qreal points, bool bold) {
    QFont f = QApplication::font();
    const auto& table = faceFamilies();
    const auto row = std::find_if(table.begin(), table.end(),
                                  [face](const FaceFamilies& r) { return r.face == face; });
    if (row == table.end()) {
        return f; // Face::Default
    }
    f.setFamilies({row->family});
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

template <class T, class... Args> T* Screen::make(const QString& name, Args&&... args) {
    for (const ControlDesign& row : design_) {
        if (name == QLatin1String(row.name)) {
            auto* control = new T(std::forward<Args>(args)..., this);
            control->setObjectName(name);
            if constexpr (std::is_base_of_v<QAbstractButton, T> || std::is_base_of_v<QLabel, T>) {
                control->setText(QString::fromUtf8(row.caption));
            }
            control->setFont(font(row.face, row.points, row.bold));
            place(control, row.left, row.top, row.width, row.height);
            return control;
        }
    }
    throw std::logic_error("no control " + name.toStdString() + " in the layout table");
}

QPushButton* Screen::makeButton(const QString& name) {
    auto* button = make<QPushButton>(name);
    button->setAutoDefault(true); // Enter presses the button that has the focus
    return button;
}

Label* Screen::makeLabel(const QString& name, bool centred) {
    auto* label = make<Label>(name, QString());
    label->setAlignment((centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
    return label;
}

QLineEdit* Screen::makeLineEdit(const QString& name, bool readOnly) {
    auto* edit = make<QLineEdit>(name);
    edit->setReadOnly(readOnly);
    return edit;
}

QPlainTextEdit* Screen::makeTextBox(const QString& name) {
    auto* box = make<QPlainTextEdit>(name);
    box->setReadOnly(true);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    return box;
}

QRadioButton* Screen::makeOption(const QString& name) {
    return make<QRadioButton>(name);
}

QCheckBox* Screen::makeCheck(const QString& name) {
    return make<QCheckBox>(name);
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
