#include "textinput.h"

#include "importerror.h"
#include "quote.h"
#include "textlines.h"

#include <QStringDecoder>

#include <algorithm>
#include <iterator>

namespace tiku::import {

namespace {

QString unescapeField(QStringView field, const QString& source, int line) {
    QString out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const QChar c = field[i];
        if (c != u'\\') {
            out.append(c);
            continue;
        }
        if (i + 1 >= field.size()) {
            throw ImportError(
                QStringLiteral("%1:%2: a backslash at the end of a field").arg(source).arg(line));
        }
        const QChar e = field[++i];
        const auto* escape = std::find_if(std::begin(kTsvEscapes), std::end(kTsvEscapes),
                                          [e](const auto& x) { return x.second == e.unicode(); });
        if (escape == std::end(kTsvEscapes)) {
            throw ImportError(
                QStringLiteral("%1:%2: unknown escape \\%3 (use \\n, \\r, \\t or \\\\)")
                    .arg(source)
                    .arg(line)
                    .arg(e));
        }
        out.append(QChar(escape->first));
    }
    return out;
}

// Rows and fields are refused as they arrive, before a hostile file's millions of them are held.
void checkRows(const Table& table, const QString& source) {
    if (table.size() >= size_t(kMaxRows)) {
        throw ImportError(QStringLiteral("%1: more than %2 rows, more than a worksheet holds")
                              .arg(source)
                              .arg(kMaxRows));
    }
}

void checkFields(qsizetype fields, const QString& source, int line) {
    if (fields > kMaxColumns) {
        throw ImportError(
            QStringLiteral("%1:%2: more than %3 fields").arg(source).arg(line).arg(kMaxColumns));
    }
}

} // namespace

Table parseTsv(const QString& text, const QString& source) {
    Table table;
    int line = 0;
    forEachLine(text, [&](QStringView row) {
        ++line;
        checkRows(table, source);
        QStringList fields;
        if (!row.isEmpty()) {
            checkFields(row.count(u'\t') + 1, source, line);
            for (QStringView field : row.split(u'\t')) {
                fields.append(unescapeField(field, source, line));
            }
        }
        table.push_back(std::move(fields));
    });
    return table;
}

Table parseCsv(const QString& text, const QString& source) {
    Table table;
    QStringList fields;
    QString field;
    bool rowStarted = false;
    int line = 1;
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto endField = [&] {
        checkFields(fields.size() + 1, source, line);
        fields.append(field);
        field.clear();
    };
    auto endRow = [&] {
        if (rowStarted) {
            endField();
        }
        // A row of one empty field is an empty line: a row without cells.
        if (fields.size() == 1 && fields.front().isEmpty()) {
            fields.clear();
        }
        checkRows(table, source);
        table.push_back(fields);
        fields.clear();
        rowStarted = false;
    };
    while (i < n) {
        const QChar c = text[i];
        if (c == u'"' && field.isEmpty()) {
            rowStarted = true;
            const int quoteLine = line;
            ++i;
            for (;;) {
                if (i >= n) {
                    throw ImportError(QStringLiteral("%1:%2: a quoted field is not closed")
                                          .arg(source)
                                          .arg(quoteLine));
                }
                if (text[i] == u'"') {
                    if (i + 1 < n && text[i + 1] == u'"') {
                        field.append(u'"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                if (text[i] == u'\n' ||
                    (text[i] == u'\r' && (i + 1 == n || text[i + 1] != u'\n'))) {
                    ++line;
                }
                field.append(text[i++]);
            }
            if (i < n && text[i] != u',' && text[i] != u'\n' && text[i] != u'\r') {
                throw ImportError(
                    QStringLiteral("%1:%2: text after a closing quote").arg(source).arg(line));
            }
            continue;
        }
        if (c == u',') {
            rowStarted = true;
            endField();
            ++i;
        } else if (c == u'\n' || c == u'\r') {
            // LF, CRLF or a lone CR (Excel for Mac's line end) ends the row.
            rowStarted = true;
            endRow();
            i += c == u'\r' && i + 1 < n && text[i + 1] == u'\n' ? 2 : 1;
            ++line;
        } else {
            rowStarted = true;
            field.append(c);
            ++i;
        }
    }
    if (rowStarted) {
        endRow();
    }
    return table;
}

Table readTable(const QByteArray& bytes, const QString& path) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError()) {
        throw ImportError(QStringLiteral("%1: not valid UTF-8").arg(path));
    }
    if (text.startsWith(QChar(0xFEFF))) {
        text.remove(0, 1);
    }
    return path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) ? parseCsv(text, path)
                                                                      : parseTsv(text, path);
}

} // namespace tiku::import
