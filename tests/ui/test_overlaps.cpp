// Where the controls of a screen overlap. Every screen is made as designed and its controls'
// rectangles compared pairwise: only the known overlaps may exist (a wrong coordinate in a
// design would most likely add one), and in each the control the user aims at lies on top, so
// that a click or a hover on what is visible reaches it.

#include "screentest.h"

#include "browser/browser.h"
#include "menu/mainmenu.h"
#include "mocktest/mocktest.h"
#include "mocktest/testoptions.h"

#include <QTest>

using namespace tiku;
using tiku::testing::ScreenHarness;

namespace {

// Overlapping pairs of controls, each as "lower/upper" by design name, the one on top second.
QStringList overlaps(QWidget& screen) {
    QStringList found;
    const QList<QWidget*> controls =
        screen.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* a : controls) {
        for (QWidget* b : controls) {
            if (a == b || a->objectName() > b->objectName()) {
                continue;
            }
            const QRect common = a->geometry() & b->geometry();
            if (common.isEmpty()) {
                continue;
            }
            QWidget* top = screen.childAt(common.center());
            if (top != a && top != b) {
                continue; // hidden at design, both of them
            }
            QWidget* under = top == a ? b : a;
            found << under->objectName() + QLatin1Char('/') + top->objectName();
        }
    }
    found.sort();
    return found;
}

} // namespace

class OverlapsTest : public QObject {
    Q_OBJECT
private slots:
    void overlaps_data() {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QStringList>("expected");
        // 临床's round mark lies in 人文's empty right part.
        QTest::newRow("main menu")
            << MainMenu::screenName() << QStringList{"Option1(0)/Option1(1)"};
        QTest::newRow("test options") << TestOptions::screenName() << QStringList{};
        // One pixel of a label under its neighbour; the jump box over the end of its caption.
        QTest::newRow("browser") << Browser::screenName()
                                 << QStringList{"Label3/Label4", "Label5/Label6", "Label7/Text3"};
        // The E mark starts a pixel inside the E label; labels of the top line as in the browser.
        QTest::newRow("mock test")
            << MockTest::screenName()
            << QStringList{"Label2(4)/Option1(4)", "Label6/Label4", "Label8/Label9"};
    }
    void overlaps() {
        QFETCH(QString, screen);
        QFETCH(QStringList, expected);
        ScreenHarness h;
        Screen& s = Toolkit::instance().screen(screen);
        s.show(); // shown without its activation: no bank is opened
        h.settle();
        QCOMPARE(::overlaps(s), expected);
    }
};

QTEST_MAIN(OverlapsTest)
#include "test_overlaps.moc"
