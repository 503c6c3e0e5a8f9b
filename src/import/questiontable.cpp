#include "questiontable.h"

#include "importerror.h"
#include "letters.h"
#include "quote.h"
#include "sheetbuilder.h"

#include "bank/workbook.h"
#include "core/convert.h"
#include "core/numbertext.h"

#include <algorithm>
#include <map>
#include <utility>

namespace tiku::import {

namespace {

enum class Role { None, Question, Answer, Option, Options, Number, Type, Known };

struct Column {
    Role role = Role::None;
    int letter = 0; // Role::Option: 0 for A … 4 for E
};

Column columnOf(const QString& name) {
    // The header names of each role, as foldedName gives them.
    static const std::pair<Role, QStringList> names[] = {
        {Role::Question, {"题目", "题干", "试题", "问题", "题目内容", "question", "stem"}},
        {Role::Options, {"选项", "options"}},
        {Role::Number, {"序号", "题号", "编号", "id"}},
        {Role::Type, {"题型", "类型"}},
        {Role::Known, {"难度", "分值", "章节", "知识点", "解析", "备注"}}};
    if (name == u"answer" || std::find(std::begin(answerWords), std::end(answerWords),
                                       QStringView(name)) != std::end(answerWords)) {
        return {Role::Answer};
    }
    for (const auto& [role, list] : names) {
        if (list.contains(name)) {
            return {role};
        }
    }
    // One column per option: A, 选项A, A选项, Option A (blanks already dropped).
    QStringView letter = name;
    if (letter.startsWith(u"选项")) {
        letter = letter.mid(2);
    } else if (letter.startsWith(u"option")) {
        letter = letter.mid(6);
    } else if (letter.endsWith(u"选项")) {
        letter.chop(2);
    }
    if (letter.size() == 1 && optionIndex(capitalLetter(letter[0])) >= 0) {
        return {Role::Option, optionIndex(capitalLetter(letter[0]))};
    }
    return {};
}

// What stands between options written in one cell, and between an answer's letters.
constexpr QStringView kSeparators = u",，;；";

// A cell's text as a table reads it.
QString textOf(const bank::CellValue& value) {
    switch (value.kind) {
    case bank::CellValue::Kind::Blank:
        return {};
    case bank::CellValue::Kind::Text:
        return value.text;
    case bank::CellValue::Kind::Number:
        return formatNumber(value.number);
    case bank::CellValue::Kind::Boolean:
        return value.boolean ? QStringLiteral("True") : QStringLiteral("False");
    case bank::CellValue::Kind::Error:
        return bank::errorLiteral(value.error);
    }
    return {};
}

// Whether a table reads the cell as there: blank text is no cell.
bool shows(const bank::CellSpec& cell) {
    return cell.value.kind == bank::CellValue::Kind::Text
               ? !QStringView(cell.value.text).trimmed().isEmpty()
               : cell.value.kind != bank::CellValue::Kind::Blank;
}

// The cells that show by row and column.
using Rows = std::map<int, std::map<int, QString>>;

// Puts the cell in its place; a later cell at the same place replaces an earlier.
void place(Rows& rows, const bank::CellSpec& cell) {
    if (shows(cell)) {
        rows[cell.row][cell.column] = textOf(cell.value);
    } else if (auto row = rows.find(cell.row); row != rows.end()) {
        row->second.erase(cell.column);
        if (row->second.empty()) {
            rows.erase(row);
        }
    }
}

// The options of one cell: "A.x, B.y", "A、x；B、y", or one per line without letters.
QStringList splitOptions(const QString& text) {
    // Where each option's letter stands: the next letter in order, at the start or after a blank,
    // a line break or a separator, followed by its point.
    std::vector<qsizetype> starts;
    for (qsizetype i = 0; i + 1 < text.size() && starts.size() < 5; ++i) {
        if (optionIndex(text[i]) == int(starts.size()) && optionMarkEnd(text, i) > 0 &&
            (i == 0 || text[i - 1].isSpace() || kSeparators.contains(text[i - 1]))) {
            starts.push_back(i);
        }
    }
    QStringList out;
    if (starts.empty()) {
        for (const QString& line : text.split(u'\n')) {
            if (!line.trimmed().isEmpty()) {
                out.append(line.trimmed());
            }
        }
        return out;
    }
    for (size_t k = 0; k < starts.size(); ++k) {
        const qsizetype from = optionMarkEnd(text, starts[k]);
        const qsizetype to = k + 1 < starts.size() ? starts[k + 1] : text.size();
        QString option = text.mid(from, to - from).trimmed();
        while (!option.isEmpty() && kSeparators.contains(option.back())) {
            option.chop(1);
            option = option.trimmed();
        }
        out.append(option);
    }
    return out;
}

// What an answer says about the question's kind, or nothing for one letter (or anything else,
// which the bank check then names).
std::optional<OtherKind> answerKind(const QString& folded) {
    if (std::any_of(std::begin(trueFalseWords), std::end(trueFalseWords),
                    [&](const TrueFalseWord& w) { return w.word == folded; })) {
        return OtherKind::TrueFalse;
    }
    int letters = 0;
    for (const QChar c : folded) {
        if (optionIndex(c) >= 0) {
            ++letters;
        } else if (c != u'、' && !kSeparators.contains(c)) {
            return std::nullopt;
        }
    }
    return letters > 1 ? std::optional(OtherKind::MultipleAnswer) : std::nullopt;
}

} // namespace

QString foldedName(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c.unicode() >= 0xFF01 && c.unicode() <= 0xFF5E) {
            c = QChar(char16_t(c.unicode() - 0xFEE0));
        }
        if (!c.isSpace()) {
            out.append(c);
        }
    }
    return out.toCaseFolded();
}

