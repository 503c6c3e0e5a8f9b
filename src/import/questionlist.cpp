#include "questionlist.h"

#include "importerror.h"
#include "letters.h"
#include "quote.h"
#include "textlines.h"

#include "core/bankrules.h"
#include "core/convert.h"

#include <QHash>

#include <algorithm>
#include <map>
#include <optional>
#include <utility>

namespace tiku::import {

namespace {

qsizetype skipBlanks(QStringView s, qsizetype i) {
    while (i < s.size() && s[i].isSpace()) {
        ++i;
    }
    return i;
}

// The number of at most 9 digits at i, as half-width digits; i moved past it. Empty when none.
QString digitsAt(QStringView s, qsizetype& i) {
    QString number;
    qsizetype j = i;
    while (j < s.size() && digitValue(s[j]) >= 0) {
        if (number.size() == 9) {
            return {};
        }
        number += QChar(char16_t(u'0' + digitValue(s[j])));
        ++j;
    }
    i = j;
    return number;
}

bool isRangeMark(QChar c) {
    return c == u'-' || c == u'－' || c == u'～' || c == u'~' || c == u'〜' || c == u'—' ||
           c == u'–' || c == u'‐' || c == u'至';
}

// 对/错 and the like at i: 1 for true, 0 for false, -1 for none; length set to its characters.
int trueFalseAt(QStringView s, qsizetype i, qsizetype& length) {
    for (const auto& [word, value] : trueFalseWords) {
        if (s.mid(i).startsWith(word)) {
            length = word.size();
            return value ? 1 : 0;
        }
    }
    return -1;
}

// An answer as a list, a key or a bracket gives it: letters, or true/false.
struct AnswerValue {
    QString letters;
    int trueFalse = -1;
};

QString answerText(const AnswerValue& a) {
    return a.trueFalse >= 0 ? QString(a.trueFalse ? u'对' : u'错') : a.letters;
}

// The whole text as an answer: letters (with blanks, commas or 、 between them) or one true/false
// word, ending with a full stop if you like.
std::optional<AnswerValue> answerValue(QStringView text) {
    QStringView s = text.trimmed();
    while (!s.isEmpty() && (s.back() == u'。' || s.back() == u'.' || s.back() == u'．')) {
        s.chop(1);
    }
    s = s.trimmed();
    if (s.isEmpty()) {
        return std::nullopt;
    }
    qsizetype length = 0;
    if (const int tf = trueFalseAt(s, 0, length); tf >= 0 && length == s.size()) {
        return AnswerValue{{}, tf};
    }
    AnswerValue a;
    for (QChar c : s) {
        if (capitalLetter(c) != 0) {
            a.letters += QChar(capitalLetter(c));
        } else if (!c.isSpace() && c != u',' && c != u'，' && c != u'、') {
            return std::nullopt;
        }
    }
    return a;
}

struct Start {
    QString number; // half-width digits
    QString rest;
    bool decimal = false; // "2.5毫克": the mark is a point with a digit after it
};

// "12．…", "12 ．…", "12、…", "12)…", "(12)…", "（12）…": a question's first line.
std::optional<Start> questionStart(QStringView line) {
    const QStringView s = line.trimmed();
    qsizetype i = 0;
    const bool bracketed = !s.isEmpty() && (s[0] == u'(' || s[0] == u'（');
    if (bracketed) {
        ++i;
    }
    const QString number = digitsAt(s, i);
    i = skipBlanks(s, i);
    if (number.isEmpty() || i >= s.size()) {
        return std::nullopt;
    }
    const QChar mark = s[i];
    if (bracketed ? mark != u')' && mark != u'）' : !isNumberMark(mark)) {
        return std::nullopt;
    }
    const bool decimal = mark == u'.' && i + 1 < s.size() && digitValue(s[i + 1]) >= 0;
    return Start{number, s.mid(i + 1).trimmed().toString(), decimal};
}

struct Option {
    int index = 0; // 0 for A
    QString text;  // as written, letter and mark included
};

// The options on a line that starts with one; empty when it does not.
std::vector<Option> optionsOnLine(QStringView line) {
    const QStringView s = line.trimmed();
    std::vector<Option> out;
    if (optionMarkEnd(s, 0) < 0) {
        return out;
    }
    int current = optionIndex(s[0]);
    qsizetype begin = 0;
    for (qsizetype i = 2; i + 1 < s.size(); ++i) {
        if (s[i - 1].isSpace() && optionIndex(s[i]) == current + 1 && optionMarkEnd(s, i) > 0) {
            out.push_back({current, s.mid(begin, i - begin).trimmed().toString()});
            begin = i;
            ++current;
        }
    }
    out.push_back({current, s.mid(begin).trimmed().toString()});
    return out;
}

struct Answer {
    AnswerValue value;
    QString problem; // when the line gives no answer
};

// "答案：C", "正确答案 C", "参考答案: Ｃ", "标准答案：B", "【答案】C", "答案：AB", "答案：对".
std::optional<Answer> answerLine(QStringView line) {
    const QStringView s = line.trimmed();
    static constexpr QStringView bracketed = u"【答案】";
    QStringView prefix;
    if (s.startsWith(bracketed)) {
        prefix = bracketed;
    } else {
        const auto word = std::find_if(std::begin(answerWords), std::end(answerWords),
                                       [&](QStringView w) { return s.startsWith(w); });
        if (word == std::end(answerWords)) {
            return std::nullopt;
        }
        prefix = *word;
    }
    QStringView rest = s.mid(prefix.size()).trimmed();
    const bool colon = !rest.isEmpty() && (rest[0] == u':' || rest[0] == u'：');
    if (colon) {
        rest = rest.mid(1).trimmed();
    }
    qsizetype length = 0;
    if (!colon && prefix != bracketed &&
        (rest.isEmpty() || (capitalLetter(rest[0]) == 0 && trueFalseAt(rest, 0, length) < 0))) {
        return std::nullopt; // "答案是…": text, not an answer line
    }
    Answer a;
    if (const auto value = answerValue(rest); value) {
        a.value = *value;
    } else if (rest.isEmpty()) {
        a.problem = QStringLiteral("an answer line without its letter");
    } else {
        a.problem =
            QStringLiteral("the answer %1 is not a letter").arg(quotedCell(rest.toString()));
    }
    return a;
}

const QString kNumerals = QStringLiteral("一二三四五六七八九十");

// "一、单项选择题（每题1分）", "二．判断题": a heading between questions; its name
// ("单项选择题"), by which an answer key's heading finds the questions' heading.
std::optional<QString> headingName(QStringView line) {
    const QStringView s = line.trimmed();
    qsizetype i = 0;
    while (i < s.size() && i < 3 && kNumerals.contains(s[i])) {
        ++i;
    }
    if (i == 0 || i >= s.size() || (s[i] != u'、' && s[i] != u'．')) {
        return std::nullopt;
    }
    QString name;
    for (QChar c : s.mid(i + 1)) {
        if (c == u'（' || c == u'(' || c == u'：' || c == u':' || c == u'，' || c == u',') {
            break;
        }
        if (!c.isSpace()) {
            name += c;
        }
    }
    return name;
}

// "第一章 …", "第1章", "第 3 部分": a chapter, after which question numbers start afresh. Past its
// end in i.
bool chapterAt(QStringView s, qsizetype& i) {
    qsizetype j = i;
    if (j >= s.size() || s[j] != u'第') {
        return false;
    }
    j = skipBlanks(s, j + 1);
    const qsizetype digits = j;
    while (j < s.size() && j - digits < 9 && (digitValue(s[j]) >= 0 || kNumerals.contains(s[j]))) {
        ++j;
    }
    if (j == digits) {
        return false;
    }
    j = skipBlanks(s, j);
    for (QStringView unit : {QStringView(u"章"), QStringView(u"部分"), QStringView(u"单元")}) {
        if (s.mid(j).startsWith(unit)) {
            i = j + unit.size();
            return true;
        }
    }
    return false;
}

// "解析", "【考点】", …: an explanation after the answer.
bool isExplanation(QStringView line) {
    QStringView s = line.trimmed();
    if (s.startsWith(u'【') || s.startsWith(u'[')) {
        s = s.mid(1);
    }
    static const QStringView words[] = {u"解析", u"答案解析", u"考点",   u"点评", u"分析", u"详解",
                                        u"提示", u"评析",     u"知识点", u"解题", u"注："};
    return std::any_of(std::begin(words), std::end(words),
                       [&](QStringView w) { return s.startsWith(w); });
}

struct KeyEntry {
    qint64 number = 0;
    AnswerValue answer;
};

// Key entries: "1.B 2、A 3 C 4D", "1-5 ABCDE", "6～10：√×√√×", "11.ABD". False when the text is
// something else; problem set when it is entries but a range's answers do not fit it.
bool keyEntries(QStringView s, std::vector<KeyEntry>& out, QString& problem) {
    qsizetype i = 0;
    auto skipSeparators = [&] {
        while (i < s.size() && (s[i].isSpace() || s[i] == u',' || s[i] == u'，' || s[i] == u';' ||
                                s[i] == u'；' || s[i] == u'、')) {
            ++i;
        }
    };
    skipSeparators();
    if (i >= s.size()) {
        return false;
    }
    while (i < s.size()) {
        const QString from = digitsAt(s, i);
        if (from.isEmpty()) {
            return false;
        }
        i = skipBlanks(s, i);
        QString to;
        if (i < s.size() && isRangeMark(s[i])) {
            i = skipBlanks(s, i + 1);
            to = digitsAt(s, i);
            if (to.isEmpty()) {
                return false;
            }
            i = skipBlanks(s, i);
        }
        if (i < s.size() && (isOptionMark(s[i]))) {
            i = skipBlanks(s, i + 1);
        }
        const qint64 a = from.toLongLong();
        if (to.isEmpty()) {
            AnswerValue value;
            qsizetype length = 0;
            while (i < s.size() && capitalLetter(s[i]) != 0) {
                value.letters += QChar(capitalLetter(s[i++]));
            }
            if (value.letters.isEmpty()) {
                value.trueFalse = trueFalseAt(s, i, length);
                if (value.trueFalse < 0) {
                    return false;
                }
                i += length;
            }
            out.push_back({a, value});
        } else {
            const qint64 b = to.toLongLong();
            if (b < a) {
                return false;
            }
            const qint64 wanted = b - a + 1;
            const size_t before = out.size();
            qint64 given = 0;
            for (;;) {
                const qsizetype j = skipBlanks(s, i);
                qsizetype length = 0;
                int tf = -1;
                if (j < s.size() && capitalLetter(s[j]) != 0) {
                    length = 1;
                } else if (j < s.size()) {
                    tf = trueFalseAt(s, j, length);
                }
                if (length == 0 || given == wanted) {
                    break;
                }
                out.push_back(
                    {a + given, tf >= 0 ? AnswerValue{{}, tf}
                                        : AnswerValue{QString(QChar(capitalLetter(s[j]))), -1}});
                ++given;
                i = j + length;
            }
            if (given == 0) {
                return false;
            }
            if (given != wanted || (i < s.size() && capitalLetter(s[i]) != 0)) {
                problem =
                    QStringLiteral("the answer key's range %1-%2 gives %3 answers, not %4")
                        .arg(a)
                        .arg(b)
                        .arg(given == wanted ? QStringLiteral("more") : QString::number(given))
                        .arg(wanted);
                while (i < s.size() && capitalLetter(s[i]) != 0) {
                    ++i;
                }
                out.resize(before); // which answer is whose is unknown: none is taken
            }
        }
        skipSeparators();
    }
    return true;
}

// The entries a line of an answer key gives, and the problem of a range among them.
struct KeyEntries {
    std::vector<KeyEntry> entries;
    QString problem;
};

// "参考答案", "【参考答案】", "第1章参考答案", "答案：" alone, or followed by key entries: the
// start of an answer key, with the entries on the line.
std::optional<KeyEntries> keyTitle(QStringView line) {
    const QStringView s = line.trimmed();
    qsizetype i = 0;
    const bool bracket = s.startsWith(u'【') || s.startsWith(u'[');
    if (bracket) {
        ++i;
    }
    chapterAt(s, i);
    i = skipBlanks(s, i);
    bool found = false;
    for (QStringView word : answerWords) {
        if (s.mid(i).startsWith(word)) {
            i += word.size();
            found = true;
            break;
        }
    }
    if (!found) {
        return std::nullopt;
    }
    if (s.mid(i).startsWith(u"如下")) {
        i += 2;
    }
    if (bracket && i < s.size() && (s[i] == u'】' || s[i] == u']')) {
        ++i;
    }
    i = skipBlanks(s, i);
    if (i < s.size() && (s[i] == u':' || s[i] == u'：')) {
        i = skipBlanks(s, i + 1);
    }
    const QStringView rest = s.mid(i);
    KeyEntries key;
    if (rest.isEmpty() ||
        (digitValue(rest[0]) >= 0 && keyEntries(rest, key.entries, key.problem))) {
        return key;
    }
    return std::nullopt;
}

struct Group {
    bool options = false; // 共用备选答案; else 共用题干
    qint64 from = 0;
    qint64 to = 0;
    int line = 0;
    QString text;
    std::vector<Option> choices;
    bool used = false; // a question of its numbers followed
};

// "（1～3题共用题干）", "(4-6题共用备选答案)": the header of an A3/A4 or B1 group; the text after
// it on the line in rest.
std::optional<Group> groupHeader(QStringView line, QString& rest) {
    const QStringView s = line.trimmed();
    qsizetype i = 0;
    if (s.startsWith(u'(') || s.startsWith(u'（') || s.startsWith(u'【') || s.startsWith(u'[')) {
        ++i;
    }
    i = skipBlanks(s, i);
    const QString from = digitsAt(s, i);
    i = skipBlanks(s, i);
    if (from.isEmpty() || i >= s.size() || !isRangeMark(s[i])) {
        return std::nullopt;
    }
    i = skipBlanks(s, i + 1);
    const QString to = digitsAt(s, i);
    i = skipBlanks(s, i);
    if (to.isEmpty() || !s.mid(i).startsWith(u'题')) {
        return std::nullopt;
    }
    i = skipBlanks(s, i + 1);
    Group g;
    if (s.mid(i).startsWith(u"共用题干")) {
        i += 4;
    } else if (s.mid(i).startsWith(u"共用备选答案")) {
        g.options = true;
        i += 6;
    } else {
        return std::nullopt;
    }
    if (i < s.size() && (s[i] == u')' || s[i] == u'）' || s[i] == u'】' || s[i] == u']')) {
        ++i;
    }
    g.from = from.toLongLong();
    g.to = to.toLongLong();
    rest = s.mid(i).trimmed().toString();
    return g;
}

// Nothing but blanks and closing punctuation: what may follow a stem's answer brackets.
bool endsStem(QStringView rest) {
    return std::all_of(rest.begin(), rest.end(), [](QChar c) {
        return c.isSpace() || QStringView(u"。．.？?：:；;").contains(c);
    });
}

// Every letter of the answer is one of the options' A-E.
bool optionLettersOnly(const AnswerValue& value) {
    return std::all_of(value.letters.cbegin(), value.letters.cend(),
                       [](QChar c) { return optionIndex(c) >= 0; });
}

// The answer in the text's last bracket pair ("（ B ）", "( AB )", "（√）") or just after it
// ("…（  ）D", "…( )  D。"), and the text with that pair blanked to "（　　）" and what
// followed it dropped.
std::optional<std::pair<AnswerValue, QString>> bracketAnswer(const QString& text) {
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
    const QStringView inside = QStringView(text).mid(open + 1, close - open - 1).trimmed();
    const QStringView after = QStringView(text).mid(close + 1);
    std::optional<AnswerValue> value;
    qsizetype end = close + 1;
    const QStringView afterText = after.trimmed();
    if (!inside.isEmpty() && inside.size() <= 5) {
        value = answerValue(inside);
        if (value && value->trueFalse < 0 && !optionLettersOnly(*value)) {
            value.reset(); // "（注）", "(mmHg)": words, not an answer
        } else if (value && value->letters.size() > 1 && !endsStem(after)) {
            value.reset(); // "抑制剂（ACE）的副作用": a name inside the wording
        }
    } else if (inside.isEmpty() && !afterText.isEmpty() && afterText.size() <= 6) {
        // letters only: "（　　）正确" is a question's wording
        value = answerValue(afterText);
        if (value && (value->trueFalse >= 0 || !optionLettersOnly(*value))) {
            value.reset();
        }
        end = text.size();
    }
    if (!value || (value->letters.isEmpty() && value->trueFalse < 0)) {
        return std::nullopt;
    }
    QString blanked = text;
    blanked.replace(open, end - open, QStringLiteral("（\u3000\u3000）"));
    return std::pair{*value, blanked};
}

// A line of a Markdown list, as the rules above read it.
struct MarkdownLine {
    QString text;
    int task = -1;        // a task list item: 1 checked, 0 not
    bool heading = false; // "# …"
    bool rule = false;    // "---": nothing
};

MarkdownLine markdownLine(QStringView raw) {
    MarkdownLine out;
    QStringView s = raw.trimmed();
    while (s.startsWith(u'>')) {
        s = s.mid(1).trimmed();
    }
    if (s.size() >= 3 && (s[0] == u'-' || s[0] == u'*' || s[0] == u'_') &&
        std::all_of(s.begin(), s.end(), [&](QChar c) { return c == s[0] || c.isSpace(); })) {
        out.rule = true;
        return out;
    }
    qsizetype hashes = 0;
    while (hashes < s.size() && s[hashes] == u'#') {
        ++hashes;
    }
    if (hashes > 0 && hashes <= 6 && (hashes == s.size() || s[hashes].isSpace())) {
        out.heading = true;
        s = s.mid(hashes).trimmed();
        while (s.endsWith(u'#')) {
            s.chop(1);
        }
        s = s.trimmed();
    } else if (s.size() >= 2 && (s[0] == u'-' || s[0] == u'*' || s[0] == u'+') && s[1].isSpace()) {
        s = s.mid(2).trimmed();
        if (s.size() >= 3 && s[0] == u'[' && s[2] == u']' &&
            (s[1] == u' ' || s[1] == u'x' || s[1] == u'X') && (s.size() == 3 || s[3].isSpace())) {
            out.task = s[1] == u' ' ? 0 : 1;
            s = s.mid(3).trimmed();
        }
    }
    QString t;
    t.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == u'\\' && i + 1 < s.size() && s[i + 1].unicode() < 0x80 && s[i + 1].isPunct()) {
            continue; // "1\." as Markdown escapes it
        }
        t += s[i];
    }
    t.remove(QStringLiteral("**"));
    qsizetype b = 0;
    while (b < t.size() && t[b] == u'*') {
        ++b;
    }
    qsizetype e = t.size();
    while (e > b && t[e - 1] == u'*') {
        --e;
    }
    t = t.mid(b, e - b);
    // "1.* 题干", "A、* 甲", "3. *A*": emphasis after the number's or letter's mark.
    for (qsizetype i = 0; i < std::min<qsizetype>(t.size(), 12); ++i) {
        if (isOptionMark(t[i]) || t[i] == u'】') {
            const qsizetype from = skipBlanks(t, i + 1);
            qsizetype to = from;
            while (to < t.size() && t[to] == u'*') {
                ++to;
            }
            t.remove(from, to - from);
            break;
        }
    }
    out.text = t.trimmed();
    return out;
}

