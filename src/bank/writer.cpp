#include "writer.h"

#include "bankerror.h"
#include "bankformat.h"
#include "cfbwriter.h"
#include "protectionwriter.h"
#include "recordwriter.h"
#include "sstwriter.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace tiku::bank {

namespace {

bool syncToDisk(int fd) {
#ifdef _WIN32
    return ::_commit(fd) == 0;
#else
    return ::fsync(fd) == 0;
#endif
}

namespace record = biff::record;
using detail::BiffStream;
using detail::bof;
using detail::Bytes;
using detail::Protection;
using detail::StringTable;
using detail::u16Record;

constexpr int kRowsPerBlock = 32;

// Cell formats: 0-14 style formats, 15 the default cell format, 16 the same with wrapped text.
constexpr quint16 kXfDefault = 15;
constexpr quint16 kXfWrap = 16;

[[noreturn]] void badArgument(const QString& what) {
    throw BankError(ErrorKind::BadArgument, what);
}

Bytes font() {
    Bytes b;
    b.u16(200).u16(0).u16(0x7FFF).u16(400).u16(0).u8(0).u8(0).u8(0).u8(0);
    b.shortString(u"Arial");
    return b;
}

// An XF record: font, number format, the type/protection word, the alignment byte and the
// "attributes used" byte; borders and fill are left empty with the default palette colours.
Bytes xf(quint16 fontIndex, quint16 protection, quint8 alignment, quint8 used) {
    Bytes b;
    b.u16(fontIndex).u16(0).u16(protection).u8(alignment).u8(0).u8(0).u8(used);
    b.u32(0).u32(0).u16(0x20C0);
    return b;
}

struct PlacedCell {
    int row; // 0-based
    int column;
    const CellValue* value;
};

void checkSpec(const WorkbookSpec& spec) {
    if (spec.sheets.empty()) {
        badArgument(QStringLiteral("工作簿至少要有一张工作表"));
    }
    if (spec.sheets.size() > size_t(maxSheets)) {
        badArgument(QStringLiteral("工作表太多"));
    }
    QHash<QString, int> names;
    for (const SheetSpec& sheet : spec.sheets) {
        switch (sheetNameFault(sheet.name)) {
        case SheetNameFault::None:
            break;
        case SheetNameFault::Empty:
        case SheetNameFault::TooLong:
            badArgument(QStringLiteral("工作表名“%1”的长度不在 1 到 %2 个字符之间")
                            .arg(sheet.name, QString::number(maxSheetNameLength)));
            break;
        case SheetNameFault::ForbiddenCharacter:
            badArgument(QStringLiteral("工作表名“%1”含有不允许的字符").arg(sheet.name));
            break;
        }
        if (names.contains(sheet.name.toCaseFolded())) {
            badArgument(QStringLiteral("工作表名“%1”重复").arg(sheet.name));
        }
        names.insert(sheet.name.toCaseFolded(), 1);
        for (const CellSpec& cell : sheet.cells) {
            if (cell.row < 1 || cell.row > maxSheetRows || cell.column < 1 ||
                cell.column > maxSheetColumns) {
                badArgument(QStringLiteral("单元格位置（%1, %2）超出工作表范围")
                                .arg(cell.row)
                                .arg(cell.column));
            }
            if (cell.value.kind == CellValue::Kind::Text &&
                cell.value.text.size() > maxTextLength) {
                badArgument(QStringLiteral("单元格（%1, %2）的文字超过 %3 个字符")
                                .arg(cell.row)
                                .arg(cell.column)
                                .arg(maxTextLength));
            }
        }
    }
}

// The cells of a sheet in row-major order, a later cell at the same place replacing an earlier.
std::vector<PlacedCell> placeCells(const SheetSpec& sheet) {
    std::vector<PlacedCell> cells;
    cells.reserve(sheet.cells.size());
    for (const CellSpec& c : sheet.cells) {
        cells.push_back({c.row - 1, c.column - 1, &c.value});
    }
    std::stable_sort(cells.begin(), cells.end(), [](const PlacedCell& a, const PlacedCell& b) {
        return a.row != b.row ? a.row < b.row : a.column < b.column;
    });
    std::vector<PlacedCell> unique;
    unique.reserve(cells.size());
    for (const PlacedCell& c : cells) {
        if (!unique.empty() && unique.back().row == c.row && unique.back().column == c.column) {
            unique.back() = c;
        } else {
            unique.push_back(c);
        }
    }
    return unique;
}

void writeGlobals(BiffStream& biff, const WorkbookSpec& spec, const Protection& protection,
                  const StringTable& strings, std::vector<qint64>& sheetOffsetAt,
                  qint64& encryptFrom) {
    biff.record(record::Bof, bof(0x0005));
    if (protection.cipher) {
        biff.record(record::FilePass, protection.filePass);
    }
    encryptFrom = biff.position();
    biff.record(record::InterfaceHdr, u16Record(1200));
    biff.record(record::Mms, u16Record(0));
    biff.record(record::InterfaceEnd, QByteArray());
    Bytes access;
    access.string(u"Tiku");
    access.raw(QByteArray(112 - access.size(), ' '));
    biff.record(record::WriteAccess, access);
    biff.record(record::CodePage, u16Record(1200));
    biff.record(record::Dsf, u16Record(0));
    Bytes tabIds;
    for (size_t i = 0; i < spec.sheets.size() && i < record::maxData / 2; ++i) {
        tabIds.u16(quint16(i + 1));
    }
    biff.record(record::TabId, tabIds);
    biff.record(record::FnGroupCount, u16Record(14));
    biff.record(record::WindowProtect, u16Record(0));
    biff.record(record::Protect, u16Record(0));
    biff.record(record::Password, u16Record(0));
    biff.record(record::Prot4Rev, u16Record(0));
    biff.record(record::Prot4RevPass, u16Record(0));
    Bytes window1;
    window1.u16(0x0168).u16(0x001E).u16(0x3A5C).u16(0x2328).u16(0x0038).u16(0).u16(0).u16(1).u16(
        600);
    biff.record(record::Window1, window1);
    biff.record(record::Backup, u16Record(0));
    biff.record(record::HideObj, u16Record(0));
    biff.record(record::DateMode, u16Record(0));
    biff.record(record::Precision, u16Record(1));
    biff.record(record::RefreshAll, u16Record(0));
    biff.record(record::BookBool, u16Record(0));
    for (int i = 0; i < 4; ++i) { // font 4 is never used, so four fonts make indexes 0-3
        biff.record(record::Font, font());
    }
    // Style formats 0-14 (Normal first), cell formats 15 and 16.
    biff.record(record::Xf, xf(0, 0xFFF5, 0x20, 0x00));
    for (int i = 1; i < 15; ++i) {
        biff.record(record::Xf, xf(i <= 2 ? 1 : (i <= 4 ? 2 : 0), 0xFFF5, 0x20, 0xF4));
    }
    biff.record(record::Xf, xf(0, 0x0001, 0x20, 0x00));
    biff.record(record::Xf,
                xf(0, 0x0001, 0x28, 0x10)); // wrapped text: alignment differs from Normal
    Bytes normal;
    normal.u16(0x8000).u8(0).u8(0xFF);
    biff.record(record::Style, normal);
    biff.record(record::UsesElfs, u16Record(0));
    for (const SheetSpec& sheet : spec.sheets) {
        Bytes b;
        quint8 dt = 0;
        if (sheet.kind == SheetKind::Macro) {
            dt = 1;
        } else if (sheet.kind == SheetKind::Chart) {
            dt = 2;
        }
        b.u32(0).u8(0).u8(dt).shortString(sheet.name);
        sheetOffsetAt.push_back(biff.record(record::BoundSheet, b));
    }
    Bytes country;
    country.u16(86).u16(86);
    biff.record(record::Country, country);
    strings.write(biff);
    biff.record(record::Eof, QByteArray());
}

void writeCells(BiffStream& biff, const std::vector<PlacedCell>& cells,
                const std::vector<quint32>& sstIndex) {
    // Rows in blocks of 32: the ROW records of a block, then the cells of its rows.
    size_t i = 0;
    while (i < cells.size()) {
        const int blockStart = cells[i].row / kRowsPerBlock * kRowsPerBlock;
        size_t end = i;
        while (end < cells.size() && cells[end].row < blockStart + kRowsPerBlock) {
            ++end;
        }
        for (size_t r = i; r < end;) {
            size_t rowEnd = r;
            while (rowEnd < end && cells[rowEnd].row == cells[r].row) {
                ++rowEnd;
            }
            Bytes row;
            row.u16(quint16(cells[r].row))
                .u16(quint16(cells[r].column))
                .u16(quint16(cells[rowEnd - 1].column + 1))
                .u16(0x00FF)
                .u16(0)
                .u16(0)
                .u32(0x000F0100);
            biff.record(record::Row, row);
            r = rowEnd;
        }
        for (size_t c = i; c < end; ++c) {
            const PlacedCell& cell = cells[c];
            const CellValue& v = *cell.value;
            Bytes b;
            b.u16(quint16(cell.row)).u16(quint16(cell.column));
            switch (v.kind) {
            case CellValue::Kind::Blank:
                b.u16(kXfDefault);
                biff.record(record::Blank, b);
                break;
            case CellValue::Kind::Text:
                b.u16(kXfWrap).u32(sstIndex[c]);
                biff.record(record::LabelSst, b);
                break;
            case CellValue::Kind::Number:
                b.u16(kXfDefault).f64(v.number);
                biff.record(record::Number, b);
                break;
            case CellValue::Kind::Boolean:
                b.u16(kXfDefault).u8(v.boolean ? 1 : 0).u8(0);
                biff.record(record::BoolErr, b);
                break;
            case CellValue::Kind::Error:
                b.u16(kXfDefault).u8(quint8(v.error)).u8(1);
                biff.record(record::BoolErr, b);
                break;
            }
        }
        i = end;
    }
}

void writeSheet(BiffStream& biff, const SheetSpec& sheet, const std::vector<PlacedCell>& cells,
                const std::vector<quint32>& sstIndex, bool selected) {
    if (sheet.kind == SheetKind::Chart) {
        biff.record(record::Bof, bof(0x0020));
        biff.record(record::Eof, QByteArray());
        return;
    }
    biff.record(record::Bof, bof(sheet.kind == SheetKind::Macro ? 0x0040 : 0x0010));
    biff.record(record::CalcMode, u16Record(1));
    biff.record(record::CalcCount, u16Record(100));
    biff.record(record::RefMode, u16Record(1));
    biff.record(record::Iteration, u16Record(0));
    biff.record(record::Delta, Bytes().f64(0.001));
    biff.record(record::SaveRecalc, u16Record(1));
    biff.record(record::PrintHeaders, u16Record(0));
    biff.record(record::PrintGridlines, u16Record(0));
    biff.record(record::GridSet, u16Record(1));
    biff.record(record::Guts, Bytes().u16(0).u16(0).u16(0).u16(0));
    biff.record(record::DefaultRowHeight, Bytes().u16(0).u16(0x00FF));
    biff.record(record::WsBool, u16Record(0x04C1));
    biff.record(record::DefColWidth, u16Record(8));
    // Column B, the question text, wide enough to read.
    biff.record(record::ColInfo, Bytes().u16(1).u16(1).u16(60 * 256).u16(kXfDefault).u16(0).u16(0));
    Bytes dims;
    if (cells.empty()) {
        dims.u32(0).u32(0).u16(0).u16(0).u16(0);
    } else {
        int lastColumn = 0;
        int firstColumn = maxSheetColumns;
        for (const PlacedCell& c : cells) {
            lastColumn = std::max(lastColumn, c.column);
            firstColumn = std::min(firstColumn, c.column);
        }
        dims.u32(quint32(cells.front().row))
            .u32(quint32(cells.back().row + 1))
            .u16(quint16(firstColumn))
            .u16(quint16(lastColumn + 1))
            .u16(0);
    }
    biff.record(record::Dimensions, dims);
    writeCells(biff, cells, sstIndex);
    Bytes window2;
    window2.u16(selected ? 0x06B6 : 0x00B6).u16(0).u16(0).u32(64).u16(0).u16(0).u32(0);
    biff.record(record::Window2, window2);
    biff.record(record::Eof, QByteArray());
}

} // namespace

