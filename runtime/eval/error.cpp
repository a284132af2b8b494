#include "runtime/eval/error.h"

#include <initializer_list>

namespace zel {

void raise(ErrorId id, const Cell* arg1, const Cell* arg2, const Cell* arg3) {
    ErrorThrow e{};
    e.code = ThrowCode::error;
    e.id = id;
    for (const Cell* a : {arg1, arg2, arg3}) {
        if (!a) break;
        e.args[e.arg_count++] = *a;
    }
    throw e;
}

}  // namespace zel
