#include "xlsinput.h"

#include "importerror.h"
#include "sheetbuilder.h"

#include "bank/bankerror.h"
#include "bank/workbook.h"

namespace tiku::import {

std::vector<bank::SheetSpec> readXls(const QByteArray& bytes, const QString& path,
                                     const QString& password) {
    std::shared_ptr<const bank::WorkbookData> book;
    try {
        book = bank::WorkbookData::fromBytes(bytes, password, path);
    } catch (const bank::BankError& e) {
        if (e.kind() == ErrorKind::PasswordRefused) {
            throw ImportError(QStringLiteral("%1: the password does not open this workbook; give "
                                             "its password with --input-password P")
                                  .arg(path));
        }
        throw;
    }
    std::vector<bank::SheetSpec> out;
    for (int s = 0; s < book->sheetCount(); ++s) {
        if (book->sheetKind(s) != bank::SheetKind::Worksheet) {
            continue;
        }
        const bank::SheetInfo& info = book->sheet(s);
        // The cells of each sheet are counted on their own.
        Budget budget(path);
        SheetBuilder sheet(info.name, budget);
        // Only the cells the records hold: a sheet's rows times 256 columns would cost far more
        // than its file, for every sheet name that points at the same records.
        book->visitCells(s, [&](int r, int c, const bank::CellContent& cell) {
            bank::CellValue value;
            switch (cell.kind) {
            case bank::CellContent::Kind::Empty:
                return;
            case bank::CellContent::Kind::Text:
                if (!cell.text.isEmpty()) {
                    value = bank::CellValue::ofText(cell.text);
                }
                break;
            case bank::CellContent::Kind::Number: {
                // A date shows as its text; any other number as its value.
                bool ok = false;
                const double number = cell.text.toDouble(&ok);
                value = ok ? bank::CellValue::ofNumber(number) : bank::CellValue::ofText(cell.text);
                break;
            }
            case bank::CellContent::Kind::Boolean:
                value = bank::CellValue::ofBoolean(cell.text == QStringLiteral("True"));
                break;
            case bank::CellContent::Kind::Error:
                value = bank::CellValue::ofError(cell.error);
                break;
            }
            sheet.add(r, c, std::move(value));
        });
        // A first or last row of formatted empty cells keeps the used rows as they were.
        sheet.addBlanks(info.firstRow, 1, 1);
        sheet.addBlanks(info.lastRow, 1, 1);
        out.push_back(sheet.take());
    }
    if (out.empty()) {
        throw ImportError(QStringLiteral("%1: the workbook holds no worksheet").arg(path));
    }
    return out;
}

} // namespace tiku::import
