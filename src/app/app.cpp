#include "app.h"

#include "browser/browser.h"
#include "menu/mainmenu.h"
#include "mocktest/mocktest.h"
#include "mocktest/testoptions.h"
#include "session/banklocation.h"
#include "ui/toolkit.h"

#include <QApplication>

namespace tiku {

void registerScreens() {
    Toolkit& toolkit = Toolkit::instance();
    toolkit.registerScreen(MainMenu::screenName(), [] { return new MainMenu; });
    toolkit.registerScreen(TestOptions::screenName(), [] { return new TestOptions; });
    toolkit.registerScreen(Browser::screenName(), [] { return new Browser; });
    toolkit.registerScreen(MockTest::screenName(), [] { return new MockTest; });
}

int runProgram(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(Toolkit::programTitle());
    QApplication::setQuitOnLastWindowClosed(false); // only the main menu ends the program
    installFontSubstitutions();
    registerScreens();
    Toolkit& toolkit = Toolkit::instance();
    // tiku FILE: that bank file and no other (QApplication has taken its own options out).
    toolkit.setNamedBankFile(namedBankFile(QCoreApplication::arguments()));
    toolkit.dispatch([&] { toolkit.show(toolkit.screen(MainMenu::screenName())); });
    return app.exec();
}

} // namespace tiku
