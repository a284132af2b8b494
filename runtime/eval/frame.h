// Call frames: one record per open call, try, catch, loop or evaluated block, on a stack of
// 12,000 records beside the evaluation stack. A frame keeps the caller's argument base and,
// for a function call, the values position its context had, which closing (or unwinding
// past) the frame puts back; so a context always sees the values of its innermost call.
#pragma once
#include "runtime/core/cell-views.h"
#include "runtime/eval/stack.h"
#include "runtime/names/context.h"
#include "runtime/memory/node.h"

namespace zel {
class Output;
}

namespace zel::frame {

constexpr u32 capacity = 12000;

// Header bits: the kind in bits 24-27, the function-body flag (the target of return and
// exit) and the interpreted flag (opened by the interpreter, or marked by apply).
namespace kind {
constexpr u32 function = 0x01000000;
constexpr u32 native = 0x02000000;
constexpr u32 try_ = 0x04000000;
constexpr u32 try_all = 0x05000000;
constexpr u32 catch_ = 0x06000000;
constexpr u32 eval = 0x07000000;
constexpr u32 loop = 0x08000000;
constexpr u32 mask = 0x0F000000;
}  // namespace kind
constexpr u32 body_flag = 0x10000000;
constexpr u32 interpreted_flag = 0x80000000;

struct Record {
    u32 header;
    u32 symbol;            // the word the call was made under
    Cell* saved_base;      // the caller's argument base
    Node word_context;     // the context that word was bound to
    Node function_context;  // the called function's context, or 0
    u32 saved_values;       // that context's values position when the frame opened

    u32 kind() const { return header & kind::mask; }
};

extern Record records[capacity];
extern Record* top_;  // the first free record

// Empties the frame stack and registers the frames' contexts with the collector.
void init();

inline u32 depth() { return static_cast<u32>(top_ - records); }
inline bool empty() { return top_ == records; }
// The top record; only when a frame is open.
inline Record* top() { return top_ - 1; }
inline Record* at(u32 index) { return records + index; }

[[noreturn]] void overflow();

inline Cell* open(const Cell& word, u32 flags) {
    if (top_ == records + capacity) overflow();
    *top_++ = Record{flags, as_word(word).symbol, stack::base, as_word(word).context, 0, 0};
    return stack::base = stack::top;
}
// The context! cell of a context's node, which says where its values are.
[[gnu::always_inline]] inline Cell& context_cell(Node ctx) {
    return reinterpret_cast<Cell*>(node::buffer(ctx)->head_ptr())[0];
}

// Value slot `index` of the context whose context! cell is `ctx`, or null when its values
// are on the stack and it is not running.
[[gnu::always_inline]] inline Cell* value_slot(const Cell& ctx, u32 index) {
    const u32 values = as_context(ctx).values;
    if (!(ctx.header & cellflag::context_on_stack))
        return reinterpret_cast<Cell*>(node::buffer(values)->head_ptr()) + index;
    return values ? stack::at(values - 1 + index) : nullptr;
}

// Whether a word is bound to a context with a slot of its own.
[[gnu::always_inline]] inline bool bound(const Cell& word) {
    const auto w = as_word(word);
    return w.context && w.index != context::no_index;
}

// The context! cell of a bound word's context.
[[gnu::always_inline]] inline Cell& binding(const Cell& word) { return context_cell(as_word(word).context); }

// The value slot of a bound word, or null when it is bound to a function context that is
// not running.
[[gnu::always_inline]] inline Cell* slot_of(const Cell& word) {
    return value_slot(binding(word), as_word(word).index);
}

// The value slot of a bound word; anything else (unbound, `self`, a function context that
// is not running) goes through the contexts' own lookup, which raises.
[[gnu::always_inline]] inline Cell* word_slot(const Cell& word) {
    if (bound(word)) {
        if (Cell* slot = slot_of(word)) return slot;
    }
    return context::get_word(word);
}

// A function frame remembers where its context's values are, for the closing to restore.
inline Cell* open_function(const Cell& word, Node ctx, u32 flags = kind::function) {
    if (top_ == records + capacity) overflow();
    const u32 values = ctx ? as_context(context_cell(ctx)).values : 0;
    *top_++ = Record{flags, as_word(word).symbol, stack::base, as_word(word).context, ctx, values};
    return stack::base = stack::top;
}
inline Cell* open_native(const Cell& word) { return open(word, kind::native); }
inline Cell* open_interp_native(const Cell& word) { return open(word, kind::native | interpreted_flag); }
inline Cell* open_interp_function(const Cell& word, Node ctx) {
    return open_function(word, ctx, kind::function | interpreted_flag);
}
inline Cell* open_try(const Cell& word) { return open(word, kind::try_); }
inline Cell* open_try_all(const Cell& word) { return open(word, kind::try_all); }
inline Cell* open_catch(const Cell& word) { return open(word, kind::catch_); }
inline Cell* open_eval(const Cell& word) { return open(word, kind::eval | interpreted_flag); }
inline Cell* open_loop(const Cell& word) { return open(word, kind::loop); }

// Puts back the values position of a function frame's context.
inline void restore_context(const Record& r) {
    if (r.kind() == kind::function && r.function_context)
        as_context(context_cell(r.function_context)).values = r.saved_values;
}

// Closers: each pops the top frame and gives the caller its base back.
// The call's result stays pushed as the caller's last value.
inline void close() {
    const Record& r = *--top_;
    stack::top = stack::base + 1;
    stack::base = r.saved_base;
}
inline void close_function() {
    restore_context(*top());
    close();
}
void close_return();

// Pops frames down to `depth` open ones, putting back the contexts of function frames
// popped. The catch sites of non-local exits call it with the depth they opened at.
void unwind_to(u32 depth);

// The frame-stack depth recorded by the last throw, from which the next call-word lookup
// starts (then it is forgotten); 0 when none.
extern u32 saved_throw_depth;

// Whether the frame names a call (not <body> nor <anon>).
bool named(const Record& r);
// The word of the innermost named call, bound in that frame's word context; <not-found>
// when there is none.
Cell current_call_word();
// The value the word of a frame names, or null.
const Cell* called_value(const Record& r);
// Parameter `index` (0-based; word!, lit-word!, get-word! or refinement!) of a
// callable's parameter block as a word!, or none.
Cell parameter_word(const Cell& callable, u32 index);
// The same for the function the current call runs.
Cell current_param_word(u32 index);

i32 form_call_trace(u32 level, u32 end, Output& out, i32 limit);
void collect_call_words(u32 level, u32 end, const Cell& block);
// Appends to the block, for each named frame below depth `from` down to the second one
// (innermost first), the frame's word (bound in the called function's context, or the
// global one) and its saved argument base as a cell index from the stack bottom.
void backtrace_block(u32 from, const Cell& block);

}  // namespace zel::frame
