#include "questionlist.h"

#include "importerror.h"

#include "core/bankrules.h"

#include <optional>

namespace tiku::import {

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\u3000' || c == u'\u00A0' || c.isSpace();
}

QStringView trimBlanks(QStringView s) {
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && isBlank(s[b])) {
        ++b;
    }
    while (e > b && isBlank(s[e - 1])) {
        --e;
    }
    return s.mid(b, e - b);
}

int digitValue(QChar c) {
    if (c >= u'0' && c <= u'9') {
        return c.unicode() - u'0';
    }
    if (c.unicode() >= 0xFF10 && c.unicode() <= 0xFF19) {
        return c.unicode() - 0xFF10;
    }
    return -1;
}

// A letter A-Z or a-z, half- or full-width, as its capital; 0 when none.
char16_t capitalLetter(QChar c) {
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
int optionIndex(QChar c) {
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

bool isNumberMark(QChar c) {
    return c == u'.' || c == u'．' || c == u'、' || c == u')' || c == u'）';
}

bool isOptionMark(QChar c) {
    return isNumberMark(c) || c == u':' || c == u'：';
}

struct Start {
    QString number; // half-width digits
    QString rest;
    bool decimal = false; // "2.5毫克": the mark is a point with a digit after it
};

// "12．…", "12、…", "12)…", "(12)…", "（12）…": a question's first line.
std::optional<Start> questionStart(QStringView line) {
    const QStringView s = trimBlanks(line);
    qsizetype i = 0;
    const bool bracketed = !s.isEmpty() && (s[0] == u'(' || s[0] == u'（');
    if (bracketed) {
        ++i;
    }
    QString number;
    while (i < s.size() && digitValue(s[i]) >= 0 && number.size() < 9) {
        number += QChar(char16_t(u'0' + digitValue(s[i])));
        ++i;
    }
    if (number.isEmpty() || i >= s.size()) {
        return std::nullopt;
    }
    const QChar mark = s[i];
    if (bracketed ? mark != u')' && mark != u'）' : !isNumberMark(mark)) {
        return std::nullopt;
    }
    const bool decimal = mark == u'.' && i + 1 < s.size() && digitValue(s[i + 1]) >= 0;
    return Start{number, trimBlanks(s.mid(i + 1)).toString(), decimal};
}

struct Option {
    int index = 0; // 0 for A
    QString text;  // as written, letter and mark included
};

// The options on a line that starts with one; empty when it does not.
std::vector<Option> optionsOnLine(QStringView line) {
    const QStringView s = trimBlanks(line);
    std::vector<Option> out;
    if (s.size() < 2 || optionIndex(s[0]) < 0 || !isOptionMark(s[1])) {
        return out;
    }
    int current = optionIndex(s[0]);
    qsizetype begin = 0;
    for (qsizetype i = 2; i + 1 < s.size(); ++i) {
        if (isBlank(s[i - 1]) && optionIndex(s[i]) == current + 1 && isOptionMark(s[i + 1])) {
            out.push_back({current, trimBlanks(s.mid(begin, i - begin)).toString()});
            begin = i;
            ++current;
        }
    }
    out.push_back({current, trimBlanks(s.mid(begin)).toString()});
    return out;
}

struct Answer {
    char16_t letter = 0; // when the line gives exactly one letter
    QString problem;     // else what is wrong with it
};

// "答案：C", "正确答案 C", "参考答案: Ｃ", "【答案】C".
std::optional<Answer> answerLine(QStringView line) {
    const QStringView s = trimBlanks(line);
    static const QString prefixes[] = {QStringLiteral("【答案】"), QStringLiteral("正确答案"),
                                       QStringLiteral("参考答案"), QStringLiteral("答案")};
    for (const QString& prefix : prefixes) {
        if (!s.startsWith(prefix)) {
            continue;
        }
        QStringView rest = trimBlanks(s.mid(prefix.size()));
        const bool colon = !rest.isEmpty() && (rest[0] == u':' || rest[0] == u'：');
        if (colon) {
            rest = trimBlanks(rest.mid(1));
        }
        if (!colon && prefix != prefixes[0] && (rest.isEmpty() || capitalLetter(rest[0]) == 0)) {
            return std::nullopt; // "答案是…": text, not an answer line
        }
        QString letters;
        bool onlyLetters = true;
        for (QChar c : rest) {
            if (capitalLetter(c) != 0) {
                letters += QChar(capitalLetter(c));
            } else if (!isBlank(c) && c != u',' && c != u'，' && c != u'、') {
                onlyLetters = false;
            }
        }
        Answer a;
        if (onlyLetters && letters.size() == 1) {
            a.letter = letters[0].unicode();
        } else if (onlyLetters && letters.size() > 1) {
            a.problem = QStringLiteral("the answer \"%1\" is more than one letter").arg(rest);
        } else if (rest.isEmpty()) {
            a.problem = QStringLiteral("an answer line without its letter");
        } else {
            a.problem = QStringLiteral("the answer \"%1\" is not a letter").arg(rest);
        }
        return a;
    }
    return std::nullopt;
}

// "一、", "二．", "十一、": a heading between questions.
bool isHeading(QStringView line) {
    static const QString numerals = QStringLiteral("一二三四五六七八九十");
    const QStringView s = trimBlanks(line);
    qsizetype i = 0;
    while (i < s.size() && i < 3 && numerals.contains(s[i])) {
        ++i;
    }
    return i > 0 && i < s.size() && (s[i] == u'、' || s[i] == u'．');
}

// The single letter inside the text's last bracket pair, and the text with that pair blanked.
std::optional<std::pair<char16_t, QString>> bracketAnswer(const QString& text) {
    const qsizetype open = std::max(text.lastIndexOf(u'（'), text.lastIndexOf(u'('));
    if (open < 0) {
        return std::nullopt;
    }
    qsizetype close = open + 1;
    while (close < text.size() && text[close] != u'）' && text[close] != u')') {
        ++close;
    }
    if (close >= text.size()) {
        return std::nullopt;
    }
    const QStringView inside = trimBlanks(QStringView(text).mid(open + 1, close - open - 1));
    if (inside.size() != 1 || optionIndex(inside[0]) < 0) {
        return std::nullopt;
    }
    QString blanked = text;
    blanked.replace(open, close - open + 1, QStringLiteral("（\u3000\u3000）"));
    return std::pair{char16_t(u'A' + optionIndex(inside[0])), blanked};
}

struct Question {
    int line = 0;
    QString number;
    QString text;
    std::vector<Option> options;
    int lastOptionLine = 0;
    char16_t answer = 0;
    bool answerGiven = false;
    QStringList findings;
};

class Parser {
public:
    Parser(const QString& file, const QString& sheetName) : file_(file) {
        result_.sheet.name = sheetName;
    }

    void line(int number, QStringView text) {
        lineNo_ = number;
        if (trimBlanks(text).isEmpty()) {
            return;
        }
        if (const auto start = questionStart(text); start && startsQuestion(*start)) {
            finish();
            current_ = Question{number, start->number, start->rest, {}, 0, 0, false, {}};
            state_ = State::Text;
            return;
        }
        if (isHeading(text)) {
            finish();
            leaveOut(text, QStringLiteral("heading"));
            state_ = State::Between;
            return;
        }
        switch (state_) {
        case State::Before:
            leaveOut(text, QStringLiteral("before the first question"));
            return;
        case State::Between:
            leaveOut(text, QStringLiteral("between questions"));
            return;
        case State::AfterAnswer:
            leaveOut(text, QStringLiteral("after the answer"));
            return;
        case State::Text:
        case State::Options:
            break;
        }
        if (const auto answer = answerLine(text)) {
            current_->answerGiven = true;
            current_->answer = answer->letter;
            if (!answer->problem.isEmpty()) {
                finding(answer->problem);
            }
            state_ = State::AfterAnswer;
            return;
        }
        std::vector<Option> options = optionsOnLine(text);
        if (!options.empty()) {
            for (Option& o : options) {
                const int expected = int(current_->options.size());
                if (o.index != expected) {
                    finding(QStringLiteral("option %1 comes where %2 belongs: options out of "
                                           "order or repeated")
                                .arg(QChar(char16_t(u'A' + o.index)))
                                .arg(QChar(char16_t(u'A' + std::min(expected, 25)))));
                }
                current_->options.push_back(std::move(o));
            }
            state_ = State::Options;
            return;
        }
        QString& target = state_ == State::Text ? current_->text : current_->options.back().text;
        target += u'\n';
        target += trimBlanks(text);
    }

    QuestionList result() {
        finish();
        return std::move(result_);
    }

private:
    enum class State { Before, Text, Options, AfterAnswer, Between };

    // A line such as "2.5毫克" may be a question ("2." then "5毫克", or "1.2019年…") or a dose
    // that continues the question being read. It starts a question where no question is being
    // read or the one read has its answer line, and after two or more options when its number
    // is the next one; else it continues the text or the last option.
    bool startsQuestion(const Start& start) const {
        if (!start.decimal) {
            return true;
        }
        switch (state_) {
        case State::Before:
        case State::Between:
        case State::AfterAnswer:
            return true;
        case State::Text:
            return false;
        case State::Options:
            return current_->options.size() >= 2 &&
                   start.number.toLongLong() == current_->number.toLongLong() + 1;
        }
        return true;
    }

    void leaveOut(QStringView text, const QString& why) {
        result_.leftOut.append(QStringLiteral("%1:%2: left out (%3): %4")
                                   .arg(file_)
                                   .arg(lineNo_)
                                   .arg(why, trimBlanks(text)));
    }

    void finding(const QString& what) {
        result_.findings.append(QStringLiteral("%1:%2: %3").arg(file_).arg(lineNo_).arg(what));
    }

    // Ends the question being read: checks it and writes its row.
    void finish() {
        if (!current_) {
            return;
        }
        Question q = std::move(*current_);
        current_.reset();
        auto fail = [&](const QString& what) {
            result_.findings.append(
                QStringLiteral("%1:%2: question %3 %4").arg(file_).arg(q.line).arg(q.number, what));
        };
        if (!q.answerGiven) {
            if (const auto bracket = bracketAnswer(q.text)) {
                q.answer = bracket->first;
                q.text = bracket->second;
            } else {
                fail(QStringLiteral("has no answer (no 答案 line, and no letter in its last "
                                    "brackets)"));
            }
        }
        if (q.options.size() < 2) {
            fail(QStringLiteral("has %1 option(s), fewer than two").arg(q.options.size()));
        } else if (q.answer != 0 && q.answer - u'A' >= int(q.options.size())) {
            fail(QStringLiteral("has the answer %1, which is not one of its options A-%2")
                     .arg(QChar(q.answer))
                     .arg(QChar(char16_t(u'A' + q.options.size() - 1))));
        }
        QString cell = q.text;
        for (const Option& o : q.options) {
            cell += u'\n';
            cell += o.text;
        }
        if (cell.size() > kMaxTextLength) {
            fail(QStringLiteral("is %1 characters long, more than the %2 a cell holds")
                     .arg(cell.size())
                     .arg(kMaxTextLength));
        }
        const int row = ++result_.questions;
        if (row > kMaxRows) {
            if (row == kMaxRows + 1) {
                fail(QStringLiteral("is past the %1 questions a worksheet holds").arg(kMaxRows));
            }
            return;
        }
        auto& cells = result_.sheet.cells;
        cells.push_back({row, 1, bank::CellValue::ofNumber(q.number.toDouble())});
        cells.push_back({row, 2, bank::CellValue::ofText(cell)});
        if (q.answer != 0) {
            cells.push_back({row, 3, bank::CellValue::ofText(QString(QChar(q.answer)))});
        }
    }

    QString file_;
    QuestionList result_;
    std::optional<Question> current_;
    State state_ = State::Before;
    int lineNo_ = 0;
};

} // namespace

QuestionList parseQuestionList(const QStringList& lines, const QString& file,
                               const QString& sheetName) {
    Parser parser(file, sheetName);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        parser.line(int(i + 1), lines[i]);
    }
    QuestionList out = parser.result();
    if (out.questions == 0 && out.findings.isEmpty()) {
        out.findings.append(QStringLiteral("%1: no question found (a question starts with its "
                                           "number, such as \"1．\")")
                                .arg(file));
    }
    return out;
}

} // namespace tiku::import
