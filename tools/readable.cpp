#include "readable.h"

namespace tiku::tool {

QString usageText() {
    return QStringLiteral(
        "usage: tiku-bank info FILE [--json] [--password P]\n"
        "       tiku-bank dump FILE --sheet NAME [--rows A-B] [--password P]\n"
        "       tiku-bank check FILE [--password P]\n"
        "       tiku-bank make INPUT... -o FILE [--password P] [--input-password P]\n"
        "                      [--rename OLD=NEW]... [--verbose] [--single-only] [--force]\n"
        "       tiku-bank --help | --version\n"
        "\n"
        "  info   format, encryption and every sheet of a workbook with its used rows\n"
        "         (--json: as one JSON object)\n"
        "  dump   one line per row of sheet NAME: row number, column B, column C, with line\n"
        "         breaks and tabs written \\n and \\t (--rows A-B: rows A to B only)\n"
        "  check  finds what the program cannot use in the banks sheet1 (人文) and sheet2 (临床)\n"
        "  make   writes a bank workbook to FILE from its INPUTs, told apart by content: a\n"
        "         workbook (.xls, .xlsx, .ods) gives all its sheets; a question list (.txt, "
        ".docx)\n"
        "         and a TSV or CSV file (.tsv, .csv) one sheet named after the file\n"
        "         (--input-password: an input .xls's password; --rename OLD=NEW: rename a sheet;\n"
        "         --verbose: list the question-list lines left out; --single-only: leave out\n"
        "         multiple-answer, true/false and option-less questions; --force: write a\n"
        "         bank that check's rules find unusable)\n"
        "  --password P  the workbook's password; without it, the program's bank password\n"
        "\n"
        "Exit status: 0 success, 1 check found something, 2 bad usage or a file that cannot\n"
        "be read, opened with the password, or written. See man tiku-bank.\n"
        "\n"
        "用法：\n"
        "  info   显示工作簿的格式、加密方式及每个工作表的已用行（--json：输出为一个 JSON 对象）\n"
        "  dump   逐行输出工作表 NAME：行号、B 列、C 列，换行和制表符写作 \\n、\\t\n"
        "         （--rows A-B：只输出第 A 至 B 行）\n"
        "  check  检查 sheet1（人文）和 sheet2（临床）两个题库中程序无法使用的内容\n"
        "  make   由输入文件生成题库工作簿 FILE，按内容识别：工作簿（.xls、.xlsx、.ods）的每个\n"
        "         工作表；题目列表（.txt、.docx）及 TSV、CSV 文件各成为一个以文件名命名的工作表\n"
        "         （--input-password：输入 .xls 的密码；--rename 旧名=新名：重命名工作表；\n"
        "         "
        "--verbose：列出题目列表中略过的行；--single-only：略去多选、判断及无选项的题目；\n"
        "         --force：题库未通过 check 的规则时仍写出）\n"
        "  --password P  工作簿的密码；不给出时使用程序的题库密码\n"
        "退出状态：0 成功；1 check 发现问题；2 "
        "用法错误，或文件无法读取、无法用密码打开、无法写入。\n"
        "详见 man tiku-bank。\n");
}

QString versionLine() {
    return QStringLiteral("tiku-bank %1").arg(QStringLiteral(TIKU_VERSION));
}

} // namespace tiku::tool
