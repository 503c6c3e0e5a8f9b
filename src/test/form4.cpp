#include "form4.h"

namespace tiku {

Form4::Form4() : Screen(screenName()) {
    setWindowTitle(QStringLiteral("模拟测试"));
    setClientSize(9630, 5085, true);
}

} // namespace tiku
