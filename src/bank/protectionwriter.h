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

// The salt and the verifier are drawn from seed, so that the same workbook written twice under
// the same password gives the same bytes (a package's demo bank, a build made again). Throws
// BankError (BadArgument) for options no reader could open.
Protection makeProtection(const WriteOptions& options, const QByteArray& seed);

// A seed for makeProtection: a keyed hash of the workbook's content under the password. Two
// workbooks share it only when they are the same, so no two share a keystream; without the
// password it tells nothing of the content.
QByteArray protectionSeed(const WorkbookSpec& spec, const QString& password);

} // namespace tiku::bank::detail
