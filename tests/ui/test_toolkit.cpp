// The toolkit's screen life cycle, program end, failure report and dispatch, on probe screens.

#include "screentest.h"

#include "core/failure.h"
#include "ui/screen.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace tiku;
using tiku::testing::ScreenHarness;

namespace {

QStringList events; // what the probe screens did, in order

// Shows the other probe, then writes into it: its activation must see the value.
class Shower : public Screen {
    Q_OBJECT
public:
    static QString screenName() { return QStringLiteral("Shower"); }
    Shower() : Screen(screenName()) {
        static constexpr ControlDesign layout[] = {{"go", "go", 0, 0, 1500, 450},
                                                   {"end", "end", 0, 600, 1500, 450},
                                                   {"fail", "fail", 0, 1200, 1500, 450}};
        setDesign(layout);
        setClientSize(3000, 2000, false);
        Go = makeButton(QStringLiteral("go"));
        End = makeButton(QStringLiteral("end"));
        Fail = makeButton(QStringLiteral("fail"));
        onClick(Go, &Shower::Go_Click);
        onClick(End, &Shower::End_Click);
        onClick(Fail, &Shower::Fail_Click);
    }
    QPushButton* Go;
    QPushButton* End;
    QPushButton* Fail;
    void Go_Click();
    void End_Click() {
        events << "end clicked";
        Toolkit::instance().endProgram();
        events << "after end"; // never reached
    }
    void Fail_Click() {
        events << "fail clicked";
        throw Failure(ErrorKind::TypeMismatch, QStringLiteral("类型不匹配"));
    }
    void onActivated() override { events << "Shower activate"; }
    void onUnload() override { events << "Shower unload"; }
};

class Target : public Screen {
    Q_OBJECT
public:
    static QString screenName() { return QStringLiteral("Target"); }
    Target() : Screen(screenName()) {
        static constexpr ControlDesign layout[] = {{"input", "", 0, 0, 1500, 375},
                                                   {"back", "back", 0, 600, 1500, 450}};
        setDesign(layout);
        setClientSize(3000, 2000, true);
        input = makeLineEdit(QStringLiteral("input"), false);
        Back = makeButton(QStringLiteral("back"));
        onClick(Back, &Target::Back_Click);
    }
    QLineEdit* input;
    QPushButton* Back;
    void Back_Click() { Toolkit::instance().unload(*this); }
    void onActivated() override { events << "Target activate: " + input->text(); }
    void onUnload() override {
        events << "Target unload";
        Toolkit& toolkit = Toolkit::instance();
        toolkit.show(toolkit.form<Shower>());
    }
};

void Shower::Go_Click() {
    Toolkit& toolkit = Toolkit::instance();
    Target& target = toolkit.form<Target>();
    toolkit.show(target);
    target.input->setText(QStringLiteral("handed over"));
    toolkit.hide(*this);
    events << "Go done";
}

} // namespace

class ToolkitTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        Toolkit::instance().registerScreen(Shower::screenName(), [] { return new Shower; });
        Toolkit::instance().registerScreen(Target::screenName(), [] { return new Target; });
    }
    void init() { events.clear(); }

    void activationComesAfterTheShowingHandler() {
        ScreenHarness h;
        Toolkit& toolkit = Toolkit::instance();
        toolkit.show(h.form<Shower>());
        h.settle();
        QCOMPARE(events, QStringList{"Shower activate"});
        h.click(h.form<Shower>().Go);
        QCOMPARE(events,
                 (QStringList{"Shower activate", "Go done", "Target activate: handed over"}));
        QVERIFY(h.form<Target>().isVisible());
        QVERIFY(!h.form<Shower>().isVisible());
        QVERIFY(h.form<Shower>().isHidden());
        TIKU_VERIFY_SCRIPT(h);
    }

    void showingAnActiveScreenAgainDoesNotActivateIt() {
        ScreenHarness h;
        Toolkit& toolkit = Toolkit::instance();
        toolkit.show(h.form<Shower>());
        h.settle();
        toolkit.show(h.form<Shower>());
        h.settle();
        QCOMPARE(events, QStringList{"Shower activate"});
    }

    void hideKeepsValuesUnloadRestoresDesign() {
        ScreenHarness h;
        Toolkit& toolkit = Toolkit::instance();
        Target* target = &h.form<Target>();
        toolkit.show(*target);
        h.settle();
        h.type(target->input, QStringLiteral("typed"));
        toolkit.hide(*target);
        toolkit.show(*target);
        h.settle();
        QCOMPARE(h.form<Target>().input->text(), QStringLiteral("typed"));
        QCOMPARE(&h.form<Target>(), target);

        h.click(target->Back); // unloads: onUnload shows Shower
        QVERIFY(!h.isLoaded(Target::screenName()));
        QVERIFY(h.form<Shower>().isVisible());
        QCOMPARE(h.form<Target>().input->text(), QString()); // created afresh
        QVERIFY(events.contains("Target unload"));
    }

    void closeButtonUnloads() {
        ScreenHarness h;
        Toolkit& toolkit = Toolkit::instance();
        toolkit.show(h.form<Target>());
        h.settle();
        h.form<Target>().close();
        h.settle();
        QVERIFY(!h.isLoaded(Target::screenName()));
        QCOMPARE(events.count("Target unload"), 1);
    }

    void programEndStopsEverything() {
        ScreenHarness h;
        Toolkit& toolkit = Toolkit::instance();
        toolkit.show(h.form<Target>());
        toolkit.show(h.form<Shower>());
        h.settle();
        events.clear();
        h.click(h.form<Shower>().End);
        QVERIFY(h.ended());
        QCOMPARE(h.exitCode(), 0);
        QCOMPARE(events, QStringList{"end clicked"}); // no unload, nothing after the end
        // Nothing runs any more: no click handler, no unload, no activation.
        h.click(h.form<Shower>().Go);
        h.form<Target>().close();
        toolkit.show(h.form<Target>());
        h.settle();
        QCOMPARE(events, QStringList{"end clicked"});
        TIKU_VERIFY_SCRIPT(h);
    }

    void untrappedFailureIsReportedAndEnds() {
        ScreenHarness h;
        Toolkit& toolkit = Toolkit::instance();
        toolkit.show(h.form<Shower>());
        h.settle();
        h.expectMessage(QStringLiteral("程序出错，将要关闭。\n\n类型不匹配\n\n（错误代码：13）"));
        h.click(h.form<Shower>().Fail);
        QVERIFY(h.ended());
        QCOMPARE(h.exitCode(), 1);
        QCOMPARE(h.timeline().last(), QStringLiteral("end 1"));
        TIKU_VERIFY_SCRIPT(h);
    }

    void programFolder() {
        ScreenHarness h;
        QCOMPARE(Toolkit::instance().programFolder(), h.folder());
    }

    // Each face of the screens is drawn in itself or in one of its substitutes, an installed face
    // (the package depends on the Debian ones), never in whatever the system falls back to; the
    // Chinese faces have the Chinese glyphs.
    void facesResolveThroughTheTable() {
        ScreenHarness h; // the substitutions installed, as at the program's start
        for (const FaceFamilies& row : faceFamilies()) {
            const QFont font = Screen::font(row.face, 12);
            const QString family = QFontInfo(font).family();
            QVERIFY2(family == row.family || row.substitutes.contains(family),
                     qPrintable(row.family + QStringLiteral(" drawn in ") + family));
            if (row.face != Face::Comic) {
                QVERIFY2(QFontMetrics(font).inFontUcs4(U'题'), qPrintable(family));
            }
        }
    }
};

QTEST_MAIN(ToolkitTest)
#include "test_toolkit.moc"
