#pragma once

// Writing a compound file (version 3, 512-byte sectors) that holds one stream under its root
// storage: what a BIFF8 workbook file is on disk.

#include <QByteArray>
#include <QString>

namespace tiku::bank::detail {

struct CompoundFileLayout {
    bool inMiniStream = false; // the stream lies in the mini stream (it is under 4096 bytes)
    int fatSectors = 0;
    int difatSectors = 0; // needed when the FAT takes more than 109 sectors
    int miniFatSectors = 0;
};

// The file, and how it was laid out. The stream name is at most 31 characters.
QByteArray writeCompoundFile(const QString& streamName, const QByteArray& stream,
                             CompoundFileLayout* layout = nullptr);

} // namespace tiku::bank::detail
