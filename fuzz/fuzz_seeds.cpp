// Writes small workbooks made by the engine's writer into a folder, as seeds for the fuzz
// target: every encryption, shared strings across CONTINUE records, a chart sheet, every value
// type. They use the program's password, which the fuzz target tries first.

#include "bank/writer.h"

#include <QDir>

#include <cstdio>

using namespace tiku::bank;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds DIR\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    SheetSpec bank{QStringLiteral("sheet1"), SheetKind::Worksheet, {}};
    for (int r = 1; r <= 40; ++r) {
        bank.cells.push_back(
            {r, 2,
             CellValue::ofText(QStringLiteral("第%1题\nA. 甲\nB. 乙").arg(r).repeated(r % 7 + 1))});
        bank.cells.push_back({r, 3, CellValue::ofText(QString(QChar(u'A' + r % 5)))});
    }
    bank.cells.push_back({41, 2, CellValue::ofText(QStringLiteral("长").repeated(5000))});
    SheetSpec values{QStringLiteral("Sheet2"), SheetKind::Worksheet, {}};
    values.cells = {{3, 1, CellValue::ofNumber(1.5)},   {3, 2, CellValue::ofNumber(-42)},
                    {4, 1, CellValue::ofBoolean(true)}, {4, 2, CellValue::ofError(ErrorValue::NA)},
                    {5, 1, CellValue::blank()},         {9, 3, CellValue::ofText(QString())}};
    SheetSpec chart{QStringLiteral("Chart1"), SheetKind::Chart, {}};
    const WorkbookSpec spec{{bank, chart, values}};

    struct Variant {
        const char* name;
        Encryption encryption;
        int bits;
        int major;
    };
    const Variant variants[] = {{"plain", Encryption::None, 128, 4},
                                {"xor", Encryption::Xor, 128, 4},
                                {"rc4", Encryption::Rc4, 128, 4},
                                {"cryptoapi-40", Encryption::Rc4CryptoApi, 40, 2},
                                {"cryptoapi-128", Encryption::Rc4CryptoApi, 128, 4}};
    for (const Variant& v : variants) {
        WriteOptions o;
        o.encryption = v.encryption;
        o.keyBits = v.bits;
        o.cryptoApiMajorVersion = v.major;
        writeWorkbookFile(dir.filePath(QStringLiteral("writer-%1.xls").arg(QLatin1String(v.name))),
                          spec, o);
    }
    return 0;
}
