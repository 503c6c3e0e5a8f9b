#pragma once

// The question bank workbook: its file name in the program folder, its password, which
// worksheet holds which bank, and the limits of the workbook format and of the reader.

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

// A BIFF8 worksheet: rows and columns, and the characters of one cell's text.
inline constexpr int maxSheetRows = 65536;
inline constexpr int maxSheetColumns = 256;
inline constexpr int maxTextLength = 32767;
// A sheet name: 1 to 31 characters, none of these.
inline constexpr int maxSheetNameLength = 31;
inline constexpr char16_t sheetNameForbidden[] = u"[]:*?/\\";

// What the reader takes: a bank of 32,767 questions of a few hundred characters in each of two
// sheets is some tens of MB; larger files and sheet floods are refused before they cost time
// and memory.
inline constexpr qint64 maxWorkbookBytes = qint64(128) << 20;
inline constexpr int maxWorkbookBytesMb = 128;
inline constexpr int maxSheets = 10000;

} // namespace tiku::bank
