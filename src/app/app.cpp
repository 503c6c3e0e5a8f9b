#include "app.h"

#include "browser/form3.h"
#include "shell/form1.h"
#include "shell/toolkit.h"
#include "test/form2.h"
#include "test/form4.h"

#include <QApplication>

namespace tiku {

void registerScreens() {
    Toolkit& toolkit = Toolkit::instance();
    toolkit.registerScreen(Form1::screenName(), [] { return new Form1; });
    toolkit.registerScreen(Form2::screenName(), [] { return new Form2; });
    toolkit.registerScreen(Form3::screenName(), [] { return new Form3; });
    toolkit.registerScreen(Form4::screenName(), [] { return new Form4; });
}

int runProgram(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(Toolkit::programTitle());
    QApplication::setQuitOnLastWindowClosed(false); // only the main menu ends the program
    installFontSubstitutions();
    registerScreens();
    Toolkit& toolkit = Toolkit::instance();
    toolkit.dispatch([&] { toolkit.show(toolkit.screen(Form1::screenName())); });
    return app.exec();
}

} // namespace tiku
