#include "textlines.h"

#include "importerror.h"
#include "opc.h"
#include "xmlstream.h"
#include "ziparchive.h"

#include <QHash>
#include <QStringDecoder>

#include <array>
#include <map>

namespace tiku::import {

QString decodeText(const QByteArray& bytes, const QString& displayName) {
    // UTF-16 with its byte order mark, as Windows Notepad saves "Unicode" text.
    const bool le = bytes.startsWith("\xFF\xFE");
    if (le || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(le ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                             QStringDecoder::Flag::Stateless);
        QString text = utf16(QByteArrayView(bytes).sliced(2));
        if (utf16.hasError() || bytes.size() % 2 != 0) {
            throw ImportError(QStringLiteral("%1: UTF-16 text that is damaged (a byte order "
                                             "mark, then no valid UTF-16)")
                                  .arg(displayName));
        }
        return text;
    }
    {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = utf8(bytes);
        if (!utf8.hasError()) {
            if (text.startsWith(QChar(0xFEFF))) {
                text.remove(0, 1);
            }
            return text;
        }
    }
    QStringDecoder gb18030("GB18030", QStringDecoder::Flag::Stateless);
    if (!gb18030.isValid()) {
        throw ImportError(QStringLiteral("%1: not UTF-8, and this system cannot decode GB18030")
                              .arg(displayName));
    }
    QString text = gb18030(bytes);
    if (gb18030.hasError() || text.contains(QChar(0))) {
        throw ImportError(
            QStringLiteral("%1: not a text file (neither UTF-8 nor GB18030)").arg(displayName));
    }
    return text;
}

void forEachLine(QStringView text, const std::function<void(QStringView)>& f) {
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n' || text[i] == u'\r') {
            f(text.mid(start, i - start));
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < text.size()) {
        f(text.mid(start));
    }
}

QStringList splitLines(const QString& text) {
    QStringList lines;
    forEachLine(text, [&](QStringView line) { lines.append(line.toString()); });
    return lines;
}

namespace {

using Token = XmlStream::Token;

const QString kW = QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");
// The same vocabulary as Word's "Strict Open XML Document" writes it.
const QString kWStrict = QStringLiteral("http://purl.oclc.org/ooxml/wordprocessingml/main");

// The WordprocessingML namespace of a part: that of its root element once seen.
struct WordNamespace {
    QString uri;
    bool is(const XmlStream& xml) {
        if (uri.isEmpty() && (xml.namespaceUri() == kW || xml.namespaceUri() == kWStrict)) {
            uri = QString(xml.namespaceUri());
        }
        return !uri.isEmpty() && xml.namespaceUri() == uri;
    }
};

struct NumberingLevel {
    int start = 1;
    QString format = QStringLiteral("decimal");
    QString text; // "%1." and the like
    // What follows the label: Word's tab or blank, written as one blank as an author would type
    // it ("A. 甲"); or nothing.
    QString suffix = QStringLiteral(" ");
};

struct Numbering {
    static constexpr int kLevels = 9;
    // Enough for "%1.%2.%3.%4.%5.%6.%7.%8.%9." and the words around it.
    static constexpr int kMaxLevelText = 64;
    // The largest start value Word takes; larger ones would overflow when counted on.
    static constexpr int kMaxStart = 32767;
    struct Abstract {
        // Only the levels defined (or counted): a list definition costs little more than its XML.
        std::map<int, NumberingLevel> levels;
        std::array<int, kLevels> counters{};
        int lastNum = -1;  // the list instance last counted
        QString styleLink; // numStyleLink: the levels are those of this list style's list
    };
    QHash<int, Abstract> abstracts;
    QHash<int, int> abstractOf;                   // numId -> abstractNumId
    QHash<int, QHash<int, int>> startOverrides;   // numId -> level -> start
    QHash<QString, std::pair<int, int>> styleNum; // paragraph style -> numId, level
    QHash<QString, QString> styleParent;

    std::pair<int, int> numberOfStyle(const QString& style) const {
        QString s = style;
        for (int guard = 0; guard < 16 && !s.isEmpty(); ++guard) {
            if (const auto it = styleNum.constFind(s); it != styleNum.cend()) {
                return *it;
            }
            s = styleParent.value(s);
        }
        return {0, 0};
    }

