#pragma once

// Office Open XML workbooks (.xlsx, as Excel, WPS and LibreOffice save them): every worksheet
// with its name in workbook order, each cell as the program would show it from the same workbook
// saved as .xls.

#include "bank/writer.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace tiku::import {

class ZipArchive;

// Throws ImportError naming displayName.
std::vector<bank::SheetSpec> readXlsx(ZipArchive& archive);

} // namespace tiku::import
