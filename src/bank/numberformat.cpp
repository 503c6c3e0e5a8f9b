#include "numberformat.h"

#include <QDate>

#include <cmath>
#include <cstring>

namespace tiku::bank::biff {

double decodeRk(quint32 rk) {
    double value;
    if ((rk & 0x02) != 0) {
        value = double(qint32(rk) >> 2);
    } else {
        const quint64 bits = quint64(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, 8);
    }
    return (rk & 0x01) != 0 ? value / 100 : value;
}

DateParts classifyFormat(int ifmt, const QString& code) {
    if (code.isEmpty()) {
        if ((ifmt >= 14 && ifmt <= 17) || (ifmt >= 27 && ifmt <= 31) || ifmt == 36 ||
            (ifmt >= 50 && ifmt <= 54) || ifmt == 57 || ifmt == 58) {
            return {true, false};
        }
        if ((ifmt >= 18 && ifmt <= 21) || (ifmt >= 32 && ifmt <= 35) ||
            (ifmt >= 45 && ifmt <= 47) || ifmt == 55 || ifmt == 56) {
            return {false, true};
        }
        if (ifmt == 22) {
            return {true, true};
        }
        return {};
    }
    bool y = false, d = false, m = false, h = false, s = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar ch = code.at(i).toLower();
        if (ch == u';') {
            break; // the first section decides
        }
        if (ch == u'"') {
            const qsizetype end = code.indexOf(u'"', i + 1);
            if (end < 0) {
                break;
            }
            i = end;
        } else if (ch == u'\\' || ch == u'_' || ch == u'*') {
            ++i;
        } else if (ch == u'[') {
            const qsizetype end = code.indexOf(u']', i + 1);
            if (end < 0) {
                break;
            }
            const QString inner = code.mid(i + 1, end - i - 1).toLower();
            if (!inner.isEmpty() &&
                (inner.count(u'h') == inner.size() || inner.count(u'm') == inner.size() ||
                 inner.count(u's') == inner.size())) {
                h = true; // elapsed time
            }
            i = end;
        } else if (ch == u'y') {
            y = true;
        } else if (ch == u'd') {
            d = true;
        } else if (ch == u'm') {
            m = true;
        } else if (ch == u'h') {
            h = true;
        } else if (ch == u's') {
            s = true;
        }
    }
    DateParts parts;
    parts.time = h || s;
    parts.date = y || d || (m && !parts.time);
    return parts;
}

QString dateText(double serial, bool date1904, DateParts parts) {
    if (!std::isfinite(serial) || serial < 0 || serial >= 2958466.0 || !parts.any()) {
        return {};
    }
    const qint64 totalSeconds = std::llround(serial * 86400.0);
    const qint64 days = totalSeconds / 86400;
    const qint64 seconds = totalSeconds % 86400;
    if (days > 2958465) {
        return {}; // rounds past 9999-12-31
    }
    QString date;
    if (parts.date) {
        if (date1904) {
            date = QDate(1904, 1, 1).addDays(days).toString(QStringLiteral("yyyy/M/d"));
        } else if (days == 60) {
            date = QStringLiteral("1900/2/29"); // the day the 1900 date system counts in error
        } else {
            // Day 0 is the service's zero date; days 1 to 59 come before the day counted in
            // error, so they start one day later.
            const QDate base = days == 0 || days > 60 ? QDate(1899, 12, 30) : QDate(1899, 12, 31);
            date = base.addDays(days).toString(QStringLiteral("yyyy/M/d"));
        }
    }
    if (!parts.time) {
        return date;
    }
    const QString time = QStringLiteral("%1:%2:%3")
                             .arg(seconds / 3600)
                             .arg((seconds / 60) % 60, 2, 10, QLatin1Char('0'))
                             .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return date.isEmpty() ? time : date + u' ' + time;
}

} // namespace tiku::bank::biff
