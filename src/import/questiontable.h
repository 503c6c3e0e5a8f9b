#pragma once

// Question tables: a sheet whose first non-empty row is a header naming a question column and an
// answer column (题目 | A | B | C | D | 答案, Question | Options | Answer, …), one question per row
// below it, turned into bank rows: column A the number, column B the stem with one line per
// option written "A．text", column C the answer letter.

#include "questionkinds.h"

#include "bank/writer.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace tiku::import {

struct QuestionTable {
    bank::SheetSpec sheet; // the bank rows, under the sheet's name
    int questions = 0;
    // Rows the bank cannot hold (多选, 判断, 填空, or such an answer, or no options), by sheet row.
    std::vector<OtherQuestion> others;
    // Header names that are none of the known ones: one line naming them all, or empty.
    QString unknownColumns;
};

// The question table the sheet holds, or nothing when its first non-empty row is no such header.
// `source` names the sheet in messages ("FILE" or "FILE, sheet NAME").
std::optional<QuestionTable> readQuestionTable(const bank::SheetSpec& sheet, const QString& source);

// A header name or answer as the rules compare it: full-width forms as half-width, blanks
// dropped, letter case folded.
QString foldedName(QStringView text);

// The letters A-E of the options a bank question's text lists, one option per line ("A．…",
// "B. …", also several on a line after blanks), in the order found.
QString optionLetters(QStringView question);

} // namespace tiku::import
