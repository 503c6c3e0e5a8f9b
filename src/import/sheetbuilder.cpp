#include "sheetbuilder.h"

#include "importerror.h"
#include "quote.h"

#include <algorithm>
#include <cmath>

namespace tiku::import {

SheetBuilder::SheetBuilder(const QString& sheetName, Budget& budget) : budget_(budget) {
    sheet_.name = sheetName;
}

void SheetBuilder::add(qint64 row, qint64 column, bank::CellValue value) {
    if (value.kind == bank::CellValue::Kind::Blank) {
        addBlanks(row, column, 1);
        return;
    }
    if (row < 1 || column < 1 || row > kMaxRows || column > kMaxColumns) {
        throw ImportError(QStringLiteral("%1: sheet \"%2\": cell %3%4 holds a value beyond row "
                                         "%5 or column IV, the last a .xls holds")
                              .arg(budget_.file(), escapeText(sheet_.name), columnLetters(column))
                              .arg(row)
                              .arg(kMaxRows));
    }
    if (value.text.size() > kMaxTextLength) {
        throw ImportError(QStringLiteral("%1: sheet \"%2\": cell %3%4 holds %5, more than the %6 "
                                         "characters a cell holds")
                              .arg(budget_.file(), escapeText(sheet_.name), columnLetters(column))
                              .arg(row)
                              .arg(quotedCell(value.text))
                              .arg(kMaxTextLength));
    }
    budget_.spendCells(1);
    if (firstValueRow_ == 0 || row < firstValueRow_) {
        firstValueRow_ = int(row);
    }
    lastValueRow_ = std::max(lastValueRow_, int(row));
    sheet_.cells.push_back({int(row), int(column), std::move(value)});
}

void SheetBuilder::addBlanks(qint64 row, qint64 column, qint64 count) {
    if (count < 1 || row < 1 || row > kMaxRows || column < 1 || column > kMaxColumns) {
        return;
    }
    const qint64 last = std::min<qint64>(row + count - 1, kMaxRows);
    if (firstBlankRow_ == 0 || row < firstBlankRow_) {
        firstBlankRow_ = int(row);
        firstBlankColumn_ = int(column);
    }
    if (last > lastBlankRow_) {
        lastBlankRow_ = int(last);
        lastBlankColumn_ = int(column);
    }
}

bank::SheetSpec SheetBuilder::take() {
    const bool firstOutside =
        firstBlankRow_ > 0 && (firstValueRow_ == 0 || firstBlankRow_ < firstValueRow_);
    if (firstOutside) {
        sheet_.cells.push_back({firstBlankRow_, firstBlankColumn_, bank::CellValue::blank()});
    }
    if (lastBlankRow_ > lastValueRow_ && !(firstOutside && lastBlankRow_ == firstBlankRow_)) {
        sheet_.cells.push_back({lastBlankRow_, lastBlankColumn_, bank::CellValue::blank()});
    }
    return std::move(sheet_);
}

bank::CellValue numberValue(double value, bank::biff::DateParts format, bool date1904) {
    if (!std::isfinite(value)) {
        value = 0; // NaN or an infinity: LibreOffice writes 0 into a .xls of the workbook
    }
    if (format.any()) {
        QString text = bank::biff::dateText(value, date1904, format);
        if (!text.isEmpty()) {
            return bank::CellValue::ofText(std::move(text));
        }
    }
    return bank::CellValue::ofNumber(value);
}

bank::ErrorValue errorFromLiteral(QStringView literal) {
    using bank::ErrorValue;
    for (ErrorValue e : {ErrorValue::Null, ErrorValue::Div0, ErrorValue::Value, ErrorValue::Ref,
                         ErrorValue::Name, ErrorValue::Num, ErrorValue::NA}) {
        if (literal.trimmed().compare(bank::errorLiteral(e), Qt::CaseInsensitive) == 0) {
            return e;
        }
    }
    return ErrorValue::NA;
}

qint64 columnFromLetters(QStringView letters) {
    if (letters.isEmpty() || letters.size() > 4) {
        return 0;
    }
    qint64 column = 0;
    for (QChar c : letters) {
        const char16_t u = c.toUpper().unicode();
        if (u < u'A' || u > u'Z') {
            return 0;
        }
        column = column * 26 + (u - u'A' + 1);
    }
    return column;
}

QString columnLetters(qint64 column) {
    QString out;
    for (int guard = 0; column > 0 && guard < 8; ++guard) {
        const qint64 d = (column - 1) % 26;
        out.prepend(QChar(char16_t(u'A' + d)));
        column = (column - 1) / 26;
    }
    return out;
}

} // namespace tiku::import
