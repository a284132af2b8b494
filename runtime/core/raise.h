// Raising language errors. Every failure of the language goes through `raise`, which
// builds the error! value and throws it as a Throw with code `error`; nothing reports
// failure by a return code.
#pragma once
#include "runtime/core/error-ids.h"
#include "runtime/core/throw.h"

namespace zel {

// The error in flight: its id and arguments, and in `value` the error! built from them
// (none! while the catalogue does not exist yet, or when building it failed, as it may
// when memory runs out).
struct ErrorThrow : Throw {
    ErrorId id;
    Cell args[3]{};
    u32 arg_count = 0;
};

[[noreturn]] void raise(ErrorId id, const Cell* arg1 = nullptr, const Cell* arg2 = nullptr,
                        const Cell* arg3 = nullptr);

}  // namespace zel