    // The label of the next paragraph of list numId at level, counted.
    QString next(int numId, int level) {
        const auto abstractId = abstractOf.constFind(numId);
        if (abstractId == abstractOf.cend() || level < 0 || level >= kLevels) {
            return {};
        }
        int id = *abstractId;
        // A list that takes its levels from a list style: the list of that style.
        for (int guard = 0; guard < 8 && !abstracts.value(id).styleLink.isEmpty(); ++guard) {
            const int styleNumId = styleNum.value(abstracts.value(id).styleLink).first;
            if (!abstractOf.contains(styleNumId) || abstractOf.value(styleNumId) == id) {
                break;
            }
            id = abstractOf.value(styleNumId);
        }
        Abstract& a = abstracts[id];
        if (a.lastNum != numId) {
            // A list instance with start overrides begins afresh.
            const auto overrides = startOverrides.value(numId);
            for (auto it = overrides.cbegin(); it != overrides.cend(); ++it) {
                if (it.key() >= 0 && it.key() < kLevels) {
                    a.counters[size_t(it.key())] = 0;
                    a.levels[it.key()].start = it.value();
                }
            }
            a.lastNum = numId;
        }
        a.counters[size_t(level)] += 1;
        for (int deeper = level + 1; deeper < kLevels; ++deeper) {
            a.counters[size_t(deeper)] = 0;
        }
        const NumberingLevel& l = a.levels[level];
        if (l.format == u"none") {
            return {};
        }
        QString label;
        for (qsizetype i = 0; i < l.text.size(); ++i) {
            const QChar c = l.text[i];
            if (c == u'%' && i + 1 < l.text.size() && l.text[i + 1] >= u'1' &&
                l.text[i + 1] <= u'9') {
                const int k = l.text[i + 1].unicode() - u'1';
                const NumberingLevel& shown = a.levels[k];
                const int value = shown.start - 1 + std::max(a.counters[size_t(k)], 1);
                label += formatNumber(value, shown.format);
                ++i;
            } else {
                label += c;
            }
        }
        return label + l.suffix;
    }

    static QString formatNumber(int n, const QString& format) {
        if (format == u"upperLetter" || format == u"lowerLetter") {
            const char16_t base = format == u"upperLetter" ? u'A' : u'a';
            const int letter = (std::max(n, 1) - 1) % 26;
            const int times = (std::max(n, 1) - 1) / 26 + 1;
            return QString(std::min(times, 8), QChar(char16_t(base + letter)));
        }
        if (format == u"decimalFullWidth" || format == u"decimalFullWidth2") {
            QString s = QString::number(n);
            for (QChar& c : s) {
                c = QChar(char16_t(c.unicode() - u'0' + 0xFF10));
            }
            return s;
        }
        if ((format == u"chineseCounting" || format == u"chineseCountingThousand" ||
             format == u"ideographTraditional" || format == u"japaneseCounting") &&
            n >= 1 && n <= 99) {
            static const QString digits = QStringLiteral("〇一二三四五六七八九");
            const int tens = n / 10;
            const int ones = n % 10;
            QString s;
            if (tens > 1) {
                s += digits[tens];
            }
            if (tens > 0) {
                s += u'十';
            }
            if (ones > 0) {
                s += digits[ones];
            }
            return s;
        }
        if (format == u"upperRoman" || format == u"lowerRoman") {
            static const std::pair<int, const char*> table[] = {
                {1000, "M"}, {900, "CM"}, {500, "D"}, {400, "CD"}, {100, "C"},
                {90, "XC"},  {50, "L"},   {40, "XL"}, {10, "X"},   {9, "IX"},
                {5, "V"},    {4, "IV"},   {1, "I"}};
            QString s;
            int v = std::clamp(n, 1, 3999);
            for (const auto& [value, digits] : table) {
                while (v >= value) {
                    s += QLatin1String(digits);
                    v -= value;
                }
            }
            return format == u"lowerRoman" ? s.toLower() : s;
        }
        if (format == u"decimalEnclosedParen") {
            return QStringLiteral("(%1)").arg(n);
        }
        return QString::number(n);
    }

