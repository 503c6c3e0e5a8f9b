#pragma once

// The base of the four screens, and the controls they are built from. Positions and sizes are
// given in twips (15 twips to a device-independent pixel); fonts by face and point size.

#include <QLabel>
#include <QList>
#include <QStringList>
#include <QWidget>

#include <initializer_list>
#include <span>

class QAbstractButton;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace tiku {

// The faces of the screens' fonts; Default is the screen's default font, whatever the size.
enum class Face { Kai, Song, Comic, Default };

// A face's family as the screens ask for it, and the families that stand in for it where it is
// not installed, in order of preference.
struct FaceFamilies {
    Face face;
    QString family;
    QStringList substitutes;
};
// Every face but Default: "楷体_GB2312" to a Kai face, "宋体" to a Song/Ming face,
// "Comic Sans MS" to a rounded Latin face. The one table of the screens' font families.
const QList<FaceFamilies>& faceFamilies();

// A control's row of a screen's layout table: its design name ("Command1", "Option1(0)"), its
// caption (UTF-8; empty for a text box), its place and size in twips, and its font. A screen
// makes its controls from its table.
struct ControlDesign {
    const char* name;
    const char* caption;
    int left, top, width, height;
    Face face = Face::Default;
    qreal points = 0;
    bool bold = false;
};
using DesignTable = std::span<const ControlDesign>;

// A label that takes the mouse moves over it itself (the screen's bare surface does not see
// them), so that it can raise its own MouseMove.
class Label : public QLabel {
    Q_OBJECT
public:
    explicit Label(const QString& caption, QWidget* parent);
signals:
    void mouseMoved();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
};

class Screen : public QWidget {
    Q_OBJECT
public:
    explicit Screen(const QString& name);

    const QString& name() const { return name_; }

    // Events raised by the toolkit.
    virtual void onActivated() {}
    virtual void onUnload() {}
    virtual void onSurfaceMouseMove() {}

    static int px(int twips) { return twips / 15; }

    using Face = tiku::Face;
    static QFont font(Face face, qreal points = 0, bool bold = false);

protected:
    void setClientSize(int widthTwips, int heightTwips, bool fixedDialog);
    void place(QWidget* control, int left, int top, int width, int height);

    // The screen's layout table. Each control is then made from its row, found by its design
    // name, which becomes its object name.
    void setDesign(DesignTable table) { design_ = table; }
    QPushButton* makeButton(const QString& name);
    Label* makeLabel(const QString& name, bool centred = false);
    QLineEdit* makeLineEdit(const QString& name, bool readOnly);
    QPlainTextEdit* makeTextBox(const QString& name);
    QRadioButton* makeOption(const QString& name);
    QCheckBox* makeCheck(const QString& name);

    // Keyboard focus order: the controls in their tab places, 0 first; the first gets the focus.
    void setTabOrder(std::initializer_list<QWidget*> controls);

    // Runs a handler of this screen through the toolkit: a member function, or a callable such
    // as [this] { Option1_Click(2); } for a member of a control array.
    template <class F> void onClick(QAbstractButton* button, F handler);
    template <class F> void onMouseMove(Label* label, F handler);

    template <class F> void invoke(const F& handler);

    void mouseMoveEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The row of that name, placed: a control of that kind made on this screen.
    template <class T, class... Args> T* make(const QString& name, Args&&... args);

    QString name_;
    DesignTable design_;
};

// An option button's Value set from code: raises no Click, and false clears it even in a group.
void setOptionValue(QRadioButton* option, bool value);

} // namespace tiku

#include "screen_impl.h"
