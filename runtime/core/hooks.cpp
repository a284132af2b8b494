#include "runtime/core/hooks.h"

#include "runtime/core/raise.h"

namespace zel::hooks {

void (*eval_block)(const Cell& block, Cell& result) = nullptr;
void (*call_function)(const Cell& name, const Cell& function, const Cell* args, u32 count, u32 trace_class,
                      Cell& result) = nullptr;
i32 (*form_call_trace)(u32 depth, u32 end, Output& out, i32 limit) = nullptr;
void (*collect_call_words)(u32 depth, u32 end, const Cell& block) = nullptr;
Cell* (*stack_values)(u32 position) = nullptr;
bool (*call_open)() = nullptr;
Cell (*current_call_word)() = nullptr;
Cell (*current_param_word)(u32 index) = nullptr;
void (*error_raised)(const Cell& error) = nullptr;
Cell (*make_routine)(const Cell& spec_and_code) = nullptr;
Cell (*make_error)(ErrorId id, const Cell* arg1, const Cell* arg2, const Cell* arg3) = nullptr;
void (*object_changed)(const Cell& owner, const Cell& word, const Cell& old_value, const Cell& new_value) = nullptr;
bool (*compare_values)(const Cell& value1, const Cell& value2, i32 code) = nullptr;
u32 (*added_currency_index)(const char* code) = nullptr;
bool (*added_currency_code)(u32 index, char* code) = nullptr;
u32 (*canonical_symbol)(u32 symbol) = nullptr;

void run(const Cell& block, Cell& result) {
    if (!hooks::eval_block) raise(ErrorId::internal_not_done);
    hooks::eval_block(block, result);
}

Cell call(const Cell& name, const Cell& function, const Cell* args, u32 count, u32 trace_class) {
    if (!hooks::call_function) raise(ErrorId::internal_not_done);
    Cell result = unset_cell;
    hooks::call_function(name, function, args, count, trace_class, result);
    return result;
}

}  // namespace zel::hooks
