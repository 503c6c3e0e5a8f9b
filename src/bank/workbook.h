#pragma once

// The parsed, read-only snapshot of one workbook file: what the service reads cells from, and
// what `tiku-bank` inspects. Opening reads the file once; decryption and string decoding happen
// only for what is asked.

#include "types.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace tiku::bank {

struct SheetInfo {
    QString name;
    SheetKind kind = SheetKind::Worksheet;
    int firstRow = 0; // 1-based first and last row holding any cell record; 0 when none
    int lastRow = 0;
    int usedRows = 1; // lastRow - firstRow + 1; 1 for a sheet without cells
};

struct CellContent {
    enum class Kind { Empty, Text, Number, Boolean, Error };
    Kind kind = Kind::Empty;
    QString text;                      // the cell text as the service gives it; empty for an error
    ErrorValue error = ErrorValue::NA; // for Kind::Error
};

class WorkbookData {
public:
    // Reads and opens the file; throws BankError. The description of every error names
    // displayName (the path by default) and never the password.
    static std::shared_ptr<const WorkbookData> load(const QString& path, const QString& password);
    static std::shared_ptr<const WorkbookData> fromBytes(QByteArray bytes, const QString& password,
                                                         const QString& displayName);
    virtual ~WorkbookData() = default;

    virtual QString format() const = 0; // "BIFF8"
    virtual Encryption encryption() const = 0;
    virtual int keyBits() const = 0; // 0 when not encrypted or not applicable
    virtual const std::vector<SheetInfo>& sheets() const = 0;

    // One sheet at a time, for callers that want one sheet and not all: the count, a sheet's
    // name and kind without counting its rows, and the sheet with its rows counted. Only that
    // sheet's cell records are indexed, where sheets() indexes every sheet's.
    virtual int sheetCount() const { return int(sheets().size()); }
    virtual QString sheetName(int index) const { return sheets().at(size_t(index)).name; }
    virtual SheetKind sheetKind(int index) const { return sheets().at(size_t(index)).kind; }
    virtual const SheetInfo& sheet(int index) const { return sheets().at(size_t(index)); }

    // The cell at row and column (1-based) of the sheet at index (0-based, workbook order).
    virtual CellContent cell(int sheetIndex, int row, int column) const = 0;
    // Every cell the sheet's records hold, in row order and within a row in record order (a later
    // record for the same cell comes later), empty cells left out: time in proportion to the
    // records, not to the rows and columns they span.
    using CellVisitor = std::function<void(int row, int column, const CellContent&)>;
    virtual void visitCells(int sheetIndex, const CellVisitor& visit) const = 0;
    // Its text; an error value fails with BankError CellError, code 13.
    QString cellText(int sheetIndex, int row, int column) const;
};

// The error literal of an error value: "#DIV/0!", "#N/A", ...
QString errorLiteral(ErrorValue value);

} // namespace tiku::bank
