#pragma once

// Constants of the compound file format, shared by its reader and its writer.

#include <QtGlobal>

namespace tiku::bank::cfb::format {

inline constexpr unsigned char signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

// Special sector numbers in the FAT and in the header's and directory's sector fields.
inline constexpr quint32 maxRegularSector = 0xFFFFFFFA;
inline constexpr quint32 difSector = 0xFFFFFFFC;
inline constexpr quint32 fatSector = 0xFFFFFFFD;
inline constexpr quint32 endOfChain = 0xFFFFFFFE;
inline constexpr quint32 freeSector = 0xFFFFFFFF;
inline constexpr quint32 noStream = 0xFFFFFFFF; // no sibling, child or directory entry

inline constexpr int headerDifatEntries = 109; // FAT sector numbers held in the header
inline constexpr int directoryEntrySize = 128;
inline constexpr int miniSectorSize = 64;
inline constexpr qint64 miniStreamCutoff = 4096; // smaller streams live in the mini stream

} // namespace tiku::bank::cfb::format
