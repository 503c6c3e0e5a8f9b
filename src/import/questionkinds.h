#pragma once

// Questions a bank cannot hold, as the readers of question lists and question tables find them:
// the program asks single-choice questions with one answer letter among the options.

#include <QString>
#include <QStringList>

#include <vector>

namespace tiku::import {

enum class OtherKind {
    MultipleAnswer, // more than one answer letter (多选)
    TrueFalse,      // 对/错, √/×, 正确/错误 (判断)
    NoOptions,      // no options to choose from (填空, 简答, …)
};

// One such question: the file and the line (or table row) where it begins.
struct OtherQuestion {
    OtherKind kind;
    QString file;
    qint64 line = 0;
};

// How a summary names the kind: "multiple-answer", "true/false", "without options".
QString otherKindName(OtherKind kind);

// One line per kind present, in the order of OtherKind: the count and the first few line numbers,
// "FILE: 3 multiple-answer questions (lines 12, 40, 77)". When `leftOut` the lines say the
// questions were left out; otherwise each ends with the hint to give --single-only.
QStringList otherQuestionSummary(const std::vector<OtherQuestion>& others, bool leftOut);

} // namespace tiku::import
