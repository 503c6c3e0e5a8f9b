#pragma once

// The FILEPASS record a workbook is written with, and the cipher for the records after it.

#include "recordwriter.h"
#include "writer.h"

#include <memory>

namespace tiku::bank::detail {

struct Protection {
    Bytes filePass;
    std::unique_ptr<crypto::RecordCipher> cipher;
};

// Throws BankError (BadArgument) for options no reader could open.
Protection makeProtection(const WriteOptions& options);

} // namespace tiku::bank::detail
