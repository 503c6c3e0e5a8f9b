#pragma once

// The workbook-wide budget of one input: cells, shared strings and characters of text, spent as
// a reader meets them. The first limit reached throws ImportError naming it, so a file of
// repeats, empty strings or spaces stops at once rather than after filling memory.

#include <QString>

namespace tiku::import {

class Budget {
public:
    // fileBytes: the size of the input, which bounds its characters (see kCharactersPerByte);
    // 0 when the characters are not counted against it.
    explicit Budget(QString file, qint64 fileBytes = 0);

    void spendCells(qint64 n);
    void spendStrings(qint64 n);
    void spendCharacters(qint64 n);

    const QString& file() const { return file_; }

private:
    QString file_;
    qint64 cells_ = 0, strings_ = 0, characters_ = 0;
    qint64 maxCharacters_ = 0;
};

} // namespace tiku::import
