#include "questionkinds.h"

#include <array>

namespace tiku::import {

namespace {

// How many line numbers a summary line names before it says "…".
constexpr int kNamedLines = 5;

constexpr std::array kKinds{OtherKind::MultipleAnswer, OtherKind::TrueFalse, OtherKind::NoOptions};

} // namespace

QString otherKindName(OtherKind kind) {
    switch (kind) {
    case OtherKind::MultipleAnswer:
        return QStringLiteral("multiple-answer");
    case OtherKind::TrueFalse:
        return QStringLiteral("true/false");
    case OtherKind::NoOptions:
        return QStringLiteral("without options");
    }
    return {};
}

QStringList otherQuestionSummary(const std::vector<OtherQuestion>& others, bool leftOut) {
    QStringList out;
    for (const OtherKind kind : kKinds) {
        // Per file, in the order the files first appear.
        QStringList files;
        for (const OtherQuestion& q : others) {
            if (q.kind == kind && !files.contains(q.file)) {
                files.append(q.file);
            }
        }
        for (const QString& file : files) {
            qint64 count = 0;
            QStringList lines;
            for (const OtherQuestion& q : others) {
                if (q.kind != kind || q.file != file) {
                    continue;
                }
                if (++count <= kNamedLines) {
                    lines.append(QString::number(q.line));
                }
            }
            QString where = lines.join(QStringLiteral(", "));
            if (count > kNamedLines) {
                where += QStringLiteral(", …");
            }
            const QString what = QStringLiteral("%1: %2 %3 question%4 (line%5 %6)")
                                     .arg(file)
                                     .arg(count)
                                     .arg(otherKindName(kind))
                                     .arg(count == 1 ? QString() : QStringLiteral("s"))
                                     .arg(count == 1 ? QString() : QStringLiteral("s"))
                                     .arg(where);
            out.append(leftOut ? what + QStringLiteral(" left out")
                               : what + QStringLiteral(": the program asks single-choice "
                                                       "questions only; give --single-only to "
                                                       "leave them out"));
        }
    }
    return out;
}

} // namespace tiku::import
