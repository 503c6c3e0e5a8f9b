#pragma once

// A worksheet's cell records, indexed when the sheet is first used: where each record lies, by
// row, so that a cell is found without reading the others.

#include "recordstream.h"

#include <vector>

namespace tiku::bank::biff {

// One cell record: 8 bytes, so the index of a full bank stays small. The record's type and size
// are read again from its plain header when the cell is read.
struct CellRef {
    quint32 pos;     // data position of the record
    quint16 row;     // 0-based
    quint8 firstCol; // 0-based, columns past 256 left out
    quint8 lastCol;
};

struct SheetIndex {
    int firstRow = 0; // 1-based first and last row holding any cell record; 0 when none
    int lastRow = 0;
    std::vector<CellRef> cells; // sorted by row, in stream order within a row
    qint64 end = 0;             // stream position after the substream's EOF record
};

// Indexes the substream whose BOF record is at bofPos; damage when it is broken.
SheetIndex indexSheet(const Records& records, qint64 bofPos);

// The smallest data size of a cell record that the reader relies on; -1 for other records.
int minimumCellSize(quint16 type);

} // namespace tiku::bank::biff
