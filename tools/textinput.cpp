#include "textinput.h"

#include <QStringDecoder>

namespace tiku::tool {

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
            throw InputError(
                QStringLiteral("%1:%2: a backslash at the end of a field").arg(source).arg(line));
        }
        const QChar e = field[++i];
        switch (e.unicode()) {
        case u'n':
            out.append(u'\n');
            break;
        case u'r':
            out.append(u'\r');
            break;
        case u't':
            out.append(u'\t');
            break;
        case u'\\':
            out.append(u'\\');
            break;
        default:
            throw InputError(
                QStringLiteral("%1:%2: unknown escape \\%3 (use \\n, \\r, \\t or \\\\)")
                    .arg(source)
                    .arg(line)
                    .arg(e));
        }
    }
    return out;
}

} // namespace

Table parseTsv(const QString& text, const QString& source) {
    Table table;
    QStringView rest(text);
    int line = 0;
    while (!rest.isEmpty()) {
        ++line;
        const qsizetype end = rest.indexOf(u'\n');
        QStringView row = end < 0 ? rest : rest.left(end);
        rest = end < 0 ? QStringView() : rest.mid(end + 1);
        if (row.endsWith(u'\r')) {
            row.chop(1);
        }
        QStringList fields;
        if (!row.isEmpty()) {
            for (QStringView field : row.split(u'\t')) {
                fields.append(unescapeField(field, source, line));
            }
        }
        table.push_back(std::move(fields));
    }
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
                    throw InputError(QStringLiteral("%1:%2: a quoted field is not closed")
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
                if (text[i] == u'\n') {
                    ++line;
                }
                field.append(text[i++]);
            }
            if (i < n && text[i] != u',' && text[i] != u'\n' &&
                !(text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n') &&
                !(text[i] == u'\r' && i + 1 == n)) {
                throw InputError(
                    QStringLiteral("%1:%2: text after a closing quote").arg(source).arg(line));
            }
            continue;
        }
        if (c == u',') {
            rowStarted = true;
            endField();
            ++i;
        } else if (c == u'\n' || (c == u'\r' && (i + 1 == n || text[i + 1] == u'\n'))) {
            rowStarted = true;
            endRow();
            i += c == u'\r' && i + 1 < n ? 2 : 1;
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
        throw InputError(QStringLiteral("%1: not valid UTF-8").arg(path));
    }
    if (text.startsWith(QChar(0xFEFF))) {
        text.remove(0, 1);
    }
    return path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) ? parseCsv(text, path)
                                                                      : parseTsv(text, path);
}

} // namespace tiku::tool
