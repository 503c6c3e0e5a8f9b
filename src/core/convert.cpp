#include "core/convert.h"

#include "core/bankrules.h"
#include "core/failure.h"
#include "core/numbertext.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace tiku {

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\u3000';
}
bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Length of the number that starts at text[from] (sign, digits, point, exponent), 0 if none.
qsizetype numberLength(const QString& text, qsizetype from) {
    qsizetype i = from;
    const qsizetype n = text.size();
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        ++i;
    }
    qsizetype digits = 0;
    while (i < n && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < n && text[i] == u'.') {
        ++i;
        while (i < n && isDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) {
        return 0;
    }
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < n && (text[j] == u'+' || text[j] == u'-')) {
            ++j;
        }
        if (j < n && isDigit(text[j])) {
            while (j < n && isDigit(text[j])) {
                ++j;
            }
            i = j;
        }
    }
    return i - from;
}

double parseAscii(const QString& number) {
    QByteArray ascii = number.toLatin1();
    errno = 0;
    double value = std::strtod(ascii.constData(), nullptr);
    if (errno == ERANGE && std::isinf(value)) {
        throw Failure(ErrorKind::Overflow, QStringLiteral("溢出"));
    }
    return value;
}

} // namespace

double strictNumber(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(text[end - 1])) {
        --end;
    }
    qsizetype length = numberLength(text, begin);
    if (length == 0 || begin + length != end) {
        throw Failure(ErrorKind::TypeMismatch, QStringLiteral("类型不匹配"));
    }
    return parseAscii(text.mid(begin, length));
}

qint16 toInt16(double value) {
    double rounded = std::nearbyint(value); // the default rounding mode: halves to even
    if (!(rounded >= -32768.0 && rounded <= 32767.0)) {
        throw Failure(ErrorKind::Overflow, QStringLiteral("溢出"));
    }
    return static_cast<qint16>(rounded);
}

qint16 strictInt16(const QString& text) {
    return toInt16(strictNumber(text));
}

double lenientNumber(const QString& text) {
    qsizetype begin = 0;
    while (begin < text.size() && isBlank(text[begin])) {
        ++begin;
    }
    qsizetype length = numberLength(text, begin);
    if (length == 0) {
        return 0;
    }
    try {
        return parseAscii(text.mid(begin, length));
    } catch (const Failure&) {
        return text[begin] == u'-' ? -HUGE_VAL : HUGE_VAL;
    }
}

QString numberText(double value) {
    return formatNumber(value);
}

QString signedText(double value) {
    QString digits = formatNumber(value);
    return digits.startsWith(u'-') ? digits : QLatin1Char(' ') + digits;
}

QString optionLetter(int index) {
    return QString(QChar(char16_t(bank::firstAnswerLetter + index)));
}

QString joinPath(const QString& folder, const QString& fileName, QChar separator) {
    if (folder.endsWith(u'/') || folder.endsWith(u'\\')) {
        return folder + fileName;
    }
    return folder + separator + fileName;
}

} // namespace tiku
