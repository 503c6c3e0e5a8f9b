#pragma once

// Failure codes the screens and their rules raise beside those of the workbook engine, in the
// same list (tiku::failure_code): the engine's header holds the others.

#include "bank/failure.h"

namespace tiku::failure_code {
inline constexpr int InvalidCall = 5; // an argument out of its range (a random value, a draw)
inline constexpr int OutOfMemory = 7;
inline constexpr int SubscriptOutOfRange = 9; // an index outside an array
inline constexpr int InternalError = 51;
} // namespace tiku::failure_code
