#pragma once

#include "shell/screen.h"

namespace tiku {

class Form4 : public Screen {
    Q_OBJECT
public:
    static QString screenName() { return QStringLiteral("Form4"); }
    Form4();
};

} // namespace tiku
