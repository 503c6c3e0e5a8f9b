#pragma once

#include "shell/screen.h"

namespace tiku {

class Form2 : public Screen {
    Q_OBJECT
public:
    static QString screenName() { return QStringLiteral("Form2"); }
    Form2();
};

} // namespace tiku
