#pragma once

// Writes BIFF8 workbooks in a compound file, optionally encrypted: what `tiku-bank make`, the
// demo bank, the tests and the benchmarks use to make banks.

#include "bankformat.h"
#include "types.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace tiku::bank {

struct CellValue {
    enum class Kind { Blank, Text, Number, Boolean, Error };
    Kind kind = Kind::Blank;
    QString text;
    double number = 0;
    bool boolean = false;
    ErrorValue error = ErrorValue::NA;

    static CellValue blank() { return {}; } // a formatted blank cell: the row counts as used
    static CellValue ofText(QString t) {
        CellValue v;
        v.kind = Kind::Text;
        v.text = std::move(t);
        return v;
    }
    static CellValue ofNumber(double n) {
        CellValue v;
        v.kind = Kind::Number;
        v.number = n;
        return v;
    }
    static CellValue ofBoolean(bool b) {
        CellValue v;
        v.kind = Kind::Boolean;
        v.boolean = b;
        return v;
    }
    static CellValue ofError(ErrorValue e) {
        CellValue v;
        v.kind = Kind::Error;
        v.error = e;
        return v;
    }
};

struct CellSpec {
    int row = 1;    // 1-based, up to maxSheetRows
    int column = 1; // 1-based, up to maxSheetColumns
    CellValue value;
};

struct SheetSpec {
    QString name;
    SheetKind kind = SheetKind::Worksheet;
    std::vector<CellSpec> cells; // any order; a later cell at the same place replaces an earlier
    bool hidden = false;         // hidden or very hidden in the file it was read from
};

struct WorkbookSpec {
    std::vector<SheetSpec> sheets; // in workbook order
};

struct WriteOptions {
    QString password = bankPassword();
    Encryption encryption = Encryption::Rc4CryptoApi;
    int keyBits = 128;             // RC4 CryptoAPI: 40 to 128 in steps of 8
    int cryptoApiMajorVersion = 4; // RC4 CryptoAPI header version: 2.2, 3.2 or 4.2
};

// The whole file, as bytes.
QByteArray writeWorkbook(const WorkbookSpec& spec, const WriteOptions& options = {});

// Writes the file through a temporary file renamed into place: an existing file is never left
// half-written. Throws BankError (FileUnreadable) when the file cannot be written, or when it
// would be larger than the reader takes (maxWorkbookBytes): then nothing is written.
void writeWorkbookFile(const QString& path, const WorkbookSpec& spec,
                       const WriteOptions& options = {});

} // namespace tiku::bank
