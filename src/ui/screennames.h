#pragma once

// The four screens' names, as the toolkit knows them.

#include <QString>

namespace tiku::screen_name {

inline QString mainMenu() {
    return QStringLiteral("Form1");
}
inline QString testOptions() {
    return QStringLiteral("Form2");
}
inline QString browser() {
    return QStringLiteral("Form3");
}
inline QString mockTest() {
    return QStringLiteral("Form4");
}

} // namespace tiku::screen_name
