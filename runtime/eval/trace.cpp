#include "runtime/eval/trace.h"

#include <iterator>

#include "runtime/core/cell-views.h"
#include "runtime/core/hooks.h"
#include "runtime/datatypes/function.h"
#include "runtime/datatypes/standard.h"
#include "runtime/eval/exits.h"
#include "runtime/eval/interpreter.h"
#include "runtime/memory/node.h"
#include "runtime/memory/roots.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/names/runtime-words.h"
#include "runtime/names/symbol.h"

namespace zel::trace {

bool active = false;
bool watching = false;
u32 body_expect = 0;
State state{false, false, false, false};
bool resumed = true;

namespace {

Cell* callback = nullptr;  // the installed callback, none! without one
u32 mask = 0;

// The word of each event, in flag order.
Cell* const* event_words() {
    static Cell* const* const words[] = {&words::init,   &words::end,     &words::prolog, &words::epilog,
                                         &words::enter,  &words::exit_,   &words::open,   &words::return_,
                                         &words::fetch,  &words::push,    &words::set,    &words::call,
                                         &words::error,  &words::throw_,  &words::catch_, &words::expr};
    static Cell* resolved[std::size(words)] = {};
    if (!resolved[0])
        for (u32 i = 0; i < std::size(words); ++i) resolved[i] = *words[i];
    return resolved;
}
constexpr u32 event_count = 16;

u32 flag_of_word(const Cell& word) {
    const u32 wanted = symbol::canonical_id(as_word(word).symbol);
    Cell* const* events = event_words();
    for (u32 i = 0; i < event_count; ++i)
        if (symbol::canonical_id(as_word(*events[i]).symbol) == wanted) return 1u << i;
    return 0;
}

const Cell& word_of_flag(u32 flag) {
    u32 i = 0;
    while (i + 1 < event_count && !(flag & (1u << i))) ++i;
    return *event_words()[i];
}

// The events whose reference is passed on; the others get none!.
constexpr u32 with_reference = event::set | event::prolog | event::epilog | event::return_ | event::call;

}  // namespace

void init() {
    callback = series_buffer::append_cell(roots::block());
    *callback = none_cell;
    state = State{false, false, false, false};
    mask = 0;
    update();
}

u32 mask_of(const Cell& fn) {
    if (!fn.is(Type::function)) return all_events;
    const Cell body = *function::record_cell(fn, function::record::body);
    if (!body.is(Type::block)) return all_events;
    const auto pos = as_series(body);
    Buffer* const b = node::buffer(pos.node);
    if (pos.index >= b->cell_count()) return all_events;
    const Cell first = reinterpret_cast<const Cell*>(b->head_ptr())[pos.index];
    if (!first.is(Type::block)) return all_events;
    u32 bits = 0;
    const auto names = as_series(first);
    Buffer* const nb = node::buffer(names.node);
    for (u32 i = names.index; i < nb->cell_count(); ++i) {
        const Cell item = reinterpret_cast<const Cell*>(nb->head_ptr())[i];
        if (item.is(Type::word)) bits |= flag_of_word(item);
    }
    return bits;
}

void pass(u32 flag, Node code, u32 index, const Cell* value, const Cell* ref) {
    if (!(flag & mask)) return;
    i32 offset = -1;
    if (code && index <= node::buffer(code)->cell_count()) offset = static_cast<i32>(index);
    const Cell args[6] = {
        word_of_flag(flag),
        code ? block_cell(code) : none_cell,
        Cell{header_of(Type::integer), 0, static_cast<u32>(offset), 0},
        value && value->header ? *value : none_cell,
        ref && (flag & with_reference) ? *ref : none_cell,
        Cell{header_of(Type::pair), 0, stack::index_of(stack::base), stack::index_of(stack::top)},
    };
    // An exit on its way out as a status is held while the callback runs.
    const bool exiting = exits::exiting;
    const ExitThrow status = exits::status;
    exits::exiting = false;
    {
        const Saved saved;
        state.quiet = true;
        update();
        // The cell at the top may be a value the traced code is about to take.
        Cell* const top = stack::push(unset_cell);
        Cell ignored;
        interp::call_with(*words::tag_interp_callback, *callback, args, 6, 0, ignored);
        stack::top = top;
    }
    exits::exiting = exiting;
    exits::status = status;
}

void pass_here(u32 flag, const Cell* value, const Cell* ref) {
    const bool in_block = interp::position && interp::position->is(Type::block);
    pass(flag, in_block ? as_series(*interp::position).node : 0, in_block ? as_series(*interp::position).index : 0,
         value, ref);
}

bool start(const Cell& fn) {
    if (state.installed) return false;
    *callback = fn;
    mask = mask_of(fn);
    // The code handed over is the user's, even when library code hands it.
    state = State{true, true, false, false};
    resumed = true;
    update();
    return true;
}

void stop() {
    *callback = none_cell;
    mask = 0;
    state.installed = false;
    resumed = true;
    update();
}

void switch_events(bool on) {
    if (!state.installed) return;
    resumed = on;
    update();
}

bool user_visible() { return state.installed && state.user_on && resumed && !state.quiet; }

CallbackScope::CallbackScope(u32 callback_class) {
    if (!state.installed) return;
    const Cell* bits = standard::system_value(
        {standard::Field::system_state, standard::Field::state_callbacks, standard::Field::callbacks_bits});
    const bool enabled = callback_class && bits && bits->is(Type::integer) &&
                         (static_cast<u32>(as_integer(*bits).value) & callback_class);
    if (!enabled) state.quiet = true;
    update();
}

BodyScope::BodyScope(u32 header) {
    state.in_library = (header & function::flag::library) != 0;
    if (header & function::flag::trace) state.user_on = true;
    else if (header & function::flag::no_trace) state.user_on = false;
    update();
}

}  // namespace zel::trace
