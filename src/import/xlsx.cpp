#include "xlsx.h"

#include "budget.h"
#include "importerror.h"
#include "opc.h"
#include "quote.h"
#include "sheetbuilder.h"
#include "xmlstream.h"
#include "ziparchive.h"

#include <QDateTime>
#include <QHash>

#include <optional>

namespace tiku::import {

namespace {

using Token = XmlStream::Token;

// The text of an <si> or <is>: its <t> elements, phonetic runs left out; its characters spent
// from the budget.
QString stringItem(XmlStream& xml, Budget& budget) {
    QByteArray utf8;
    bool inText = false;
    for (int depth = 1; depth > 0;) {
        const Token t = xml.next();
        if (t == Token::StartElement) {
            ++depth;
            if (xml.name() == "rPh" || xml.name() == "phoneticPr") {
                xml.skipElement();
                --depth;
            } else {
                inText = xml.name() == "t";
            }
        } else if (t == Token::EndElement) {
            --depth;
            inText = false;
        } else if (t == Token::Characters) {
            if (inText) {
                xml.appendText(utf8);
            }
        } else {
            xml.fail(QStringLiteral("XML that ends inside a string"));
        }
    }
    QString text = decodeOoxmlEscapes(QString::fromUtf8(utf8));
    text.squeeze(); // fromUtf8 reserves a unit per byte, three times what Chinese text needs
    budget.spendCharacters(text.size());
    return text;
}

std::vector<QString> sharedStrings(ZipArchive& archive, const QString& part, Budget& budget) {
    std::vector<QString> out;
    // Run formatting is most of a part of formatted texts: cut out before it is parsed.
    XmlStream xml(archive, part, XmlStream::Names::LocalOnly, XmlStream::Size::Large, "rPr");
    xml.setDropped({"rPr", "rPh", "phoneticPr"}); // run formatting and phonetic guides
    for (Token t = xml.next(); t != Token::EndDocument; t = xml.next()) {
        if (t == Token::StartElement && xml.name() == "si") {
            budget.spendStrings(1);
            out.push_back(stringItem(xml, budget));
        }
    }
    return out;
}

// Each cell format's number format, as the program tells a date from a number.
std::vector<bank::biff::DateParts> cellFormats(ZipArchive& archive, const QString& part) {
    QHash<int, QString> codes;
    std::vector<int> xfFormats;
    XmlStream xml(archive, part, XmlStream::Names::LocalOnly);
    bool inCellXfs = false;
    for (Token t = xml.next(); t != Token::EndDocument; t = xml.next()) {
        if (t == Token::StartElement) {
            if (xml.name() == "numFmt") {
                codes.insert(xml.attribute(u"numFmtId").toInt(), xml.attribute(u"formatCode"));
            } else if (xml.name() == "cellXfs") {
                inCellXfs = true;
            } else if (inCellXfs && xml.name() == "xf") {
                xfFormats.push_back(xml.attribute(u"numFmtId").toInt());
            }
        } else if (t == Token::EndElement && xml.name() == "cellXfs") {
            inCellXfs = false;
        }
    }
    // Each format once: many cell formats may share one long format code.
    QHash<int, bank::biff::DateParts> classified;
    std::vector<bank::biff::DateParts> out;
    out.reserve(xfFormats.size());
    for (int id : xfFormats) {
        auto it = classified.constFind(id);
        if (it == classified.cend()) {
            it = classified.insert(id, bank::biff::classifyFormat(id, codes.value(id)));
        }
        out.push_back(*it);
    }
    return out;
}

// A cell reference such as "AB12"; false when it is none.
bool parseReference(QStringView ref, qint64& row, qint64& column) {
    qsizetype i = 0;
    while (i < ref.size() && ref[i].isLetter()) {
        ++i;
    }
    bool ok = false;
    const qint64 r = ref.mid(i).toLongLong(&ok);
    const qint64 c = columnFromLetters(ref.left(i));
    if (!ok || r < 1 || c < 1) {
        return false;
    }
    row = r;
    column = c;
    return true;
}

// An ISO 8601 date or date and time as a date serial of the 1900 system.
std::optional<double> isoSerial(QStringView text, bool date1904) {
    QDateTime when = QDateTime::fromString(text.toString(), Qt::ISODateWithMs);
    if (!when.isValid()) {
        const QDate day = QDate::fromString(text.toString(), Qt::ISODate);
        if (!day.isValid()) {
            return std::nullopt;
        }
        when = QDateTime(day, QTime(0, 0));
    }
    when.setTimeSpec(Qt::UTC);
    const QDateTime base(date1904 ? QDate(1904, 1, 1) : QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
    double serial = double(base.msecsTo(when)) / 86400000.0;
    if (!date1904 && serial < 61) {
        serial -= 1; // before the day the 1900 system counts in error
    }
    return serial;
}

struct Context {
    Budget& budget;
    bool date1904 = false;
    std::vector<QString> strings;
    std::vector<bank::biff::DateParts> formats;
};

bank::CellValue cellValue(Context& ctx, XmlStream& xml, QStringView type, int style,
                          const QString& valueText, bool hasValue) {
    if (!hasValue || (valueText.isEmpty() && type != u"str" && type != u"inlineStr")) {
        return {}; // a formula never calculated, or an empty value
    }
    if (type == u"s") {
        bool ok = false;
        const qint64 index = valueText.trimmed().toLongLong(&ok);
        if (!ok || index < 0 || size_t(index) >= ctx.strings.size()) {
            xml.fail(QStringLiteral("a shared string %1 that is not in the table")
                         .arg(quotedCell(valueText)));
        }
        return bank::CellValue::ofText(ctx.strings[size_t(index)]);
    }
    if (type == u"str") {
        ctx.budget.spendCharacters(valueText.size());
        return bank::CellValue::ofText(decodeOoxmlEscapes(valueText));
    }
    if (type == u"inlineStr") {
        return bank::CellValue::ofText(valueText); // decoded with its <is>
    }
    if (type == u"b") {
        const QString v = valueText.trimmed();
        return bank::CellValue::ofBoolean(v == u"1" ||
                                          v.compare(u"true", Qt::CaseInsensitive) == 0);
    }
    if (type == u"e") {
        return bank::CellValue::ofError(errorFromLiteral(valueText));
    }
    const bank::biff::DateParts format = style >= 0 && size_t(style) < ctx.formats.size()
                                             ? ctx.formats[size_t(style)]
                                             : bank::biff::DateParts{};
    if (type == u"d") {
        const auto serial = isoSerial(valueText.trimmed(), ctx.date1904);
        if (!serial) {
            xml.fail(
                QStringLiteral("a date %1 that is no ISO 8601 date").arg(quotedCell(valueText)));
        }
        return numberValue(*serial, format, ctx.date1904);
    }
    bool ok = false;
    const double number = valueText.trimmed().toDouble(&ok);
    if (!ok) {
        xml.fail(QStringLiteral("a number %1 that is no number").arg(quotedCell(valueText)));
    }
    return numberValue(number, format, ctx.date1904);
}

bank::SheetSpec readWorksheet(Context& ctx, ZipArchive& archive, const QString& part,
                              const QString& name) {
    SheetBuilder sheet(name, ctx.budget);
    XmlStream xml(archive, part, XmlStream::Names::LocalOnly, XmlStream::Size::Large);
    qint64 row = 0;
    qint64 column = 0;
    bool inData = false;
    for (Token t = xml.next(); t != Token::EndDocument; t = xml.next()) {
        if (t == Token::EndElement && xml.name() == "sheetData") {
            inData = false;
        }
        if (t != Token::StartElement) {
            continue;
        }
        if (xml.name() == "sheetData") {
            inData = true;
            continue;
        }
        if (!inData) {
            continue;
        }
        if (xml.name() == "row") {
            const QString r = xml.attribute(u"r");
            bool ok = true;
            // Past the last row a .xls holds, any row is as good as the next (and never
            // overflows).
            row = r.isEmpty() ? std::min<qint64>(row, kMaxRows) + 1 : r.toLongLong(&ok);
            if (!ok || row < 1) {
                xml.fail(QStringLiteral("a row number %1 that is no number").arg(quotedCell(r)));
            }
            column = 0;
            continue;
        }
        if (xml.name() != "c") {
            continue;
        }
        const QString ref = xml.attribute(u"r");
        if (ref.isEmpty()) {
            ++column;
        } else if (!parseReference(ref, row, column)) {
            xml.fail(QStringLiteral("a cell reference %1 that is none").arg(quotedCell(ref)));
        }
        const QString type = xml.attribute(u"t");
        const int style = xml.attribute(u"s").toInt();
        QString valueText;
        bool hasValue = false;
        for (int depth = 1; depth > 0;) {
            const Token c = xml.next();
            if (c == Token::StartElement) {
                if (xml.name() == "v") {
                    valueText = xml.elementText();
                    hasValue = true;
                } else if (xml.name() == "is") {
                    valueText = stringItem(xml, ctx.budget);
                    hasValue = true;
                } else {
                    xml.skipElement();
                }
            } else if (c == Token::EndElement) {
                --depth;
            } else if (c == Token::EndDocument) {
                xml.fail(QStringLiteral("XML that ends inside a cell"));
            }
        }
        bank::CellValue value = cellValue(ctx, xml, type, style, valueText, hasValue);
        if (value.kind == bank::CellValue::Kind::Text && value.text.isEmpty()) {
            value = {};
        }
        if (value.kind != bank::CellValue::Kind::Blank || style > 0) {
            sheet.add(row, column, std::move(value));
        }
    }
    return sheet.take();
}

} // namespace

std::vector<bank::SheetSpec> readXlsx(ZipArchive& archive) {
    Budget budget(archive.displayName(), archive.size());
    Context ctx{budget, false, {}, {}};
    const QString workbook =
        officeDocumentPart(archive).value_or(QStringLiteral("xl/workbook.xml"));
    if (!archive.contains(workbook)) {
        throw ImportError(
            QStringLiteral("%1: not a spreadsheet (no workbook part)").arg(budget.file()));
    }
    struct Sheet {
        QString name;
        QString id;
        bool hidden = false;
    };
    std::vector<Sheet> sheets;
    {
        XmlStream xml(archive, workbook, XmlStream::Names::LocalOnly);
        for (Token t = xml.next(); t != Token::EndDocument; t = xml.next()) {
            if (t != Token::StartElement) {
                continue;
            }
            if (xml.name() == "workbookPr") {
                const QString v = xml.attribute(u"date1904");
                ctx.date1904 = v == u"1" || v == u"true";
            } else if (xml.name() == "sheet") {
                if (sheets.size() >= size_t(kMaxSheets)) {
                    xml.fail(
                        QStringLiteral("more than %1 sheets, which is refused").arg(kMaxSheets));
                }
                const QString state = xml.attribute(u"state");
                sheets.push_back({xml.attribute(u"name"), xml.attribute(u"id"),
                                  state == u"hidden" || state == u"veryHidden"});
            }
        }
    }
    const auto rels = relationships(archive, workbook);
    if (const auto part = targetOfType(rels, u"/sharedStrings"); part && archive.contains(*part)) {
        ctx.strings = sharedStrings(archive, *part, budget);
    }
    if (const auto part = targetOfType(rels, u"/styles"); part && archive.contains(*part)) {
        ctx.formats = cellFormats(archive, *part);
    }
    std::vector<bank::SheetSpec> out;
    for (const Sheet& s : sheets) {
        const auto rel = rels.constFind(s.id);
        if (rel == rels.cend()) {
            throw ImportError(QStringLiteral("%1: sheet \"%2\" has no part in the archive")
                                  .arg(budget.file(), escapeText(s.name)));
        }
        if (!rel->type.endsWith(u"/worksheet")) {
            continue; // chart and dialog sheets hold no questions
        }
        // A part named by several sheets is read for each, and spends the budget each time.
        out.push_back(readWorksheet(ctx, archive, rel->target, s.name));
        out.back().hidden = s.hidden;
    }
    if (out.empty()) {
        throw ImportError(QStringLiteral("%1: the workbook holds no worksheet").arg(budget.file()));
    }
    return out;
}

} // namespace tiku::import
