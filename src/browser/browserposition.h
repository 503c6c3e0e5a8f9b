#pragma once

// Where the browser stands in the bank: the bank size and the number of the question on screen,
// both kept as the texts the screen shows (the rules compare and convert those texts), and
// whether 上一题 and 下一题 are enabled.

#include <QString>
#include <QtGlobal>

namespace tiku {

class BrowserPosition {
public:
    // The bank opened with this many used rows: the size in plain digits; the buttons as the
    // screen is made (上一题 disabled, 下一题 enabled), except that a bank of one question has
    // nowhere to go and 下一题 is disabled too. The number is still empty.
    void openBank(int bankRows);
    // Question 1 shown after the opening: the number reads "1".
    void openedAtFirst() { number_ = QStringLiteral("1"); }

    const QString& sizeText() const { return size_; }
    const QString& numberText() const { return number_; }
    bool previousEnabled() const { return previous_; }
    bool nextEnabled() const { return next_; }

    // 上一题 and 下一题: the row one before or after the number on screen (that text converted
    // strictly; fails with 13 or 6), then, once it is shown, the number written in plain digits.
    // Back at 1 disables 上一题; forward, a number that reads exactly as the size text disables
    // 下一题. The other button is enabled.
    qint16 previousRow() const;
    void movedBack(qint16 row);
    qint16 nextRow() const;
    void movedForward(qint16 row);

    // 第一题: question 1.
    void movedToFirst();
    // 最后一题: the size text is the row, and the number reads as it.
    const QString& lastRow() const { return size_; }
    void movedToLast();

    // 跳  转: the typed text converted strictly to a 16-bit number (fails with 13 or 6). In range
    // when it lies from 1 to the size. A whole number is shown through the text as typed ("07"
    // reads "07" on screen); a fraction through the row it rounds to, in plain digits.
    struct Jump {
        QString typed;
        qint16 number = 0;
        bool inRange = false;
        bool asTyped = false;
    };
    Jump jumpTarget(const QString& typed) const;
    void jumped(const Jump& jump);
    // "请输入1-<size>之间的数字!"
    QString rangeMessage() const;

private:
    bool singleQuestion() const { return size_ == QStringLiteral("1"); }

    QString size_;
    QString number_;
    bool previous_ = false;
    bool next_ = true;
};

} // namespace tiku
