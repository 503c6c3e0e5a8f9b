#pragma once

// Writing a compound file (version 3, 512-byte sectors) that holds one stream under its root
// storage: what a BIFF8 workbook file is on disk.

#include <QByteArray>
#include <QString>

namespace tiku::bank::detail {

// The file. A stream under 4096 bytes goes into the mini stream, a larger one into regular
// sectors; a FAT of more than 109 sectors is listed in DIFAT sectors. The stream name is cut
// to 31 characters.
QByteArray writeCompoundFile(const QString& streamName, const QByteArray& stream);

} // namespace tiku::bank::detail
