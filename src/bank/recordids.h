#pragma once

// BIFF8 record types of the Workbook stream, shared by the reader and the writer.

#include <QtGlobal>

namespace tiku::bank::biff::record {

// Workbook globals.
inline constexpr quint16 Bof = 0x0809;
inline constexpr quint16 Eof = 0x000A;
inline constexpr quint16 FilePass = 0x002F;
inline constexpr quint16 InterfaceHdr = 0x00E1;
inline constexpr quint16 UsrExcl = 0x0194;
inline constexpr quint16 FileLock = 0x0195;
inline constexpr quint16 RrdInfo = 0x0196;
inline constexpr quint16 RrdHead = 0x0138;
inline constexpr quint16 Mms = 0x00C1;
inline constexpr quint16 InterfaceEnd = 0x00E2;
inline constexpr quint16 WriteAccess = 0x005C;
inline constexpr quint16 CodePage = 0x0042;
inline constexpr quint16 Dsf = 0x0161;
inline constexpr quint16 WindowProtect = 0x0019;
inline constexpr quint16 Protect = 0x0012;
inline constexpr quint16 Password = 0x0013;
inline constexpr quint16 TabId = 0x013D;
inline constexpr quint16 FnGroupCount = 0x009C;
inline constexpr quint16 Prot4Rev = 0x01AF;
inline constexpr quint16 Prot4RevPass = 0x01BC;
inline constexpr quint16 RefreshAll = 0x01B7;
inline constexpr quint16 Window1 = 0x003D;
inline constexpr quint16 Backup = 0x0040;
inline constexpr quint16 HideObj = 0x008D;
inline constexpr quint16 DateMode = 0x0022; // DATE1904
inline constexpr quint16 Precision = 0x000E;
inline constexpr quint16 BookBool = 0x00DA;
inline constexpr quint16 Font = 0x0031;
inline constexpr quint16 Format = 0x041E;
inline constexpr quint16 Xf = 0x00E0;
inline constexpr quint16 Style = 0x0293;
inline constexpr quint16 UsesElfs = 0x0160;
inline constexpr quint16 BoundSheet = 0x0085;
inline constexpr quint16 Country = 0x008C;
inline constexpr quint16 Sst = 0x00FC;
inline constexpr quint16 ExtSst = 0x00FF;
inline constexpr quint16 Continue = 0x003C;

// Worksheet settings.
inline constexpr quint16 CalcMode = 0x000D;
inline constexpr quint16 CalcCount = 0x000C;
inline constexpr quint16 RefMode = 0x000F;
inline constexpr quint16 Iteration = 0x0011;
inline constexpr quint16 Delta = 0x0010;
inline constexpr quint16 SaveRecalc = 0x005F;
inline constexpr quint16 PrintHeaders = 0x002A;
inline constexpr quint16 PrintGridlines = 0x002B;
inline constexpr quint16 GridSet = 0x0082;
inline constexpr quint16 Guts = 0x0080;
inline constexpr quint16 DefaultRowHeight = 0x0225;
inline constexpr quint16 WsBool = 0x0081;
inline constexpr quint16 DefColWidth = 0x0055;
inline constexpr quint16 ColInfo = 0x007D;
inline constexpr quint16 Dimensions = 0x0200;
inline constexpr quint16 Row = 0x0208;
inline constexpr quint16 Window2 = 0x023E;

// Cells and what belongs to them.
inline constexpr quint16 Formula = 0x0006;
inline constexpr quint16 RString = 0x00D6;
inline constexpr quint16 LabelSst = 0x00FD;
inline constexpr quint16 Label = 0x0204;
inline constexpr quint16 Number = 0x0203;
inline constexpr quint16 Rk = 0x027E;
inline constexpr quint16 MulRk = 0x00BD;
inline constexpr quint16 BoolErr = 0x0205;
inline constexpr quint16 Blank = 0x0201;
inline constexpr quint16 MulBlank = 0x00BE;
inline constexpr quint16 String = 0x0207; // a formula's text result
inline constexpr quint16 ShrFmla = 0x04BC;
inline constexpr quint16 Array = 0x0221;
inline constexpr quint16 Table = 0x0236;

// The most data one record holds; longer data goes on in CONTINUE records.
inline constexpr int maxData = 8224;

} // namespace tiku::bank::biff::record