QString optionLetters(QStringView question) {
    QString letters;
    for (QStringView line : question.split(u'\n')) {
        line = line.trimmed();
        if (optionMarkEnd(line, 0) < 0) {
            continue;
        }
        for (qsizetype i = 0; i + 1 < line.size(); ++i) {
            if ((i == 0 || line[i - 1].isSpace()) && optionMarkEnd(line, i) > 0) {
                letters.append(optionLetter(optionIndex(line[i])));
            }
        }
    }
    return letters;
}

std::optional<QuestionTable> readQuestionTable(const bank::SheetSpec& sheet,
                                               const QString& source) {
    // The header row alone says whether the sheet is a table, so the other rows are read only
    // for a table. No row above the topmost cell that shows anything holds text: that cell's row
    // is the header, unless later cells blank it (then every row is read to find it).
    const auto filled = std::find_if(sheet.cells.cbegin(), sheet.cells.cend(), shows);
    if (filled == sheet.cells.cend()) {
        return std::nullopt;
    }
    int first = filled->row;
    for (auto it = filled; it != sheet.cells.cend(); ++it) {
        if (it->row < first && shows(*it)) {
            first = it->row;
        }
    }
    Rows rows;
    for (const bank::CellSpec& cell : sheet.cells) {
        if (cell.row == first) {
            place(rows, cell);
        }
    }
    if (rows.empty()) {
        for (const bank::CellSpec& cell : sheet.cells) {
            place(rows, cell);
        }
        if (rows.empty()) {
            return std::nullopt;
        }
    }
    const int headerRow = rows.begin()->first;
    std::map<int, Column> columns;
    bool hasQuestion = false;
    bool hasAnswer = false;
    QStringList unknown;
    for (const auto& [c, name] : rows.begin()->second) {
        const Column column = columnOf(foldedName(name));
        hasQuestion = hasQuestion || column.role == Role::Question;
        hasAnswer = hasAnswer || column.role == Role::Answer;
        if (column.role == Role::None) {
            unknown.append(
                QStringLiteral("%1 (column %2)").arg(quotedCell(name), columnLetters(c)));
        }
        columns[c] = column;
    }
    if (!hasQuestion || !hasAnswer) {
        return std::nullopt;
    }
    QuestionTable table;
    table.sheet.name = sheet.name;
    if (!unknown.isEmpty()) {
        table.unknownColumns =
            QStringLiteral("%1: the column%2 %3 of the question table %4 none of the known "
                           "headers and left out")
                .arg(source, unknown.size() == 1 ? QString() : QStringLiteral("s"),
                     unknown.join(QStringLiteral(", ")),
                     unknown.size() == 1 ? QStringLiteral("is") : QStringLiteral("are"));
    }
    rows.clear();
    for (const bank::CellSpec& cell : sheet.cells) {
        if (cell.row > headerRow) {
            place(rows, cell);
        }
    }
    for (const auto& [r, cells] : rows) {
        QString stem, answer, number, type;
        QString options[bank::answerCount];
        QStringList listed;
        for (const auto& [c, text] : cells) {
            const auto found = columns.find(c);
            if (found == columns.end()) {
                continue;
            }
            switch (found->second.role) {
            case Role::Question:
                stem = stem.isEmpty() ? text : stem;
                break;
            case Role::Answer:
                answer = answer.isEmpty() ? text : answer;
                break;
            case Role::Option:
                options[found->second.letter] = text.trimmed();
                break;
            case Role::Options:
                listed += splitOptions(text);
                break;
            case Role::Number:
                number = number.isEmpty() ? text.trimmed() : number;
                break;
            case Role::Type:
                type += text;
                break;
            case Role::Known:
            case Role::None:
                break;
            }
        }
        for (const QString& option : options) {
            if (!option.isEmpty()) {
                listed.append(option);
            }
        }
        const QString folded = foldedName(answer).toUpper();
        std::optional<OtherKind> other;
        if (type.contains(u"多选")) {
            other = OtherKind::MultipleAnswer;
        } else if (type.contains(u"判断")) {
            other = OtherKind::TrueFalse;
        } else if (type.contains(u"填空")) {
            other = OtherKind::NoOptions;
        } else if (const auto kind = answerKind(folded)) {
            other = kind;
        } else if (listed.isEmpty()) {
            other = OtherKind::NoOptions;
        }
        if (other) {
            table.others.push_back({*other, source, r});
            continue;
        }
        QString text = stem.trimmed();
        // More options than letters A-E cannot be asked; the sixth on stay as they are.
        for (qsizetype k = 0; k < listed.size(); ++k) {
            text += k < bank::answerCount
                        ? QStringLiteral("\n%1．%2").arg(optionLetter(int(k)), listed[k])
                        : QStringLiteral("\n") + listed[k];
        }
        if (text.size() > kMaxTextLength) {
            throw ImportError(QStringLiteral("%1: row %2: the question with its options is longer "
                                             "than %3 characters")
                                  .arg(source)
                                  .arg(r)
                                  .arg(kMaxTextLength));
        }
        const int row = ++table.questions;
        bool numeric = false;
        const double value = number.toDouble(&numeric);
        table.sheet.cells.push_back({row, 1,
                                     number.isEmpty() ? bank::CellValue::ofNumber(row)
                                     : numeric        ? bank::CellValue::ofNumber(value)
                                                      : bank::CellValue::ofText(number)});
        table.sheet.cells.push_back({row, bank::questionColumn, bank::CellValue::ofText(text)});
        if (!folded.isEmpty()) {
            table.sheet.cells.push_back({row, bank::answerColumn, bank::CellValue::ofText(folded)});
        }
    }
    return table;
}

} // namespace tiku::import
