#include "bankcheck.h"

#include "questiontable.h"
#include "quote.h"

#include "bank/bankformat.h"
#include "core/numbertext.h"

#include <QHash>

#include <algorithm>
#include <functional>
#include <initializer_list>

namespace tiku::import {

namespace {

// The columns the rules look at: the number, the question, the answer.
constexpr int kCheckedColumns = 3;

using CellAt = std::function<bank::CellContent(int sheet, int row, int column)>;

// A row-1 cell that names a table column rather than holding a question or answer.
bool isHeader(const QString& text, std::initializer_list<QStringView> names) {
    const QString folded = foldedName(text);
    return std::any_of(names.begin(), names.end(),
                       [&](QStringView name) { return folded == name; });
}

// The letters a question offers, as a finding names them: "A-D", or "A, C" when not a run.
QString optionRange(const QString& letters) {
    QString sorted = letters;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    const bool run =
        sorted.front() == u'A' && sorted.back().unicode() - u'A' == char16_t(sorted.size() - 1);
    if (run && sorted.size() > 1) {
        return QStringLiteral("%1-%2").arg(sorted.front()).arg(sorted.back());
    }
    QStringList each;
    for (const QChar c : sorted) {
        each.append(QString(c));
    }
    return each.join(QStringLiteral(", "));
}

// When a bank's sheet is missing but sheets named after the banks (人文, 临床) are there: the
// make command that renames them. Empty otherwise.
QString renameSuggestion(const QString& file, const std::vector<bank::SheetInfo>& sheets) {
    auto has = [&](const QString& name) { return findWorksheet(sheets, name) >= 0; };
    QStringList renames;
    for (const bool first : {true, false}) {
        const QString caption = bank::bankCaption(first);
        const QString sheet = bank::bankSheetName(first);
        if (!has(sheet) && has(caption)) {
            renames.append(QStringLiteral("--rename %1=%2").arg(caption, sheet));
        }
    }
    if (renames.isEmpty()) {
        return {};
    }
    return QStringLiteral("to give the banks their sheet names: tiku-bank make %1 %2 -o NEW.xls")
        .arg(file, renames.join(u' '));
}

// file: named in the rename advice; empty: no advice, and a bank without its sheet unchecked.
BankCheck check(const std::vector<bank::SheetInfo>& sheets, const CellAt& cellAt,
                const QString& file) {
    BankCheck result;
    struct Bank {
        QString sheet;
        QString caption;
        int position;
    };
    const Bank banks[] = {
        {bank::bankSheetName(true), bank::bankCaption(true), bank::bankSheetPosition(true)},
        {bank::bankSheetName(false), bank::bankCaption(false), bank::bankSheetPosition(false)}};
    for (const Bank& b : banks) {
        const QString label = QStringLiteral("%1 (%2)").arg(b.sheet, b.caption);
        int findings = 0;
        auto finding = [&](const QString& text) {
            const QString line = QStringLiteral("%1: %2").arg(label, text);
            result.lines.append(line);
            result.findings.append(line);
            ++findings;
        };
        const int named = findWorksheet(sheets, b.sheet);
        if (named < 0 && file.isEmpty()) {
            continue;
        }
        if (named < 0) {
            finding(QStringLiteral("no worksheet of that name: the bank cannot be opened"));
            continue;
        }
        const size_t pos = size_t(b.position - 1);
        if (pos >= sheets.size() || sheets[pos].kind != bank::SheetKind::Worksheet) {
            finding(QStringLiteral("no worksheet at position %1, where the bank size is counted")
                        .arg(b.position));
            continue;
        }
        if (int(pos) != named) {
            finding(QStringLiteral("the bank size is counted on \"%1\", the sheet at position %2")
                        .arg(escapeText(sheets[pos].name))
                        .arg(b.position));
        }
        const int count = sheets[pos].usedRows;
        if (count > bank::maxBankRows) {
            finding(QStringLiteral("%1 rows, over the %2 a bank can hold")
                        .arg(count)
                        .arg(bank::maxBankRows));
        } else if (count < bank::minPaperQuestions) {
            finding(QStringLiteral("%1 rows, under the %2 of the smallest test")
                        .arg(count)
                        .arg(bank::minPaperQuestions));
        }
        const int lastRow = sheets[size_t(named)].lastRow;
        if (lastRow > count) {
            finding(QStringLiteral("rows %1-%2 lie beyond the count of %3 and are never shown")
                        .arg(count + 1)
                        .arg(lastRow)
                        .arg(count));
        }
        const int shown = std::min(count, bank::maxBankRows);
        for (int r = 1; r <= shown; ++r) {
            const bank::CellContent question = cellAt(named, r, bank::questionColumn);
            const bank::CellContent answer = cellAt(named, r, bank::answerColumn);
            const QString where = QStringLiteral("row %1").arg(r);
            if (question.kind == bank::CellContent::Kind::Error) {
                finding(QStringLiteral("%1: the question is the error value %2")
                            .arg(where, bank::errorLiteral(question.error)));
            } else if (question.text.isEmpty()) {
                finding(QStringLiteral("%1: empty question").arg(where));
            }
            if (r == 1 && (isHeader(question.text, {u"题目", u"question"}) ||
                           isHeader(answer.text, {u"答案", u"answer"}))) {
                finding(QStringLiteral("%1: a header row (%2 | %3), not a question")
                            .arg(where, quotedCell(question.text), quotedCell(answer.text)));
                continue;
            }
            const QString letters = question.kind == bank::CellContent::Kind::Text
                                        ? optionLetters(question.text)
                                        : QString();
            if (question.kind != bank::CellContent::Kind::Error && !question.text.isEmpty() &&
                letters.isEmpty()) {
                finding(
                    QStringLiteral("%1: the question has no option lines (A．…, B．…)").arg(where));
            }
            if (answer.kind == bank::CellContent::Kind::Error) {
                finding(QStringLiteral("%1: the answer is the error value %2")
                            .arg(where, bank::errorLiteral(answer.error)));
            } else if (!bank::isAnswerLetter(answer.text)) {
                finding(QStringLiteral("%1: the answer %2 is not one of A to E, so no hand-in "
                                       "counts it right")
                            .arg(where, quotedCell(answer.text)));
            } else if (!letters.isEmpty() && !letters.contains(answer.text[0])) {
                finding(QStringLiteral("%1: the answer %2 names no option of the question (its "
                                       "options are %3)")
                            .arg(where, answer.text, optionRange(letters)));
            }
        }
        result.lines.append(
            QStringLiteral("%1: %2 questions, %3 findings").arg(label).arg(count).arg(findings));
    }
    if (file.isEmpty()) {
        return result;
    }
    if (const QString advice = renameSuggestion(file, sheets); !advice.isEmpty()) {
        result.lines.append(advice);
    }
    return result;
}

// A written cell as the reader gives it back.
bank::CellContent contentOf(const bank::CellValue& value) {
    bank::CellContent out;
    switch (value.kind) {
    case bank::CellValue::Kind::Blank:
        break;
    case bank::CellValue::Kind::Text:
        out.kind = bank::CellContent::Kind::Text;
        out.text = value.text;
        break;
    case bank::CellValue::Kind::Number:
        out.kind = bank::CellContent::Kind::Number;
        out.text = formatNumber(value.number);
        break;
    case bank::CellValue::Kind::Boolean:
        out.kind = bank::CellContent::Kind::Boolean;
        out.text = value.boolean ? QStringLiteral("True") : QStringLiteral("False");
        break;
    case bank::CellValue::Kind::Error:
        out.kind = bank::CellContent::Kind::Error;
        out.error = value.error;
        break;
    }
    return out;
}

} // namespace

int findWorksheet(const std::vector<bank::SheetInfo>& sheets, const QString& name) {
    for (size_t i = 0; i < sheets.size(); ++i) {
        if (sheets[i].kind == bank::SheetKind::Worksheet &&
            sheets[i].name.compare(name, Qt::CaseInsensitive) == 0) {
            return int(i);
        }
    }
    return -1;
}

BankCheck checkBanks(const bank::WorkbookData& book, const QString& file) {
    return check(
        book.sheets(),
        [&book](int sheet, int row, int column) { return book.cell(sheet, row, column); }, file);
}

BankCheck checkBanks(const bank::WorkbookSpec& spec) {
    std::vector<bank::SheetInfo> sheets;
    // The checked columns of every sheet, by (sheet, row, column); a later cell at the same place
    // replaces an earlier, as in the written file.
    QHash<quint64, bank::CellContent> cells;
    auto key = [](qint64 sheet, qint64 row, qint64 column) {
        return quint64(sheet) << 32 | quint64(row) << 8 | quint64(column);
    };
    for (size_t s = 0; s < spec.sheets.size(); ++s) {
        const bank::SheetSpec& sheet = spec.sheets[s];
        bank::SheetInfo info;
        info.name = sheet.name;
        info.kind = sheet.kind;
        for (const bank::CellSpec& c : sheet.cells) {
            info.firstRow = info.firstRow == 0 ? c.row : std::min(info.firstRow, c.row);
            info.lastRow = std::max(info.lastRow, c.row);
            if (c.column <= kCheckedColumns) {
                cells.insert(key(qint64(s), c.row, c.column), contentOf(c.value));
            }
        }
        if (info.firstRow > 0) {
            info.usedRows = info.lastRow - info.firstRow + 1;
        }
        sheets.push_back(std::move(info));
    }
    return check(
        sheets,
        [&](int sheet, int row, int column) {
            return cells.value(key(sheet, row, column), bank::CellContent{});
        },
        QString());
}

} // namespace tiku::import
