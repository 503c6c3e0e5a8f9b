#pragma once

// OpenDocument spreadsheets (.ods, as LibreOffice saves them): every table with its name in
// order, each cell as the program would show it from the same workbook saved as .xls.

#include "bank/writer.h"

#include <vector>

namespace tiku::import {

class ZipArchive;

// True when the archive's mimetype names an OpenDocument spreadsheet.
bool isOds(ZipArchive& archive);

// Throws ImportError naming the archive's file.
std::vector<bank::SheetSpec> readOds(ZipArchive& archive);

} // namespace tiku::import