    void readNumbering(XmlStream& xml) {
        int abstractId = -1;
        int level = -1;
        int numId = -1;
        int overrideLevel = -1;
        WordNamespace w;
        for (Token t = xml.next(); t != Token::EndDocument; t = xml.next()) {
            if (t != Token::StartElement || !w.is(xml)) {
                continue;
            }
            const QLatin1String n = xml.name();
            const QString val = xml.attribute(w.uri, u"val");
            if (n == "abstractNum") {
                abstractId = xml.attribute(w.uri, u"abstractNumId").toInt();
                numId = -1;
                abstracts[abstractId];
            } else if (n == "num") {
                numId = xml.attribute(w.uri, u"numId").toInt();
                abstractId = -1;
            } else if (n == "numStyleLink" && abstractId >= 0) {
                abstracts[abstractId].styleLink = val;
            } else if (n == "lvl" && abstractId >= 0) {
                level = xml.attribute(w.uri, u"ilvl").toInt();
            } else if (abstractId >= 0 && level >= 0 && level < kLevels) {
                NumberingLevel& l = abstracts[abstractId].levels[level];
                if (n == "start") {
                    l.start = std::clamp(val.toInt(), 0, kMaxStart);
                } else if (n == "numFmt") {
                    l.format = val;
                } else if (n == "lvlText") {
                    // Written before every paragraph of its level: a long one would multiply
                    // the document's size.
                    if (val.size() > kMaxLevelText) {
                        xml.fail(QStringLiteral("a list numbering text longer than %1 characters, "
                                                "which is refused")
                                     .arg(kMaxLevelText));
                    }
                    l.text = val;
                } else if (n == "suff") {
                    l.suffix = val == u"nothing" ? QString() : QStringLiteral(" ");
                }
            } else if (numId >= 0 && n == "abstractNumId") {
                abstractOf.insert(numId, val.toInt());
            } else if (numId >= 0 && n == "lvlOverride") {
                overrideLevel = xml.attribute(w.uri, u"ilvl").toInt();
            } else if (numId >= 0 && n == "startOverride") {
                startOverrides[numId].insert(overrideLevel, std::clamp(val.toInt(), 0, kMaxStart));
            }
        }
    }

    void readStyles(XmlStream& xml) {
        QString style;
        int numId = -1;
        int level = 0;
        WordNamespace w;
        for (Token t = xml.next(); t != Token::EndDocument; t = xml.next()) {
            if (t == Token::EndElement && xml.name() == "style") {
                if (!style.isEmpty() && numId >= 0) {
                    styleNum.insert(style, {numId, level});
                }
                style.clear();
                numId = -1;
                level = 0;
            }
            if (t != Token::StartElement || !w.is(xml)) {
                continue;
            }
            const QLatin1String n = xml.name();
            if (n == "style") {
                style = xml.attribute(w.uri, u"styleId");
            } else if (!style.isEmpty() && n == "basedOn") {
                styleParent.insert(style, xml.attribute(w.uri, u"val"));
            } else if (!style.isEmpty() && n == "numId") {
                numId = xml.attribute(w.uri, u"val").toInt();
            } else if (!style.isEmpty() && n == "ilvl") {
                level = xml.attribute(w.uri, u"val").toInt();
            }
        }
    }
};

} // namespace

bool isDocx(ZipArchive& archive) {
    const auto main = officeDocumentPart(archive);
    return main ? main->endsWith(QStringLiteral("document.xml")) && archive.contains(*main)
                : archive.contains(QStringLiteral("word/document.xml"));
}

QStringList readDocxLines(ZipArchive& archive, std::vector<int>* hiddenLines) {
    QStringList lines;
    forEachDocxLine(archive, [&](QStringView line, bool hidden) {
        lines.append(line.toString());
        if (hidden && hiddenLines != nullptr) {
            hiddenLines->push_back(int(lines.size()));
        }
    });
    return lines;
}

