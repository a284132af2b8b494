#include "runtime/core/raise.h"

#include <initializer_list>

#include "runtime/core/hooks.h"

namespace zel {
namespace {

// Set while an error! is being built, so that a failure inside (no memory) is thrown
// plainly instead of building again.
bool building = false;

Cell build(const ErrorThrow& e) {
    if (building || !hooks::make_error) return none_cell;
    building = true;
    Cell value = none_cell;
    try {
        const Cell* a = e.args;
        value = hooks::make_error(e.id, e.arg_count > 0 ? &a[0] : nullptr, e.arg_count > 1 ? &a[1] : nullptr,
                              e.arg_count > 2 ? &a[2] : nullptr);
    } catch (const Throw&) {
        value = none_cell;
    }
    building = false;
    return value;
}

}  // namespace

void raise(ErrorId id, const Cell* arg1, const Cell* arg2, const Cell* arg3) {
    ErrorThrow e{};
    e.code = ThrowCode::error;
    e.id = id;
    e.value = none_cell;
    for (const Cell* a : {arg1, arg2, arg3}) {
        if (!a) break;
        e.args[e.arg_count++] = *a;
    }
    e.value = build(e);
    if (hooks::error_raised) hooks::error_raised(e.value);
    throw e;
}

}  // namespace zel