struct Question {
    int line = 0;
    QString number;
    QString text;
    std::vector<Option> options;
    AnswerValue answer;
    bool answered = false;
    // The stem as written, when its answer is the letters of a bracket pair at its end, which may
    // as well be a name ("…抑制剂（ACE）"): a key entry of one letter keeps the name.
    QString bracketWording;
    QString answerProblem; // an answer line without an answer: reported for a question with options
    int answerLine = 0;
    bool inGroup = false; // one of the numbers of the group being read
    bool taskList = false;
};

// The questions of a range by their numbers, each number's questions in order, with the first
// not yet answered.
struct NumberIndex {
    struct Slot {
        std::vector<int> questions;
        size_t next = 0;
    };
    QHash<qint64, Slot> byNumber;
};

struct Range {
    int first = 0;
    int end = 0;
};

} // namespace

class QuestionListParser::Impl {
public:
    Impl(const QString& file, const QString& sheetName, ListSyntax syntax)
        : file_(file), syntax_(syntax) {
        result_.sheet.name = sheetName;
        sections_.push_back({});
    }

    void line(QStringView raw, bool hidden) {
        ++lineNo_;
        if (hidden) {
            hidden_.push_back(lineNo_);
        }
        if (full_) {
            return;
        }
        QString text;
        int task = -1;
        bool mdHeading = false;
        if (syntax_ == ListSyntax::Markdown) {
            MarkdownLine md = markdownLine(raw);
            if (md.rule || md.text.isEmpty()) {
                paragraphBreak_ = true;
                return;
            }
            text = std::move(md.text);
            task = md.task;
            mdHeading = md.heading;
        } else {
            text = raw.trimmed().toString();
            if (text.isEmpty()) {
                return;
            }
        }
        if (inKey_) {
            if (keyLine(text)) {
                return;
            }
            closeKey();
        }
        if (const auto title = keyTitle(text)) {
            closeQuestion();
            inKey_ = true;
            keySection_ = -1;
            takeKey(*title);
            return;
        }
        QString groupRest;
        if (auto group = groupHeader(text, groupRest)) {
            closeQuestion();
            flushPending();
            group->line = lineNo_;
            group->text = groupRest;
            endGroup();
            group_ = std::move(*group);
            state_ = group_->options ? State::GroupOptions : State::GroupText;
            return;
        }
        if (const auto start = questionStart(text); start && startsQuestion(*start)) {
            closeQuestion();
            flushPending();
            openQuestion(lineNo_, start->number, start->rest);
            return;
        }
        qsizetype chapterEnd = 0;
        if (chapterAt(text, chapterEnd)) {
            closeQuestion();
            newBlock();
            newSection({});
            endGroup();
            leaveOut(text, QStringLiteral("heading"));
            state_ = State::Between;
            return;
        }
        if (const auto name = headingName(text)) {
            closeQuestion();
            newSection(*name);
            endGroup();
            leaveOut(text, QStringLiteral("heading"));
            state_ = State::Between;
            return;
        }
        if (task >= 0) {
            taskItem(text, task == 1);
            return;
        }
        if (mdHeading && state_ != State::Text && state_ != State::GroupText) {
            closeQuestion();
            pend(text, QStringLiteral("heading"), true);
            return;
        }
        body(text);
    }

