#pragma once

#include <QtGlobal>

namespace tiku::bank {

// The error values a cell can hold, by their BIFF8 codes.
enum class ErrorValue : quint8 {
    Null = 0x00,  // #NULL!
    Div0 = 0x07,  // #DIV/0!
    Value = 0x0F, // #VALUE!
    Ref = 0x17,   // #REF!
    Name = 0x1D,  // #NAME?
    Num = 0x24,   // #NUM!
    NA = 0x2A,    // #N/A
};

enum class SheetKind { Worksheet, Chart, Macro };

enum class Encryption { None, Xor, Rc4, Rc4CryptoApi };

} // namespace tiku::bank
