#pragma once

// The code of the Failure a call throws, for the tests of the rules and conversions.

#include "core/failure.h"

#include <optional>

namespace tiku::testing {

// The failure code of the call, or nothing when it succeeds.
template <class F> std::optional<int> failureCode(F&& call) {
    try {
        call();
    } catch (const Failure& failure) {
        return failure.code();
    }
    return std::nullopt;
}

} // namespace tiku::testing
