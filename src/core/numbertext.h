#pragma once

#include <QString>

namespace tiku {

// A number as text with at most 15 significant digits, "." as decimal point whatever the
// locale, no trailing zeros and no point when nothing follows it. Magnitudes from 1E-5 up to
// below 1E+15 are written out in full; others in exponent form such as "1E+20" or "1.5E-07".
QString formatNumber(double value);

} // namespace tiku
