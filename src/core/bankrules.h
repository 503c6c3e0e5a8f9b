#pragma once

// The question bank's rules that the screens, their rules, the session and the bank tool all
// follow: the bank file and its password, which worksheet holds which bank, the columns, the
// answer letters and the sizes of a test paper.

#include <QString>

namespace tiku::bank {

inline QString bankFileName() {
    return QStringLiteral("dxt.xls");
}
inline QString bankPassword() {
    return QStringLiteral("qmpzrtv58204617");
}

// The two banks' captions, as the main menu shows them and the tool names them.
inline constexpr char firstBankCaption[] = "人文";
inline constexpr char secondBankCaption[] = "临床";
inline QString bankCaption(bool firstBank) {
    return QString::fromUtf8(firstBank ? firstBankCaption : secondBankCaption);
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

// A test paper draws from 5 to 100 questions.
inline constexpr int minPaperQuestions = 5;
inline constexpr int maxPaperQuestions = 100;

// The answers: one capital letter, A for the first option to E for the fifth.
inline constexpr int answerCount = 5;
inline constexpr char16_t firstAnswerLetter = u'A';
inline constexpr char16_t lastAnswerLetter = firstAnswerLetter + answerCount - 1;
// The letters as the test screen labels its options.
inline constexpr const char* answerLetterCaptions[answerCount] = {"A", "B", "C", "D", "E"};
constexpr bool captionsAreTheLetters() {
    for (int i = 0; i < answerCount; ++i) {
        const char* c = answerLetterCaptions[i];
        if (c[0] != char(firstAnswerLetter + i) || c[1] != 0) {
            return false;
        }
    }
    return true;
}
static_assert(captionsAreTheLetters());

// Whether the text is exactly one answer letter.
inline bool isAnswerLetter(const QString& text) {
    return text.size() == 1 && text[0] >= QChar(firstAnswerLetter) &&
           text[0] <= QChar(lastAnswerLetter);
}

} // namespace tiku::bank
