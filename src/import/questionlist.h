#pragma once

// A typed question list ("1．题干（　　）", "A．…", "答案：C", answer keys after the questions,
// shared case texts and options, Markdown task lists) as a bank worksheet: the k-th
// single-choice question in row k, its number in column A, the question with its options in
// column B, the answer letter in column C. Questions a bank cannot hold (several answer letters,
// true/false, no options) are listed apart.

#include "bank/writer.h"
#include "questionkinds.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>
#include <vector>

namespace tiku::import {

enum class ListSyntax {
    Text,     // .txt, .docx
    Markdown, // .md: heading, emphasis and list markers ignored; task lists give options
};

struct QuestionList {
    bank::SheetSpec sheet;
    int questions = 0; // rows written
    // What could not be taken, one line each as "FILE:LINE: what", in line order; when any, no
    // bank is made. At most kMaxListedFindings, then one line counting the rest.
    QStringList findings;
    // The questions that are not single-choice, in their order; they take no row.
    std::vector<OtherQuestion> others;
    // Lines left out (before the first question, headings, explanations after an answer):
    // all counted, the first kMaxListedLeftOut listed as "FILE:LINE: left out (why): "text"".
    qint64 leftOutCount = 0;
    QStringList leftOut;
};

inline constexpr int kMaxListedFindings = 1000;
inline constexpr int kMaxListedLeftOut = 1000;

// Reads a list line by line, holding only the questions read so far.
class QuestionListParser {
public:
    QuestionListParser(const QString& file, const QString& sheetName,
                       ListSyntax syntax = ListSyntax::Text);
    ~QuestionListParser();
    QuestionListParser(const QuestionListParser&) = delete;
    QuestionListParser& operator=(const QuestionListParser&) = delete;

    // The next line (the first call gives line 1). hidden: the line holds text hidden in Word;
    // a message about it says so, since the author may not see what it quotes.
    void addLine(QStringView line, bool hidden = false);
    // The result; call once, after the last line.
    QuestionList finish();

private:
    class Impl;
    std::unique_ptr<Impl> d_;
};

// lines[i] is line i + 1 of file; hiddenLines, ascending, the lines that hold hidden text.
QuestionList parseQuestionList(const QStringList& lines, const QString& file,
                               const QString& sheetName, ListSyntax syntax = ListSyntax::Text,
                               const std::vector<int>& hiddenLines = {});

// The lines of a text (split as splitLines splits them), without a copy of each line.
QuestionList parseQuestionText(QStringView text, const QString& file, const QString& sheetName,
                               ListSyntax syntax = ListSyntax::Text);

} // namespace tiku::import
