#pragma once

#include "core/failure.h"

namespace tiku::bank {

// Every failure of the workbook engine. The description is plain Chinese and names the file; it
// never contains the password.
class BankError : public Failure {
public:
    BankError(ErrorKind kind, QString description) : Failure(kind, std::move(description)) {}
};

} // namespace tiku::bank
