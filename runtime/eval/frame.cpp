#include "runtime/eval/frame.h"

#include <algorithm>

#include "runtime/core/hooks.h"
#include "runtime/core/raise.h"
#include "runtime/core/type-families.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/datatypes/word.h"
#include "runtime/memory/gc.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/names/context.h"
#include "runtime/names/runtime-words.h"
#include "runtime/names/symbol.h"
#include "runtime/text/cycle.h"

namespace zel::frame {

Record records[capacity];
Record* top_ = records;
u32 saved_throw_depth = 0;

namespace {

bool on_stack(Node ctx) { return (context_cell(ctx).header & cellflag::context_on_stack) != 0; }

// The word of a symbol bound in `ctx` when it has the symbol, else in the global context.
Cell word_in(Node ctx, u32 symbol) {
    if (ctx) {
        const i32 index = context::find_symbol(ctx, symbol, true);
        if (index >= 0) return word_cell(Type::word, ctx, symbol, static_cast<u32>(index));
    }
    const u32 index = as_word(context::intern_global_word(symbol, true, false)).index;
    return word_cell(Type::word, context::global, symbol, index);
}

void mark(void*) {
    for (const Record* r = records; r < top_; ++r) {
        if (r->word_context) gc::mark_series(r->word_context);
        if (!r->function_context) continue;
        gc::mark_series(r->function_context);
        if (!on_stack(r->function_context) && r->saved_values) gc::mark_series(r->saved_values);
    }
}

// Whether a call trace lists the frame: a named one whose word holds a function!, or any
// named one above level 1.
bool listed(const Record& r, u32 level) {
    if (!named(r)) return false;
    if (level > 1) return true;
    const Cell* value = called_value(r);
    return value && value->is(Type::function);
}

}  // namespace

void init() {
    top_ = records;
    saved_throw_depth = 0;
    gc::remove_mark_callback(mark);
    gc::add_mark_callback(mark);
    hooks::call_open = [] { return !empty(); };
    hooks::current_call_word = current_call_word;
    hooks::current_param_word = current_param_word;
    hooks::collect_call_words = collect_call_words;
}

void overflow() {
    stack::drop(stack::overflow_room);
    if (stack::base > stack::top) stack::base = stack::top;
    cycle::reset();
    raise(ErrorId::internal_stack_overflow);
}

void close_return() {
    const Cell* result = stack::base;
    close();
    *stack::base = *result;
}

void unwind_to(u32 target) {
    if (depth() <= target) return;
    while (depth() > target) restore_context(*--top_);
    stack::base = records[target].saved_base;
}

bool named(const Record& r) {
    return r.symbol != as_word(*words::tag_body).symbol && r.symbol != as_word(*words::tag_anon).symbol;
}

Cell current_call_word() {
    u32 from = depth();
    if (saved_throw_depth) {
        from = saved_throw_depth < from ? saved_throw_depth : from;
        saved_throw_depth = 0;
    }
    for (u32 i = from; i-- > 0;) {
        const Record& r = records[i];
        if (named(r)) return word_in(r.word_context, r.symbol);
    }
    return *words::tag_not_found;
}

const Cell* called_value(const Record& r) {
    if (!r.word_context) return context::global_value_cell(r.symbol);
    const i32 index = context::find_symbol(r.word_context, r.symbol, true);
    if (index < 0) return context::global_value_cell(r.symbol);
    return value_slot(context_cell(r.word_context), static_cast<u32>(index));
}

Cell parameter_word(const Cell& callable, u32 index) {
    const Cell spec = block_cell(as_callable(callable).spec);
    for (u32 k = 0, n = static_cast<u32>(block::length(spec)); k < n; ++k) {
        Cell entry = *block::cell_at(spec, k);
        const Type t = entry.type();
        if (t != Type::word && t != Type::lit_word && t != Type::get_word && t != Type::refinement) continue;
        if (index-- != 0) continue;
        // The word stands alone in an error, without the line break it had in the parameter block.
        return *cell::set_type(cell::clear_new_line(&entry), Type::word);
    }
    return none_cell;
}

Cell current_param_word(u32 index) {
    for (u32 i = depth(); i-- > 0;) {
        if (!named(records[i])) continue;
        const Cell* value = called_value(records[i]);
        if (!value || !in_family(value->type(), family::any_function)) return none_cell;
        return parameter_word(*value, index);
    }
    return none_cell;
}

i32 form_call_trace(u32 level, u32 end, Output& out, i32 limit) {
    for (u32 i = 0; i < end && i < depth() && limit > 0; ++i) {
        const Record r = records[i];
        if (!listed(r, level)) continue;
        const Cell name = word_cell(Type::word, 0, r.symbol, context::no_index);
        limit = word::form(&name, out, nullptr, limit);
        out.append_char(' ');
        --limit;
    }
    return limit;
}

void collect_call_words(u32 level, u32 end, const Cell& block) {
    for (u32 i = 0; i < end && i < depth(); ++i) {
        const Record r = records[i];
        if (listed(r, level)) block::append_value(block, word_in(0, r.symbol));
    }
}

void backtrace_block(u32 from, const Cell& block) {
    for (u32 i = std::min(from, depth()); i-- > 1;) {
        const Record r = records[i];
        if (!named(r)) continue;
        block::append_value(block, word_in(r.function_context, r.symbol));
        block::append_value(block, Cell{header_of(Type::integer), 0, stack::index_of(r.saved_base), 0});
    }
}

}  // namespace zel::frame
