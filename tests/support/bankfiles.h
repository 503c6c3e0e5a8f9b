#pragma once

// Question banks for the tests, made by the engine's own writer.

#include "bank/writer.h"

#include <QString>

#include <vector>

namespace tiku::testing {

struct Question {
    QString text;   // column 2
    QString answer; // column 3
};

// n questions "第k题…" with answers cycling A to E; prefix tells the banks apart.
std::vector<Question> numberedQuestions(int n, const QString& prefix);

// A worksheet with question k in row k (columns 2 and 3).
bank::SheetSpec bankSheet(const QString& name, const std::vector<Question>& questions);

// Writes dir/dxt.xls with sheet1 and sheet2 holding the two banks; returns its path.
QString writeBank(const QString& dir, const std::vector<Question>& sheet1,
                  const std::vector<Question>& sheet2, const bank::WriteOptions& options = {});

// The folder of workbooks made by real spreadsheet applications, or empty when it is absent.
QString realFixturesDir();

} // namespace tiku::testing