    QuestionList result() {
        if (inKey_) {
            closeKey();
        }
        closeQuestion();
        endGroup();
        flushPending();
        rows();
        std::stable_sort(findings_.begin(), findings_.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (auto& [line, what] : findings_) {
            result_.findings.append(std::move(what));
        }
        if (droppedFindings_ > 0) {
            result_.findings.append(
                QStringLiteral("%1: %2 more findings").arg(file_).arg(droppedFindings_));
        }
        if (result_.questions == 0 && result_.others.empty() && result_.findings.isEmpty()) {
            result_.findings.append(QStringLiteral("%1: no question found (a question starts "
                                                   "with its number, such as \"1．\")")
                                        .arg(file_));
        }
        return std::move(result_);
    }

private:
    enum class State {
        Before,
        Text,
        Options,
        AfterAnswer,
        Explanation,
        Between,
        GroupText,
        GroupOptions
    };

    // A line that is not a question's start, heading, key or group header.
    void body(const QString& text) {
        std::optional<Answer> answer;
        std::vector<Option> options;
        switch (state_) {
        case State::Before:
        case State::Between:
            if (syntax_ == ListSyntax::Markdown && !pending_.empty()) {
                answer = answerLine(text);
                options = optionsOnLine(text);
                if (answer || !options.empty()) {
                    questionFromPending();
                    if (full_) {
                        return;
                    }
                    break;
                }
            }
            pend(text, state_ == State::Before ? QStringLiteral("before the first question")
                                               : QStringLiteral("between questions"));
            return;
        case State::AfterAnswer:
        case State::Explanation:
            afterAnswer(text);
            return;
        case State::GroupText:
            appendLine(group_->text, text);
            return;
        case State::GroupOptions:
            groupOption(text);
            return;
        case State::Text:
        case State::Options:
            answer = answerLine(text);
            options = optionsOnLine(text);
            break;
        }
        Question& q = questions_.back();
        if (answer) {
            q.answered = true;
            q.answer = answer->value;
            q.answerProblem = answer->problem;
            q.answerLine = lineNo_;
            state_ = State::AfterAnswer;
            return;
        }
        if (q.taskList) {
            // a paragraph after a task list: the question is done
            closeQuestion();
            state_ = State::AfterAnswer;
            afterAnswer(text);
            return;
        }
        if (!options.empty()) {
            addOptions(q.options, options, q.line, QStringLiteral("question %1").arg(q.number));
            state_ = State::Options;
            return;
        }
        QString& target = state_ == State::Text ? q.text : q.options.back().text;
        appendLine(target, text);
    }

    void appendLine(QString& target, const QString& text) {
        if (target.size() + text.size() > kMaxTextLength + 1) {
            leaveOut(text, QStringLiteral("past the longest text a cell holds"));
            return;
        }
        if (!target.isEmpty()) {
            target += u'\n';
        }
        target += text;
    }

    void addOptions(std::vector<Option>& to, std::vector<Option>& options, int questionLine,
                    const QString& whose) {
        for (Option& o : options) {
            const int expected = int(to.size());
            if (o.index != expected) {
                finding(questionLine,
                        expected >= 5
                            ? QStringLiteral("%1: option %2 on line %3 comes after option E: "
                                             "options repeated")
                                  .arg(whose)
                                  .arg(optionLetter(o.index))
                                  .arg(lineNo_)
                            : QStringLiteral("%1: option %2 on line %3 comes where %4 belongs: "
                                             "options out of order or repeated")
                                  .arg(whose)
                                  .arg(optionLetter(o.index))
                                  .arg(lineNo_)
                                  .arg(optionLetter(expected)));
            }
            to.push_back(std::move(o));
        }
    }

    void afterAnswer(const QString& text) {
        if (isExplanation(text)) {
            state_ = State::Explanation;
        }
        const bool answer = state_ == State::AfterAnswer && answerLine(text);
        if (answer || (state_ == State::AfterAnswer && !optionsOnLine(text).empty())) {
            finding(lineNo_, QStringLiteral("%1 after the answer of question %2, which belongs "
                                            "to no question: %3")
                                 .arg(answer ? QStringLiteral("an answer line")
                                             : QStringLiteral("an option"))
                                 .arg(questions_.empty() ? QString() : questions_.back().number)
                                 .arg(quotedCell(text)));
            return;
        }
        pend(text, QStringLiteral("after the answer"));
    }

    void groupOption(const QString& text) {
        Group& g = *group_;
        std::vector<Option> options = optionsOnLine(text);
        if (!options.empty()) {
            addOptions(
                g.choices, options, g.line,
                QStringLiteral("the options shared by questions %1-%2").arg(g.from).arg(g.to));
        } else if (!g.choices.empty()) {
            appendLine(g.choices.back().text, text);
        } else {
            leaveOut(text, QStringLiteral("before the shared options"));
        }
    }

    void taskItem(const QString& text, bool checked) {
        const bool open =
            !questions_.empty() && questionOpen_ &&
            (state_ == State::Text || (state_ == State::Options && questions_.back().taskList));
        if (!open) {
            if (pending_.empty()) {
                finding(lineNo_, QStringLiteral("a task list item with no question before it: %1")
                                     .arg(quotedCell(text)));
                return;
            }
            questionFromPending();
            if (full_) {
                return;
            }
        }
        Question& q = questions_.back();
        const int index = int(q.options.size());
        if (index >= 5) {
            finding(lineNo_, QStringLiteral("question %1: a task list item after option E (a "
                                            "question has options A to E)")
                                 .arg(q.number));
            return;
        }
        std::vector<Option> written = optionsOnLine(text);
        QString option = written.size() == 1 && written[0].index == index
                             ? text
                             : optionLetter(index) + u'．' + text;
        q.options.push_back({index, std::move(option)});
        if (checked) {
            q.answer.letters += optionLetter(index);
            q.answer.trueFalse = -1;
            q.answered = true;
        }
        q.taskList = true;
        state_ = State::Options;
    }

    // The heading or paragraph before, as an unnumbered question's text.
    void questionFromPending() {
        closeQuestion();
        QString text;
        for (const auto& [line, lineText, why] : pending_) {
            if (!text.isEmpty()) {
                text += u'\n';
            }
            text += lineText;
        }
        const int line = pending_.front().line;
        pending_.clear();
        pendingCharacters_ = 0;
        openQuestion(line, QString::number(questions_.size() + 1), text);
    }

    void openQuestion(int line, const QString& number, const QString& text) {
        if (int(questions_.size()) >= kMaxQuestions) {
            finding(line,
                    QStringLiteral("more than %1 questions, which is refused").arg(kMaxQuestions));
            full_ = true;
            return;
        }
        Question q;
        q.line = line;
        q.number = number;
        q.text = text;
        if (group_) {
            Group& g = *group_;
            const qint64 n = number.toLongLong();
            if (n >= g.from && n <= g.to) {
                q.inGroup = true;
                g.used = true;
                if (!g.options && !g.text.isEmpty()) {
                    q.text = text.isEmpty() ? g.text : g.text + u'\n' + text;
                }
            } else if (n > g.to) {
                endGroup();
            }
        }
        questions_.push_back(std::move(q));
        questionOpen_ = true;
        state_ = State::Text;
    }

    // Ends the group being read; a group that no question of its numbers followed is named.
    void endGroup() {
        if (!group_) {
            return;
        }
        const Group g = std::move(*group_);
        group_.reset();
        if (!g.used) {
            finding(g.line, (g.options ? QStringLiteral("the options shared by questions %1-%2 go "
                                                        "to no question: none of those numbers "
                                                        "follows")
                                       : QStringLiteral("the case text shared by questions %1-%2 "
                                                        "goes to no question: none of those "
                                                        "numbers follows"))
                                .arg(g.from)
                                .arg(g.to));
        }
    }

    // Ends the question being read: its answer from its brackets, its shared options.
    void closeQuestion() {
        if (!questionOpen_) {
            return;
        }
        questionOpen_ = false;
        Question& q = questions_.back();
        if (!q.answered) {
            if (auto bracket = bracketAnswer(q.text)) {
                if (bracket->first.letters.size() > 1) {
                    q.bracketWording = q.text;
                }
                q.answer = bracket->first;
                q.text = std::move(bracket->second);
                q.answered = true;
            }
        }
        if (q.inGroup && group_ && q.options.empty() && group_->options) {
            q.options = group_->choices;
        }
        sections_.back().end = int(questions_.size());
        block_.end = int(questions_.size());
    }

    void newSection(const QString& name) {
        const int n = int(questions_.size());
        sections_.push_back({n, n});
        if (!name.isEmpty()) {
            sectionByName_.insert(name, int(sections_.size()) - 1);
        }
    }

    // A line inside an answer key; false when it is not one, which ends the key.
    bool keyLine(const QString& text) {
        if (const auto title = keyTitle(text)) {
            keySection_ = -1;
            takeKey(*title);
            return true;
        }
        if (const auto name = headingName(text)) {
            const auto it = sectionByName_.constFind(*name);
            if (it == sectionByName_.cend()) {
                finding(lineNo_, QStringLiteral("the answer key's heading %1 names no heading of "
                                                "the questions before it")
                                     .arg(quotedCell(text)));
                keySection_ = -2;
            } else {
                keySection_ = *it;
            }
            return true;
        }
        KeyEntries key;
        if (!keyEntries(text, key.entries, key.problem)) {
            return false;
        }
        takeKey(key);
        return true;
    }

    // The answers of a key line to the questions of its section or block.
    void takeKey(const KeyEntries& key) {
        if (!key.problem.isEmpty()) {
            finding(lineNo_, key.problem);
        }
        if (keySection_ == -2 || key.entries.empty()) {
            return;
        }
        NumberIndex& index =
            keySection_ >= 0 ? indexOf(sectionIndexes_, keySection_, sections_[size_t(keySection_)])
                             : blockIndex();
        for (const KeyEntry& e : key.entries) {
            keyEntry(index, e);
        }
    }

    NumberIndex& indexOf(std::map<int, NumberIndex>& cache, int id, Range range) {
        const auto [it, added] = cache.try_emplace(id);
        if (added) {
            it->second = numberIndex(range);
        }
        return it->second;
    }

    NumberIndex& blockIndex() {
        if (!blockIndex_) {
            blockIndex_ = numberIndex(block_);
        }
        return *blockIndex_;
    }

    NumberIndex numberIndex(Range range) const {
        NumberIndex index;
        for (int i = range.first; i < range.end; ++i) {
            index.byNumber[questions_[size_t(i)].number.toLongLong()].questions.push_back(i);
        }
        return index;
    }

    // Starts the questions a key without headings answers afresh.
    void newBlock() {
        const int n = int(questions_.size());
        block_ = {n, n};
        blockIndex_.reset();
    }

    void keyEntry(NumberIndex& index, const KeyEntry& e) {
        const auto found = index.byNumber.find(e.number);
        if (found == index.byNumber.end()) {
            finding(lineNo_, QStringLiteral("the answer key gives question %1 the answer %2, "
                                            "but no question %1 comes before it")
                                 .arg(e.number)
                                 .arg(quotedCell(answerText(e.answer))));
            return;
        }
        NumberIndex::Slot& s = *found;
        // A key entry of one letter or true/false says the letters in a stem's end brackets
        // were wording; one of several letters is compared with them.
        const bool single = e.answer.trueFalse >= 0 || e.answer.letters.size() == 1;
        const auto keyed = [&](const Question& q) {
            return q.answered && (q.bracketWording.isEmpty() || !single);
        };
        while (s.next < s.questions.size() && keyed(questions_[size_t(s.questions[s.next])])) {
            ++s.next;
        }
        if (s.next == s.questions.size()) {
            const Question& q = questions_[size_t(s.questions.front())];
            if (answerText(q.answer) != answerText(e.answer)) {
                finding(lineNo_,
                        QStringLiteral("the answer key gives question %1 the answer %2, "
                                       "but it has the answer %3 (line %4)")
                            .arg(e.number)
                            .arg(quotedCell(answerText(e.answer)), quotedCell(answerText(q.answer)))
                            .arg(q.line));
            }
            return;
        }
        Question& q = questions_[size_t(s.questions[s.next++])];
        if (!q.bracketWording.isEmpty()) {
            q.text = std::exchange(q.bracketWording, {});
        }
        q.answer = e.answer;
        q.answered = true;
    }

    void closeKey() {
        inKey_ = false;
        newBlock();
        newSection({});
        endGroup();
        state_ = State::Between;
    }

    // A line left out; in a Markdown list kept a while as the text of an unnumbered question
    // that a task list may follow.
    void pend(const QString& text, const QString& why, bool heading = false) {
        if (syntax_ != ListSyntax::Markdown) {
            leaveOut(text, why);
            return;
        }
        if (heading || paragraphBreak_ ||
            pendingCharacters_ + text.size() > qsizetype(kMaxTextLength)) {
            flushPending();
        }
        paragraphBreak_ = false;
        pendingCharacters_ += text.size();
        pending_.push_back({lineNo_, text, why});
        if (heading) {
            paragraphBreak_ = true;
        }
    }

    void flushPending() {
        for (const auto& [line, text, why] : pending_) {
            leaveOutAt(line, text, why);
        }
        pending_.clear();
        pendingCharacters_ = 0;
        paragraphBreak_ = false;
    }

    void leaveOut(const QString& text, const QString& why) { leaveOutAt(lineNo_, text, why); }

    void leaveOutAt(int line, const QString& text, const QString& why) {
        if (result_.leftOutCount++ < kMaxListedLeftOut) {
            result_.leftOut.append(QStringLiteral("%1:%2: left out (%3): %4")
                                       .arg(file_)
                                       .arg(line)
                                       .arg(why, quotedCell(text)));
        }
    }

    void finding(int line, const QString& what) {
        if (int(findings_.size()) >= kMaxListedFindings) {
            ++droppedFindings_;
            return;
        }
        QString message = QStringLiteral("%1:%2: %3").arg(file_).arg(line).arg(what);
        if (std::binary_search(hidden_.cbegin(), hidden_.cend(), line)) {
            message += QStringLiteral(" (the line holds text hidden in Word, read as if shown)");
        }
        findings_.emplace_back(line, std::move(message));
    }

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
        case State::Explanation:
        case State::GroupOptions:
            return true;
        case State::Text:
        case State::GroupText:
            return false;
        case State::Options:
            return questions_.back().options.size() >= 2 &&
                   start.number.toLongLong() == questions_.back().number.toLongLong() + 1;
        }
        return true;
    }

    // The rows of the single-choice questions; the others listed apart.
    void rows() {
        auto& cells = result_.sheet.cells;
        for (const Question& q : questions_) {
            auto fail = [&](const QString& what) {
                finding(q.line, QStringLiteral("question %1 %2").arg(q.number, what));
            };
            auto other = [&](OtherKind kind) { result_.others.push_back({kind, file_, q.line}); };
            if (q.answer.trueFalse >= 0) {
                other(OtherKind::TrueFalse);
                continue;
            }
            if (q.options.empty()) {
                other(OtherKind::NoOptions);
                continue;
            }
            if (q.answer.letters.size() > 1) {
                other(OtherKind::MultipleAnswer);
                continue;
            }
            if (!q.answered) {
                fail(QStringLiteral("has no answer (no 答案 line, no letter in its last "
                                    "brackets, and no answer key entry)"));
            } else if (q.answer.letters.isEmpty()) {
                finding(q.answerLine, q.answerProblem);
            } else if (q.options.size() >= 2 &&
                       (optionIndex(q.answer.letters[0]) < 0 ||
                        optionIndex(q.answer.letters[0]) >= int(q.options.size()))) {
                fail(
                    QStringLiteral("has the answer %1, which is not one of its options A-%2")
                        .arg(optionIndex(q.answer.letters[0]) < 0 ? quotedCell(q.answer.letters)
                                                                  : q.answer.letters)
                        .arg(optionLetter(std::min(int(q.options.size()), bank::answerCount) - 1)));
            }
            if (q.options.size() < 2) {
                fail(QStringLiteral("has %1 option(s), fewer than two").arg(q.options.size()));
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
                    fail(
                        QStringLiteral("is past the %1 questions a worksheet holds").arg(kMaxRows));
                }
                continue;
            }
            cells.push_back({row, 1, bank::CellValue::ofNumber(q.number.toDouble())});
            cells.push_back({row, bank::questionColumn, bank::CellValue::ofText(cell)});
            if (q.answer.letters.size() == 1) {
                cells.push_back(
                    {row, bank::answerColumn, bank::CellValue::ofText(q.answer.letters)});
            }
        }
    }

    // Questions held at most: twice what a worksheet holds leaves room for the others.
    static constexpr int kMaxQuestions = 2 * kMaxRows;

    struct PendingLine {
        int line;
        QString text;
        QString why;
    };

    QString file_;
    ListSyntax syntax_;
    std::vector<int> hidden_;
    QuestionList result_;
    std::vector<Question> questions_;
    bool questionOpen_ = false;
    State state_ = State::Before;
    int lineNo_ = 0;
    bool full_ = false;
    std::vector<std::pair<int, QString>> findings_;
    qint64 droppedFindings_ = 0;
    std::vector<Range> sections_; // questions under each heading
    Range block_;                 // questions since the previous key or chapter
    QHash<QString, int> sectionByName_;
    std::map<int, NumberIndex> sectionIndexes_;
    std::optional<NumberIndex> blockIndex_; // made at the block's first key line
    bool inKey_ = false;
    int keySection_ = -1;        // -1 the block's questions, -2 a heading without questions
    std::optional<Group> group_; // the group being read
    std::vector<PendingLine> pending_;
    qsizetype pendingCharacters_ = 0;
    bool paragraphBreak_ = false;
};

QuestionListParser::QuestionListParser(const QString& file, const QString& sheetName,
                                       ListSyntax syntax)
    : d_(std::make_unique<Impl>(file, sheetName, syntax)) {}

QuestionListParser::~QuestionListParser() = default;

void QuestionListParser::addLine(QStringView line, bool hidden) {
    d_->line(line, hidden);
}

QuestionList QuestionListParser::finish() {
    return d_->result();
}

QuestionList parseQuestionList(const QStringList& lines, const QString& file,
                               const QString& sheetName, ListSyntax syntax,
                               const std::vector<int>& hiddenLines) {
    QuestionListParser parser(file, sheetName, syntax);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        parser.addLine(lines[i],
                       std::binary_search(hiddenLines.cbegin(), hiddenLines.cend(), int(i + 1)));
    }
    return parser.finish();
}

QuestionList parseQuestionText(QStringView text, const QString& file, const QString& sheetName,
                               ListSyntax syntax) {
    QuestionListParser parser(file, sheetName, syntax);
    forEachLine(text, [&](QStringView line) { parser.addLine(line); });
    return parser.finish();
}

} // namespace tiku::import
