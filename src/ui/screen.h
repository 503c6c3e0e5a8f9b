#pragma once

// The base of the four screens, and the controls they are built from. Positions and sizes are
// given in twips (15 twips to a device-independent pixel); fonts by face and point size.

#include <QLabel>
#include <QWidget>

#include <initializer_list>

class QAbstractButton;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace tiku {

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

    enum class Face { Kai, Song, Comic, Default };
    static QFont font(Face face, qreal points = 0, bool bold = false);

protected:
    void setClientSize(int widthTwips, int heightTwips, bool fixedDialog);
    void place(QWidget* control, int left, int top, int width, int height);

    // Each control is made with its design name ("Command1", "Option1(0)") as its object name,
    // at its design place and size in twips.
    QPushButton* makeButton(const QString& name, const QString& caption, int left, int top,
                            int width, int height, const QFont& font);
    Label* makeLabel(const QString& name, const QString& caption, int left, int top, int width,
                     int height, const QFont& font, bool centred = false);
    QLineEdit* makeLineEdit(const QString& name, int left, int top, int width, int height,
                            const QFont& font, bool readOnly);
    QPlainTextEdit* makeTextBox(const QString& name, int left, int top, int width, int height,
                                const QFont& font);
    QRadioButton* makeOption(const QString& name, const QString& caption, int left, int top,
                             int width, int height, const QFont& font);
    QCheckBox* makeCheck(const QString& name, const QString& caption, int left, int top, int width,
                         int height, const QFont& font);

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
    QString name_;
};

// An option button's Value set from code: raises no Click, and false clears it even in a group.
void setOptionValue(QRadioButton* option, bool value);

} // namespace tiku

#include "screen_impl.h"
