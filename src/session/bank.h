#pragma once

namespace tiku {

// The two question banks of the workbook, as chosen on the main menu.
enum class Bank {
    Humanities, // 人文: worksheet sheet1, the first sheet
    Clinical,   // 临床: worksheet sheet2, the second sheet
};

} // namespace tiku
