#include "runtime/eval/interp-hooks.h"

#include "runtime/eval/error.h"

namespace zel::interp {

void (*eval_block_hook)(const Cell& block, Cell& result) = nullptr;
void (*call_function_hook)(const Cell& name, const Cell& function, const Cell* args, u32 count, u32 trace_class,
                           Cell& result) = nullptr;

void eval_block(const Cell& block, Cell& result) {
    if (!eval_block_hook) raise(ErrorId::internal_not_done);
    eval_block_hook(block, result);
}

Cell call_function(const Cell& name, const Cell& function, const Cell* args, u32 count, u32 trace_class) {
    if (!call_function_hook) raise(ErrorId::internal_not_done);
    Cell result = unset_cell;
    call_function_hook(name, function, args, count, trace_class, result);
    return result;
}

}  // namespace zel::interp

namespace zel::interp {

i32 (*form_call_trace_hook)(u32 depth, u32 end, Output& out, i32 limit) = nullptr;

}  // namespace zel::interp
