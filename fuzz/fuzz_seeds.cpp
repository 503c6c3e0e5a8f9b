// Writes seed workbooks into a folder for the fuzz target. Made by the engine's writer: every
// encryption, shared strings across CONTINUE records, a chart sheet, every value type, many
// sheets, long strings. Made record by record: the shapes that cost a reader time and memory
// (many sheets over one substream, long CONTINUE chains, floods of empty CONTINUE records), so
// that mutations of them meet the fuzzer's time and memory limits. They use the program's
// password, which the fuzz target tries first.

#include "bank/writer.h"
#include "craftedbook.h"

#include <QFile>

#include <QDir>

#include <cstdio>
#include <cstdlib>

using namespace tiku::bank;

namespace {

using namespace tiku::testing::crafted;

void save(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "fuzz_seeds: cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
}

WorkbookSpec manySheets() {
    WorkbookSpec spec;
    for (int k = 1; k <= 150; ++k) {
        SheetSpec sheet{QStringLiteral("s%1").arg(k), SheetKind::Worksheet, {}};
        sheet.cells.push_back({k, 2, CellValue::ofText(QStringLiteral("题%1").arg(k))});
        spec.sheets.push_back(std::move(sheet));
    }
    return spec;
}

WorkbookSpec longStrings() {
    SheetSpec sheet{QStringLiteral("sheet1"), SheetKind::Worksheet, {}};
    for (int r = 1; r <= 6; ++r) {
        sheet.cells.push_back({r, 2, CellValue::ofText(QStringLiteral("长题").repeated(r * 2500))});
        sheet.cells.push_back({r, 3, CellValue::ofText(QStringLiteral("A"))});
    }
    return {{sheet}};
}

// 1,000 sheets naming one substream of 15,000 cells.
QByteArray sharedSubstream() {
    Stream s;
    s.record(0x0809, bof(0x0005));
    std::vector<qint64> offsets;
    for (int k = 0; k < 1000; ++k) {
        offsets.push_back(s.record(0x0085, Bytes().u32(0).u8(0).u8(0).u8(1).u8(0).u8('s').b) + 4);
    }
    s.record(0x000A, {});
    const qint64 substream = s.bytes.size();
    s.record(0x0809, bof(0x0010));
    for (int r = 1; r <= 15000; ++r) {
        s.record(0x027E, rk(r, 1 + r % 3, quint32(r) << 2 | 2).second);
    }
    s.record(0x000A, {});
    for (qint64 at : offsets) {
        s.patch32(at, quint32(substream));
    }
    return workbookFile(s.bytes);
}

// A shared string table with 20,000 empty CONTINUE records among its strings, and a LABEL of
// 4,000 characters over 80 CONTINUE records.
QByteArray continueChains() {
    std::vector<QByteArray> sst{Bytes().u32(2).u32(2).str16(QStringLiteral("first"), false).b};
    for (int k = 0; k < 20000; ++k) {
        sst.push_back({});
    }
    sst.push_back(Bytes().str16(QStringLiteral("第二"), true).b);
    const QString text = QStringLiteral("abcdefghij").repeated(400);
    std::vector<std::pair<int, QByteArray>> records{labelSst(1, 2, 0), labelSst(2, 2, 1)};
    records.push_back(
        {0x0204, Bytes().u16(2).u16(1).u16(0).u16(4000).u8(0).latin1(text.left(50)).b});
    for (int k = 50; k < 4000; k += 50) {
        records.push_back({0x003C, Bytes().u8(0).latin1(text.mid(k, 50)).b});
    }
    return workbookFile(workbookStream({SheetDef{QStringLiteral("sheet1"), 0, records}}, sst));
}

} // namespace

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
    writeWorkbookFile(dir.filePath(QStringLiteral("writer-many-sheets.xls")), manySheets());
    writeWorkbookFile(dir.filePath(QStringLiteral("writer-long-strings.xls")), longStrings());
    save(dir.filePath(QStringLiteral("crafted-shared-substream.xls")), sharedSubstream());
    save(dir.filePath(QStringLiteral("crafted-continue-chains.xls")), continueChains());
    return 0;
}
