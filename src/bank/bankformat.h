#pragma once

// The question bank workbook: its file name in the program folder, its password, and which
// worksheet holds which bank.

#include <QString>

namespace tiku::bank {

inline QString bankFileName() {
    return QStringLiteral("dxt.xls");
}
inline QString bankPassword() {
    return QStringLiteral("qmpzrtv58204617");
}

// 人文 is worksheet sheet1, counted as the first sheet; 临床 is sheet2, the second.
inline QString bankSheetName(bool firstBank) {
    return firstBank ? QStringLiteral("sheet1") : QStringLiteral("sheet2");
}
inline int bankSheetPosition(bool firstBank) {
    return firstBank ? 1 : 2;
}

// Column 2 holds the question with its options, column 3 the answer letter.
inline constexpr int questionColumn = 2;
inline constexpr int answerColumn = 3;

// The test screen holds question numbers as 16-bit integers.
inline constexpr int maxBankRows = 32767;

} // namespace tiku::bank