QByteArray writeWorkbook(const WorkbookSpec& spec, const WriteOptions& options) {
    checkSpec(spec);
    const Protection protection =
        detail::makeProtection(options, detail::protectionSeed(spec, options.password));

    std::vector<std::vector<PlacedCell>> sheetCells;
    std::vector<std::vector<quint32>> sheetSst;
    StringTable strings;
    for (const SheetSpec& sheet : spec.sheets) {
        sheetCells.push_back(sheet.kind == SheetKind::Chart ? std::vector<PlacedCell>()
                                                            : placeCells(sheet));
        std::vector<quint32> sst(sheetCells.back().size(), 0);
        for (size_t i = 0; i < sst.size(); ++i) {
            const CellValue& v = *sheetCells.back()[i].value;
            if (v.kind == CellValue::Kind::Text) {
                sst[i] = strings.add(v.text);
            }
        }
        sheetSst.push_back(std::move(sst));
    }

    BiffStream biff;
    std::vector<qint64> sheetOffsetAt;
    qint64 encryptFrom = 0;
    writeGlobals(biff, spec, protection, strings, sheetOffsetAt, encryptFrom);
    for (size_t s = 0; s < spec.sheets.size(); ++s) {
        biff.patch32(sheetOffsetAt[s], quint32(biff.position()));
        writeSheet(biff, spec.sheets[s], sheetCells[s], sheetSst[s], s == 0);
    }
    if (protection.cipher) {
        biff.encrypt(*protection.cipher, encryptFrom);
    }
    return detail::writeCompoundFile(QStringLiteral("Workbook"), biff.take());
}

