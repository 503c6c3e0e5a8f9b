#pragma once

#include "shell/screen.h"

namespace tiku {

class Form3 : public Screen {
    Q_OBJECT
public:
    static QString screenName() { return QStringLiteral("Form3"); }
    Form3();
};

} // namespace tiku