void forEachDocxLine(ZipArchive& archive,
                     const std::function<void(QStringView line, bool hidden)>& f) {
    const QString document =
        officeDocumentPart(archive).value_or(QStringLiteral("word/document.xml"));
    const auto rels = relationships(archive, document);
    Numbering numbering;
    if (const auto part = targetOfType(rels, u"/numbering"); part && archive.contains(*part)) {
        XmlStream xml(archive, *part);
        numbering.readNumbering(xml);
    }
    if (const auto part = targetOfType(rels, u"/styles"); part && archive.contains(*part)) {
        XmlStream xml(archive, *part);
        numbering.readStyles(xml);
    }
    XmlStream xml(archive, document, XmlStream::Names::Namespaced, XmlStream::Size::Large);
    WordNamespace w;
    QString paragraph;
    bool paragraphHidden = false; // the paragraph holds text formatted hidden (w:vanish)
    bool runHidden = false;
    QString style;
    int numId = -1; // -1 none given, 0 numbering switched off
    int level = 0;
    int paragraphDepth = 0; // paragraphs inside paragraphs (text boxes) are skipped
    for (Token t = xml.next(); t != Token::EndDocument; t = xml.next()) {
        if (t == Token::EndElement) {
            if (w.is(xml) && xml.name() == "p" && --paragraphDepth == 0) {
                auto [styleNum, styleLevel] = numbering.numberOfStyle(style);
                const int useNum = numId >= 0 ? numId : styleNum;
                const int useLevel = numId >= 0 ? level : styleLevel;
                const QString label = useNum > 0 ? numbering.next(useNum, useLevel) : QString();
                qsizetype start = 0;
                for (;;) {
                    const qsizetype end = paragraph.indexOf(u'\n', start);
                    const QStringView part = QStringView(paragraph).mid(
                        start, (end < 0 ? paragraph.size() : end) - start);
                    if (start == 0 && !label.isEmpty()) {
                        f(QString(label).append(part), paragraphHidden);
                    } else {
                        f(part, paragraphHidden);
                    }
                    if (end < 0) {
                        break;
                    }
                    start = end + 1;
                }
                paragraph.clear();
                paragraphHidden = false;
                style.clear();
                numId = -1;
                level = 0;
            }
            continue;
        }
        if (t == Token::Characters) {
            continue;
        }
        if (!w.is(xml)) {
            if (xml.name() == "Fallback") {
                xml.skipElement(); // the same content again, for older readers
            }
            continue;
        }
        const QLatin1String n = xml.name();
        if (n == "del" || n == "moveFrom") {
            // Deleted and moved-away text is what Word drops on accepting the changes; either
            // may hold runs or, around whole paragraphs, paragraphs.
            xml.skipElement();
        } else if (n == "p") {
            ++paragraphDepth;
        } else if (paragraphDepth != 1) {
            if (n == "txbxContent") {
                xml.skipElement();
            }
        } else if (n == "t") {
            const QString text = xml.elementText();
            paragraph += text;
            paragraphHidden = paragraphHidden || (runHidden && !text.isEmpty());
        } else if (n == "tab") {
            paragraph += u'\t';
        } else if (n == "br" || n == "cr") {
            paragraph += u'\n';
        } else if (n == "noBreakHyphen") {
            paragraph += u'-';
        } else if (n == "pStyle") {
            style = xml.attribute(w.uri, u"val");
        } else if (n == "numId") {
            numId = xml.attribute(w.uri, u"val").toInt();
        } else if (n == "ilvl") {
            level = xml.attribute(w.uri, u"val").toInt();
        } else if (n == "r") {
            runHidden = false;
        } else if (n == "vanish" || n == "specVanish") {
            // Read inside a run's properties: hidden text counts as the author's (answers are
            // often hidden to print a copy without them).
            const QString val = xml.attribute(w.uri, u"val");
            runHidden = val != u"0" && val != u"false" && val != u"off";
        } else if (n == "delText" || n == "instrText" || n == "tabs" || n == "txbxContent" ||
                   n == "sectPr" || n == "footnoteReference" || n == "pPrChange" ||
                   n == "rPrChange") {
            // No text of the paragraph's own: deleted text, field codes, tab stops, text boxes,
            // section properties, footnote marks, properties a tracked change replaced.
            xml.skipElement();
        }
    }
}

} // namespace tiku::import
