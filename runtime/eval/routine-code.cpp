#include "runtime/eval/routine-code.h"

#include "runtime/core/raise.h"

namespace zel::routine_code {

namespace {
Code codes[code_capacity];
u32 filled = 0;
}  // namespace

u32 add_code(Code code) {
    if (filled == code_capacity) {
        const Cell limit{header_of(Type::integer), 0, code_capacity, 0};
        raise(ErrorId::internal_limit_hit, &limit);
    }
    codes[filled++] = code;
    return filled;
}

Code code_at(u32 index) { return index >= 1 && index <= filled ? codes[index - 1] : nullptr; }

}  // namespace zel::routine_code
