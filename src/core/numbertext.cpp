#include "core/numbertext.h"

#include <cmath>
#include <cstdio>

namespace tiku {

QString formatNumber(double value) {
    if (std::isnan(value)) {
        return QStringLiteral("NaN");
    }
    if (std::isinf(value)) {
        return value < 0 ? QStringLiteral("-Infinity") : QStringLiteral("Infinity");
    }
    if (value == 0) {
        return QStringLiteral("0"); // negative zero too
    }
    char buf[64];
    // %.15g: 15 significant digits, rounded to nearest; exponent form below 1E-5 and from 1E+15.
    std::snprintf(buf, sizeof buf, "%.15g", value);
    QString text = QString::fromLatin1(buf);
    int e = text.indexOf(QLatin1Char('e'));
    QString mantissa = e < 0 ? text : text.left(e);
    QString exponent = e < 0 ? QString() : text.mid(e + 1);
    if (mantissa.contains(QLatin1Char('.'))) {
        while (mantissa.endsWith(QLatin1Char('0'))) {
            mantissa.chop(1);
        }
        if (mantissa.endsWith(QLatin1Char('.'))) {
            mantissa.chop(1);
        }
    }
    if (exponent.isEmpty()) {
        return mantissa;
    }
    // "e+20" -> "E+20", "e-07" -> "E-07": sign always, at least two digits, as printf gives.
    return mantissa + QLatin1Char('E') + exponent;
}

} // namespace tiku
