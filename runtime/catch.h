// Catch records over the one exception type. A record opened at a level takes every code
// at or below it (unsigned comparison, as the codes are ordered); the handler acts on the
// codes it knows and may rethrow the current one with `throw;`. Codes above the level pass
// on untouched, with their dynamic type (an ErrorThrow stays one).
#pragma once
#include "runtime/core/throw.h"

namespace zel {

template <class Body, class Handler>
auto catch_at(u32 level, Body&& body, Handler&& handler) -> decltype(body()) {
    try {
        return body();
    } catch (const Throw& t) {
        if (!t.caught_at(level)) throw;
        return handler(t);
    }
}

}  // namespace zel
