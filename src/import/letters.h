#pragma once

// Option letters, their marks and answer words, as question lists and question tables write
// them: one reading for the importers and the bank check.

#include "core/bankrules.h"

#include <QChar>
#include <QStringView>

namespace tiku::import {

// A digit 0-9, half- or full-width, as its value; else -1.
inline int digitValue(QChar c) {
    if (c >= u'0' && c <= u'9') {
        return c.unicode() - u'0';
    }
    if (c.unicode() >= 0xFF10 && c.unicode() <= 0xFF19) {
        return c.unicode() - 0xFF10;
    }
    return -1;
}

// A letter A-Z or a-z, half- or full-width, as its capital; 0 when none.
inline char16_t capitalLetter(QChar c) {
    char16_t u = c.unicode();
    if (u >= 0xFF21 && u <= 0xFF3A) {
        u = char16_t(u - 0xFF21 + u'A');
    } else if (u >= 0xFF41 && u <= 0xFF5A) {
        u = char16_t(u - 0xFF41 + u'a');
    }
    if (u >= u'a' && u <= u'z') {
        u = char16_t(u - u'a' + u'A');
    }
    return u >= u'A' && u <= u'Z' ? u : 0;
}

// An option letter A-E, half- or full-width: 0 to 4, else -1.
inline int optionIndex(QChar c) {
    const char16_t u = c.unicode();
    if (u >= bank::firstAnswerLetter && u <= bank::lastAnswerLetter) {
        return u - bank::firstAnswerLetter;
    }
    const char16_t fullWidthFirst = 0xFF21 + (bank::firstAnswerLetter - u'A');
    if (u >= fullWidthFirst && u < fullWidthFirst + bank::answerCount) {
        return u - fullWidthFirst;
    }
    return -1;
}

// The mark after a question's number: . ． 、 ) ）
inline bool isNumberMark(QChar c) {
    return c == u'.' || c == u'．' || c == u'、' || c == u')' || c == u'）';
}

// The mark after an option's letter: a number's mark or : ：
inline bool isOptionMark(QChar c) {
    return isNumberMark(c) || c == u':' || c == u'：';
}

// Past the option letter at i and its mark ("A．", "A .", "Ａ："), or -1.
inline qsizetype optionMarkEnd(QStringView s, qsizetype i) {
    if (i < 0 || i >= s.size() || optionIndex(s[i]) < 0) {
        return -1;
    }
    qsizetype j = i + 1;
    for (int blanks = 0; j < s.size() && blanks < 2 && s[j].isSpace(); ++blanks) {
        ++j;
    }
    return j < s.size() && isOptionMark(s[j]) ? j + 1 : -1;
}

// The words of a true/false answer: 对/错 and the marks written for them.
struct TrueFalseWord {
    QStringView word;
    bool value;
};
inline constexpr TrueFalseWord trueFalseWords[] = {
    {u"正确", true}, {u"错误", false}, {u"对", true}, {u"错", false}, {u"√", true},
    {u"✓", true},    {u"✔", true},     {u"×", false}, {u"✗", false},  {u"✘", false}};

// The words that name an answer: an answer line's start, an answer key's title, a question
// table's answer column.
inline constexpr QStringView answerWords[] = {u"参考答案", u"标准答案", u"正确答案", u"答案"};

} // namespace tiku::import
