#include "browserposition.h"

#include "core/convert.h"

namespace tiku {

void BrowserPosition::openBank(int bankRows) {
    size_ = tiku::numberText(bankRows);
    previous_ = false;
    next_ = !singleQuestion();
}

qint16 BrowserPosition::previousRow() const {
    return toInt16(strictInt16(number_) - 1.0);
}

void BrowserPosition::movedBack(qint16 row) {
    number_ = tiku::numberText(row);
    if (strictInt16(number_) == 1) {
        previous_ = false;
    }
    next_ = true;
}

qint16 BrowserPosition::nextRow() const {
    return toInt16(strictInt16(number_) + 1.0);
}

void BrowserPosition::movedForward(qint16 row) {
    number_ = tiku::numberText(row);
    if (number_ == size_) {
        next_ = false;
    }
    previous_ = true;
}

void BrowserPosition::movedToFirst() {
    number_ = QStringLiteral("1");
    previous_ = false;
    next_ = next_ || !singleQuestion();
}

void BrowserPosition::movedToLast() {
    number_ = size_;
    next_ = false;
    previous_ = previous_ || !singleQuestion();
}

BrowserPosition::Jump BrowserPosition::jumpTarget(const QString& typed) const {
    Jump jump;
    jump.typed = typed;
    jump.number = strictInt16(typed);
    const double size = strictNumber(size_);
    jump.inRange = jump.number >= 1 && jump.number <= size;
    jump.asTyped = strictNumber(typed) == jump.number;
    return jump;
}

void BrowserPosition::jumped(const Jump& jump) {
    number_ = jump.asTyped ? jump.typed : tiku::numberText(jump.number);
    previous_ = jump.number != 1;
    next_ = jump.number != strictNumber(size_);
}

QString BrowserPosition::rangeMessage() const {
    return QStringLiteral("请输入1-") + size_ + QStringLiteral("之间的数字!");
}

} // namespace tiku
