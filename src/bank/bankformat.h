#pragma once

// The limits of the workbook format and of the reader, beside the question bank's own rules.

#include "core/bankrules.h"

#include <QStringView>
#include <QtGlobal>

namespace tiku::bank {

// A BIFF8 worksheet: rows and columns, and the characters of one cell's text.
inline constexpr int maxSheetRows = 65536;
inline constexpr int maxSheetColumns = 256;
inline constexpr int maxTextLength = 32767;
// A sheet name: 1 to 31 characters, none of these.
inline constexpr int maxSheetNameLength = 31;
inline constexpr char16_t sheetNameForbidden[] = u"[]:*?/\\";

// What keeps a name from being a sheet's, the length before the characters.
enum class SheetNameFault { None, Empty, TooLong, ForbiddenCharacter };

inline SheetNameFault sheetNameFault(QStringView name) {
    if (name.isEmpty()) {
        return SheetNameFault::Empty;
    }
    if (name.size() > maxSheetNameLength) {
        return SheetNameFault::TooLong;
    }
    for (QChar c : name) {
        if (QStringView(sheetNameForbidden).contains(c)) {
            return SheetNameFault::ForbiddenCharacter;
        }
    }
    return SheetNameFault::None;
}

// What the reader takes: a bank of 32,767 questions of a few hundred characters in each of two
// sheets is some tens of MB; larger files and sheet floods are refused before they cost time
// and memory.
inline constexpr qint64 maxWorkbookBytes = qint64(128) << 20;
inline constexpr int maxWorkbookBytesMb = 128;
inline constexpr int maxSheets = 10000;

// Why a workbook of size bytes is refused, by the reader and, before writing it, by the writer.
inline QString workbookTooLarge(qint64 size) {
    return QStringLiteral("文件太大（%1 字节），题库文件最大为 %2 MB。")
        .arg(size)
        .arg(maxWorkbookBytesMb);
}

} // namespace tiku::bank