void writeWorkbookFile(const QString& path, const WorkbookSpec& spec, const WriteOptions& options) {
    const QString shown = QFileInfo(path).absoluteFilePath();
    auto fail = [&shown](const QString& why) {
        throw BankError(ErrorKind::FileUnreadable,
                        QStringLiteral("无法写入文件 %1：%2").arg(shown, why));
    };
    // A device, pipe or folder at the path is refused: renaming over it would replace the node.
    const QFileInfo existing(path);
    if (existing.exists() && !existing.isFile()) {
        fail(QStringLiteral("这不是普通文件。"));
    }
    const QByteArray bytes = writeWorkbook(spec, options);
    // What the reader would refuse is never written.
    if (bytes.size() > maxWorkbookBytes) {
        fail(workbookTooLarge(bytes.size()));
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        fail(file.errorString());
    }
    // Every byte must have reached the disk before the rename: a write that fits the device's
    // buffer fails only when it is flushed (a full disk), and some file systems report that
    // only when the data is synced.
    const bool written =
        file.write(bytes) == bytes.size() && file.flush() && syncToDisk(file.handle());
    if (!written) {
        const QString why =
            file.error() != QFileDevice::NoError ? file.errorString() : qt_error_string(errno);
        file.cancelWriting();
        fail(why);
    }
    if (!file.commit()) {
        fail(file.errorString());
    }
}

} // namespace tiku::bank
