#include "form3.h"

namespace tiku {

Form3::Form3() : Screen(screenName()) {
    setWindowTitle(QStringLiteral("查看题库"));
    setClientSize(9585, 4920, true);
}

} // namespace tiku
