#include "ods.h"

#include "budget.h"
#include "importerror.h"
#include "quote.h"
#include "sheetbuilder.h"
#include "xmlstream.h"
#include "ziparchive.h"

#include <QDateTime>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <optional>

namespace tiku::import {

namespace {

using Token = XmlStream::Token;

const QString kOffice = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QString kTable = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
const QString kText = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
const QString kStyle = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:style:1.0");
const QString kNumber = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0");
const QString kCalcExt =
    QStringLiteral("urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0");

// What the program shows of a date serial under each cell style.
struct Styles {
    QHash<QString, bank::biff::DateParts> dataStyles; // number:date-style, number:time-style
    QHash<QString, QString> dataStyleOf;              // cell style -> its data style
    QHash<QString, QString> parentOf;                 // cell style -> its parent style
    QSet<QString> hiddenTables;                       // table styles that hide their table

    bank::biff::DateParts partsOf(const QString& cellStyle) const {
        QString style = cellStyle;
        for (int guard = 0; guard < 16 && !style.isEmpty(); ++guard) {
            if (const auto data = dataStyleOf.constFind(style); data != dataStyleOf.cend()) {
                return dataStyles.value(*data);
            }
            style = parentOf.value(style);
        }
        return {};
    }

    // Reads the styles of one part up to its body.
    void read(XmlStream& xml) {
        QString dataStyle;
        bank::biff::DateParts parts;
        QString style; // the style:style being read
        for (Token t = xml.next(); t != Token::EndDocument; t = xml.next()) {
            if (t == Token::StartElement) {
                const QLatin1String n = xml.name();
                if (xml.namespaceUri() == kOffice && n == "body") {
                    return;
                }
                if (xml.namespaceUri() == kNumber && (n == "date-style" || n == "time-style")) {
                    dataStyle = xml.attribute(kStyle, u"name");
                    parts = {n == "date-style", n == "time-style"};
                } else if (!dataStyle.isEmpty() && xml.namespaceUri() == kNumber &&
                           (n == "hours" || n == "minutes" || n == "seconds")) {
                    parts.time = true;
                } else if (xml.namespaceUri() == kStyle && n == "style") {
                    style = xml.attribute(kStyle, u"name");
                    const QString data = xml.attribute(kStyle, u"data-style-name");
                    const QString parent = xml.attribute(kStyle, u"parent-style-name");
                    if (!data.isEmpty()) {
                        dataStyleOf.insert(style, data);
                    }
                    if (!parent.isEmpty()) {
                        parentOf.insert(style, parent);
                    }
                } else if (xml.namespaceUri() == kStyle && n == "table-properties" &&
                           xml.attribute(kTable, u"display") == u"false") {
                    hiddenTables.insert(style);
                }
            } else if (t == Token::EndElement && !dataStyle.isEmpty() &&
                       (xml.name() == "date-style" || xml.name() == "time-style")) {
                dataStyles.insert(dataStyle, parts);
                dataStyle.clear();
            }
        }
    }
};

// An ISO 8601 date or date and time as a date serial of the 1899-12-30 system.
std::optional<double> dateSerial(QStringView text) {
    QDateTime when = QDateTime::fromString(text.toString(), Qt::ISODateWithMs);
    if (!when.isValid()) {
        const QDate day = QDate::fromString(text.toString(), Qt::ISODate);
        if (!day.isValid()) {
            return std::nullopt;
        }
        when = QDateTime(day, QTime(0, 0));
    }
    when.setTimeSpec(Qt::UTC);
    const QDateTime base(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
    double serial = double(base.msecsTo(when)) / 86400000.0;
    if (serial < 61) {
        serial -= 1; // the service's 1900 system counts 1900-02-29, which never was
    }
    return serial;
}

// An ISO 8601 duration such as PT13H45M00S as a fraction of days.
std::optional<double> durationDays(QStringView text) {
    static const QRegularExpression re(QStringLiteral(
        R"(^(-)?P(?:(\d+)D)?(?:T(?:(\d+(?:\.\d+)?)H)?(?:(\d+(?:\.\d+)?)M)?(?:(\d+(?:\.\d+)?)S)?)?$)"));
    const auto m = re.match(text);
    if (!m.hasMatch()) {
        return std::nullopt;
    }
    const double days = m.captured(2).toDouble() + m.captured(3).toDouble() / 24 +
                        m.captured(4).toDouble() / 1440 + m.captured(5).toDouble() / 86400;
    return m.captured(1).isEmpty() ? days : -days;
}

// The text of a cell: its paragraphs joined by line feeds, spaces, tabs and line breaks as
// written; annotations and drawings left out. Its characters are spent from the budget as they
// arrive, and a text longer than a cell holds is refused as it grows.
QString cellText(XmlStream& xml, Budget& budget) {
    QString text;
    const auto checkLength = [&] {
        if (text.size() > kMaxTextLength) {
            xml.fail(QStringLiteral("a cell text longer than the %1 characters a cell holds")
                         .arg(kMaxTextLength));
        }
    };
    int paragraphs = 0;
    for (int depth = 1; depth > 0;) {
        const Token t = xml.next();
        if (t == Token::StartElement) {
            const QLatin1String n = xml.name();
            const bool isText = xml.namespaceUri() == kText;
            if (isText && (n == "p" || n == "h")) {
                if (paragraphs++ > 0) {
                    text += u'\n';
                }
                ++depth;
            } else if (isText && n == "s") {
                const int count = std::clamp(xml.attribute(kText, u"c").toInt(), 1, 32768);
                text += QString(count, u' ');
                xml.skipElement();
            } else if (isText && n == "tab") {
                text += u'\t';
                xml.skipElement();
            } else if (isText && n == "line-break") {
                text += u'\n';
                xml.skipElement();
            } else if (isText && (n == "span" || n == "a")) {
                ++depth;
            } else if (isText && n != "note" && n != "ruby-text" && depth > 1) {
                ++depth; // other inline text elements show their text
            } else {
                xml.skipElement(); // annotations, drawings, notes
            }
            checkLength();
        } else if (t == Token::EndElement) {
            --depth;
        } else if (t == Token::Characters) {
            if (depth > 1) {
                text += xml.text();
                checkLength();
            }
        } else {
            xml.fail(QStringLiteral("XML that ends inside a cell"));
        }
    }
    budget.spendCharacters(text.size());
    return text;
}

// Whether a formula's result is a truth value: TRUE(), FALSE(), a logical or IS function
// called as the whole formula, or a comparison outside any parentheses or string.
// LibreOffice stores such a result as a float 1 or 0 and shows it as TRUE or FALSE.
bool booleanFormula(QStringView formula) {
    const qsizetype eq = formula.indexOf(u'=');
    if (eq < 0 || formula.size() > 4096) {
        return false;
    }
    const QStringView f = formula.mid(eq + 1).trimmed();
    static const QRegularExpression call(
        QStringLiteral(R"(^(TRUE|FALSE|AND|OR|NOT|XOR|EXACT|IS[A-Z]+)\s*\()"),
        QRegularExpression::CaseInsensitiveOption);
    int level = 0;
    bool quoted = false;
    bool wholeCall = call.match(f.toString()).hasMatch();
    for (qsizetype i = 0; i < f.size(); ++i) {
        const QChar c = f[i];
        if (c == u'"') {
            quoted = !quoted;
        } else if (quoted) {
            continue;
        } else if (c == u'(' || c == u'[') {
            ++level;
        } else if (c == u')' || c == u']') {
            --level;
            if (level == 0 && i + 1 < f.size()) {
                wholeCall = false; // the call is followed by more
            }
        } else if (level == 0 && (c == u'=' || c == u'<' || c == u'>')) {
            return true;
        }
    }
    return wholeCall;
}

bank::CellValue cellValue(XmlStream& xml, const Styles& styles, const QString& style,
                          Budget& budget) {
    const QString type = xml.attribute(kOffice, u"value-type");
    const bool error = xml.attribute(kCalcExt, u"value-type") == u"error";
    const QString value = xml.attribute(kOffice, u"value");
    const QString dateValue = xml.attribute(kOffice, u"date-value");
    const QString timeValue = xml.attribute(kOffice, u"time-value");
    const QString booleanValue = xml.attribute(kOffice, u"boolean-value");
    const QString stringValue = xml.attribute(kOffice, u"string-value");
    const bool hasStringValue = xml.hasAttribute(kOffice, u"string-value");
    const QString formula = xml.attribute(kTable, u"formula");
    const QString text = cellText(xml, budget);
    if (error) {
        return bank::CellValue::ofError(errorFromLiteral(text));
    }
    if (type.isEmpty()) {
        return {};
    }
    if (type == u"string") {
        if (hasStringValue) {
            budget.spendCharacters(stringValue.size());
        }
        return bank::CellValue::ofText(hasStringValue ? stringValue : text);
    }
    if (type == u"boolean") {
        // xsd:boolean: true, false, 1, 0.
        const QString b = booleanValue.trimmed();
        return bank::CellValue::ofBoolean(b == u"true" || b == u"1");
    }
    auto parts = styles.partsOf(style);
    std::optional<double> number;
    if (type == u"date") {
        number = dateSerial(dateValue);
        if (!parts.any() && number) {
            parts = {true, *number != std::floor(*number)};
        }
    } else if (type == u"time") {
        number = durationDays(timeValue);
        if (!parts.any()) {
            parts.time = true;
        }
    } else {
        bool ok = false;
        const double v = value.trimmed().toDouble(&ok);
        if (ok || std::isinf(v)) {
            number = v; // out of range: as NaN, see numberValue
        }
        if (ok && (v == 0 || v == 1) && type == u"float" && booleanFormula(formula)) {
            return bank::CellValue::ofBoolean(v == 1);
        }
    }
    if (!number) {
        xml.fail(QStringLiteral("a %1 cell without a readable value").arg(quotedCell(type)));
    }
    return numberValue(*number, parts, false);
}

bank::SheetSpec readTable(XmlStream& xml, const Styles& styles, Budget& budget) {
    SheetBuilder sheet(xml.attribute(kTable, u"name"), budget);
    const bool hidden = styles.hiddenTables.contains(xml.attribute(kTable, u"style-name"));
    std::vector<QString> columnStyles; // the default cell style of each column up to IV
    qint64 row = 0;                    // rows read so far
    qint64 rowRepeat = 1;
    qint64 column = 0; // columns of the current row read so far
    bool rowHasValue = false;
    struct Pending {
        qint64 column;
        qint64 repeat;
        bank::CellValue value;
    };
    std::vector<Pending> rowCells;
    const auto columnsRepeated = [&xml] {
        return std::max<qint64>(1, xml.attribute(kTable, u"number-columns-repeated").toLongLong());
    };
    for (int depth = 1; depth > 0;) {
        const Token t = xml.next();
        if (t == Token::EndElement) {
            --depth;
            if (xml.namespaceUri() == kTable && xml.name() == "table-row") {
                // A repeated row with values repeats them.
                const qint64 times = rowHasValue ? std::min<qint64>(rowRepeat, kMaxRows + 1) : 1;
                for (qint64 k = 0; k < times; ++k) {
                    for (const Pending& p : rowCells) {
                        // Past column IV the first one is refused.
                        const qint64 count = std::min<qint64>(p.repeat, kMaxColumns + 1);
                        for (qint64 c = 0; c < count; ++c) {
                            sheet.add(row + 1 + k, p.column + c, p.value);
                        }
                    }
                }
                row += rowRepeat;
                rowCells.clear();
            }
            continue;
        }
        if (t == Token::Characters) {
            continue;
        }
        if (t != Token::StartElement) {
            xml.fail(QStringLiteral("XML that ends inside a table"));
        }
        ++depth;
        const QLatin1String n = xml.name();
        if (xml.namespaceUri() != kTable) {
            xml.skipElement();
            --depth;
            continue;
        }
        if (n == "table-column") {
            const qint64 repeat = columnsRepeated();
            const QString style = xml.attribute(kTable, u"default-cell-style-name");
            for (qint64 k = 0; k < repeat && columnStyles.size() < size_t(kMaxColumns); ++k) {
                columnStyles.push_back(style);
            }
            xml.skipElement();
            --depth;
        } else if (n == "table-row") {
            rowRepeat =
                std::max<qint64>(1, xml.attribute(kTable, u"number-rows-repeated").toLongLong());
            rowRepeat = std::min<qint64>(rowRepeat, qint64(kMaxRows) * 16);
            column = 0;
            rowHasValue = false;
        } else if (n == "covered-table-cell") {
            // Under a merged area: what it still holds is hidden by the area's top-left cell,
            // and a .xls of the workbook leaves it out.
            const qint64 repeat = columnsRepeated();
            xml.skipElement();
            --depth;
            column += std::min<qint64>(repeat, kMaxColumns + 1);
        } else if (n == "table-cell") {
            const qint64 repeat = columnsRepeated();
            QString style = xml.attribute(kTable, u"style-name");
            const QString columnStyle =
                size_t(column) < columnStyles.size() ? columnStyles[size_t(column)] : QString();
            const bool formatted = !style.isEmpty() && style != columnStyle && style != u"Default";
            if (style.isEmpty()) {
                style = columnStyle;
            }
            bank::CellValue value = cellValue(xml, styles, style, budget);
            --depth; // cellValue read to the cell's end
            if (value.kind == bank::CellValue::Kind::Text && value.text.isEmpty()) {
                value = {};
            }
            if (value.kind != bank::CellValue::Kind::Blank) {
                rowHasValue = true;
                rowCells.push_back({column + 1, repeat, std::move(value)});
            } else if (formatted) {
                // Widens the used rows, once for all the row's repeats.
                sheet.addBlanks(row + 1, column + 1, rowRepeat);
            }
            column += std::min<qint64>(repeat, kMaxColumns + 1);
        }
        // table-rows, table-row-group, table-header-rows, table-columns, ...: their children
        // are read in turn.
    }
    bank::SheetSpec out = sheet.take();
    out.hidden = hidden;
    return out;
}

} // namespace

bool isOds(ZipArchive& archive) {
    if (!archive.contains(QStringLiteral("mimetype"))) {
        return false;
    }
    return archive.read(QStringLiteral("mimetype"), 256).trimmed() ==
           "application/vnd.oasis.opendocument.spreadsheet";
}

std::vector<bank::SheetSpec> readOds(ZipArchive& archive) {
    Styles styles;
    if (archive.contains(QStringLiteral("styles.xml"))) {
        XmlStream xml(archive, QStringLiteral("styles.xml"));
        styles.read(xml);
    }
    std::vector<bank::SheetSpec> out;
    Budget budget(archive.displayName(), archive.size());
    XmlStream xml(archive, QStringLiteral("content.xml"), XmlStream::Names::Namespaced,
                  XmlStream::Size::Large);
    styles.read(xml); // stops at the body
    for (Token t = xml.next(); t != Token::EndDocument; t = xml.next()) {
        if (t == Token::StartElement && xml.namespaceUri() == kTable && xml.name() == "table") {
            if (out.size() >= size_t(kMaxSheets)) {
                xml.fail(QStringLiteral("more than %1 tables, which is refused").arg(kMaxSheets));
            }
            out.push_back(readTable(xml, styles, budget));
        }
    }
    if (out.empty()) {
        throw ImportError(
            QStringLiteral("%1: the spreadsheet holds no table").arg(archive.displayName()));
    }
    return out;
}

} // namespace tiku::import
