#include "form2.h"

namespace tiku {

Form2::Form2() : Screen(screenName()) {
    setWindowTitle(QStringLiteral("测试选项"));
    setClientSize(2580, 2535, false);
}

} // namespace tiku
