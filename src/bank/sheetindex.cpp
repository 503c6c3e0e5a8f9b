#include "sheetindex.h"

#include "recordids.h"

#include <algorithm>

namespace tiku::bank::biff {

namespace {
constexpr int maxNesting = 4;
} // namespace

int minimumCellSize(quint16 type) {
    switch (type) {
    case record::Formula:
        return 20;
    case record::LabelSst:
        return 10;
    case record::Label:
    case record::RString:
        return 9;
    case record::Number:
        return 14;
    case record::Rk:
        return 10;
    case record::MulRk:
        return 12;
    case record::BoolErr:
        return 8;
    case record::Blank:
        return 6;
    case record::MulBlank:
        return 8;
    default:
        return -1; // not a cell record
    }
}

SheetIndex indexSheet(const Records& records, qint64 bofPos) {
    std::optional<Record> first = records.at(bofPos);
    if (!first || first->type != record::Bof) {
        damage("a worksheet's substream does not start with BOF");
    }
    // First the record headers alone, which are never encrypted: the substream's end and the
    // number of cell records, so the index is allocated once at its size.
    qint64 pos = bofPos;
    int depth = 0;
    size_t count = 0;
    for (;;) {
        const Record r = records.require(pos);
        pos = r.end();
        if (r.type == record::Bof) {
            // A worksheet holds embedded charts one level down; deeper nesting only makes the
            // substreams of other sheets part of this one.
            if (++depth > maxNesting) {
                damage("substreams nested too deep");
            }
        } else if (r.type == record::Eof) {
            if (--depth == 0) {
                break;
            }
        } else if (depth == 1 && minimumCellSize(r.type) >= 0) {
            ++count;
        }
    }
    SheetIndex sheet;
    sheet.end = pos;
    sheet.cells.reserve(count);
    // Then the row and columns of each cell record.
    pos = bofPos;
    depth = 0;
    bool sorted = true;
    for (;;) {
        const Record r = records.require(pos);
        pos = r.end();
        if (r.type == record::Bof) {
            ++depth;
            continue;
        }
        if (r.type == record::Eof) {
            if (--depth == 0) {
                break;
            }
            continue;
        }
        const int minimum = minimumCellSize(r.type);
        if (depth != 1 || minimum < 0) {
            continue;
        }
        if (r.size < minimum) {
            damage("cell record too short");
        }
        quint8 b[4];
        records.read(r, 0, 4, b);
        const quint16 row = le16(b);
        const int firstCol = le16(b + 2);
        int lastCol = firstCol;
        if (r.type == record::MulRk || r.type == record::MulBlank) {
            lastCol = records.u16(r, r.size - 2);
            const int each = r.type == record::MulRk ? 6 : 2;
            if (lastCol < firstCol || (r.size - 6) % each != 0 ||
                (r.size - 6) / each != lastCol - firstCol + 1) {
                damage("MULRK or MULBLANK with a wrong column count");
            }
        }
        if (firstCol > 255) {
            // Past the last column: counts for the used rows, holds nothing readable.
            sheet.firstRow = sheet.firstRow == 0 ? row + 1 : std::min(sheet.firstRow, row + 1);
            sheet.lastRow = std::max(sheet.lastRow, row + 1);
            continue;
        }
        if (!sheet.cells.empty() && row < sheet.cells.back().row) {
            sorted = false;
        }
        sheet.cells.push_back(
            {quint32(r.pos), row, quint8(firstCol), quint8(std::min(lastCol, 255))});
    }
    if (!sorted) {
        std::stable_sort(sheet.cells.begin(), sheet.cells.end(),
                         [](const CellRef& a, const CellRef& b) { return a.row < b.row; });
    }
    if (!sheet.cells.empty()) {
        const int lo = sheet.cells.front().row + 1;
        const int hi = sheet.cells.back().row + 1;
        sheet.firstRow = sheet.firstRow == 0 ? lo : std::min(sheet.firstRow, lo);
        sheet.lastRow = std::max(sheet.lastRow, hi);
    }
    return sheet;
}

} // namespace tiku::bank::biff
