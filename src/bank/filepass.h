#pragma once

// The FILEPASS record: which encryption a workbook uses, whether the password opens it, and the
// cipher for the records after it.

#include "recordstream.h"
#include "types.h"

namespace tiku::bank::biff {

struct Protection {
    Encryption encryption = Encryption::None;
    int keyBits = 0;
    std::unique_ptr<crypto::RecordCipher> cipher;
};

// Reads FILEPASS (never encrypted itself) and checks the password, then the default password
// Excel uses when none is asked for. Throws Fault: PasswordRefused, UnsupportedFormat, Damaged.
Protection readFilePass(const Records& records, const Record& filePass, const QString& password);

} // namespace tiku::bank::biff
