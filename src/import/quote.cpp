#include "quote.h"

#include <algorithm>
#include <iterator>

namespace tiku::import {

QString escapeText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        const auto* escape = std::find_if(std::begin(kTsvEscapes), std::end(kTsvEscapes),
                                          [c](const auto& e) { return e.first == c.unicode(); });
        if (escape != std::end(kTsvEscapes)) {
            out.append(u'\\').append(QChar(escape->second));
        } else if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
            // Other control characters would act on the terminal: ESC, NUL, DEL, ...
            out.append(QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0')));
        } else {
            out.append(c);
        }
    }
    return out;
}

QString quotedCell(const QString& text) {
    // Cut by characters, so a surrogate pair is never split; escape after cutting, so an
    // escape is never split either.
    int characters = 0;
    qsizetype cut = -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
        }
        if (++characters == kQuotedCharacters) {
            cut = i + 1;
        }
    }
    if (characters <= kQuotedCharacters) {
        return QStringLiteral("\"%1\"").arg(escapeText(text));
    }
    return QStringLiteral("\"%1…\" (%2 characters)")
        .arg(escapeText(text.left(cut)))
        .arg(characters);
}

} // namespace tiku::import
