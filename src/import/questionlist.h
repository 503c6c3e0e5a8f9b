#pragma once

// A typed question list ("1．题干（　　）", "A．…", "答案：C") as a bank worksheet: the k-th
// question in row k, its number in column A, the question with its options in column B, the
// answer letter in column C.

#include "bank/writer.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace tiku::import {

struct QuestionList {
    bank::SheetSpec sheet;
    int questions = 0;
    // What could not be taken, one line each as "FILE:LINE: what"; when any, no bank is made.
    QStringList findings;
    // Lines left out (before the first question, headings, explanations after an answer), as
    // "FILE:LINE: left out (why): text".
    QStringList leftOut;
};

// lines[i] is line i + 1 of file.
QuestionList parseQuestionList(const QStringList& lines, const QString& file,
                               const QString& sheetName);

} // namespace tiku::import
