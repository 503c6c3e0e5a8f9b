#pragma once

// The compound file's layout, shared by its reader and its writer: the header's fields, the
// directory entry's fields, the sector sizes and the special sector numbers.

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

// The header: byte offsets of its fields, in the first 512 bytes of the file.
namespace header {
inline constexpr int size = 512;
inline constexpr int minorVersion = 0x18;     // 16 bits
inline constexpr int majorVersion = 0x1A;     // 16 bits: 3 or 4
inline constexpr int byteOrder = 0x1C;        // 16 bits: 0xFFFE
inline constexpr int sectorShift = 0x1E;      // 16 bits: 9 (version 3) or 12 (version 4)
inline constexpr int miniSectorShift = 0x20;  // 16 bits: 6
inline constexpr int directorySectors = 0x28; // 32 bits: 0 in version 3
inline constexpr int fatSectors = 0x2C;       // 32 bits: the number of FAT sectors
inline constexpr int firstDirectory = 0x30;   // 32 bits: the directory's first sector
inline constexpr int transaction = 0x34;      // 32 bits: 0
inline constexpr int miniStreamCutoff = 0x38; // 32 bits: 4096
inline constexpr int firstMiniFat = 0x3C;     // 32 bits
inline constexpr int miniFatSectors = 0x40;   // 32 bits
inline constexpr int firstDifat = 0x44;       // 32 bits
inline constexpr int difatSectors = 0x48;     // 32 bits
inline constexpr int difat = 0x4C;            // the first FAT sector numbers, 32 bits each

inline constexpr quint16 minorVersionValue = 0x003E;
inline constexpr quint16 byteOrderValue = 0xFFFE;
} // namespace header

inline constexpr int headerDifatEntries = 109; // FAT sector numbers held in the header

// A directory entry: byte offsets of its fields.
namespace entry {
inline constexpr int size = 128;
inline constexpr int name = 0x00;       // up to 31 UTF-16 characters and a terminating zero
inline constexpr int nameBytes = 0x40;  // 16 bits: the name's length in bytes, the zero included
inline constexpr int type = 0x42;       // 8 bits: EntryType
inline constexpr int color = 0x43;      // 8 bits: 0 red, 1 black
inline constexpr int left = 0x44;       // 32 bits: the left sibling
inline constexpr int right = 0x48;      // 32 bits: the right sibling
inline constexpr int child = 0x4C;      // 32 bits: a storage's first child
inline constexpr int start = 0x74;      // 32 bits: the first sector
inline constexpr int streamSize = 0x78; // 64 bits (the high half undefined in version 3)

inline constexpr int maxNameBytes = 64;
inline constexpr quint8 black = 1;
} // namespace entry

// Directory entry types.
enum EntryType : quint8 { emptyEntry = 0, storageEntry = 1, streamEntry = 2, rootEntry = 5 };

inline constexpr int miniSectorSize = 64;
inline constexpr qint64 miniStreamCutoff = 4096; // smaller streams live in the mini stream

} // namespace tiku::bank::cfb::format
