#include "runtime/datatypes/port.h"

#include <initializer_list>

#include "runtime/core/cell-views.h"
#include "runtime/core/hooks.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/function.h"
#include "runtime/datatypes/object.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/standard.h"
#include "runtime/memory/node.h"
#include "runtime/names/context.h"
#include "runtime/names/runtime-words.h"

namespace zel::port {
namespace {

using standard::Field;

constexpr u32 scheme_actor_field = 3;

Cell& field(const Cell& port, Field f) { return object::values_head(port)[standard::index_of(f)]; }

Cell logic(bool b) { return b ? true_cell : false_cell; }

Cell integer(i32 v) { return Cell{header_of(Type::integer), 0, static_cast<u32>(v), 0}; }

// A refinement passed to an actor: its flag, then its value or none! when unused.
struct Refinement {
    Cell flag;
    Cell value;
};
Refinement given(const Cell* value) { return {logic(value != nullptr), value ? *value : none_cell}; }
Refinement counted(i32 count, bool used) { return {logic(used), used ? integer(count) : none_cell}; }

// The argument list of one forwarded call, the port first.
class Args {
public:
    explicit Args(const Cell& port) { add(port); }
    Args& add(const Cell& c) {
        cells_[count_++] = c;
        return *this;
    }
    Args& add(const Cell* c) { return add(c ? *c : none_cell); }
    Args& add(bool flag) { return add(logic(flag)); }
    Args& add(const Refinement& r) { return add(r.flag).add(r.value); }
    const Cell* cells() const { return cells_; }
    u32 count() const { return count_; }

private:
    Cell cells_[16];
    u32 count_ = 0;
};

Cell* forward(Cell* port, const Cell& action, const Args& args) {
    const Cell actor = actor_of(*port);
    *port = call_actor(actor, action, args.cells(), args.count());
    return port;
}

// The first cell equal to `key` in the block, and the one after it; none! when absent.
Cell select_value(const Cell& block, const Cell& key) {
    const Buffer* b = node::buffer(block.w2);
    const u32 n = b->cell_count();
    for (u32 i = block.w1; i + 1 < n; ++i) {
        const Cell* cells = reinterpret_cast<const Cell*>(const_cast<Buffer*>(node::buffer(block.w2))->head_ptr());
        const Cell candidate = cells[i];
        const Cell after = cells[i + 1];
        if (compare_values(candidate, key, compare_code::find)) return after;
    }
    return none_cell;
}

}  // namespace

Cell actor_of(const Cell& port) {
    const Cell actor = field(port, Field::port_actor);
    if (!actor.is(Type::object)) raise(ErrorId::access_invalid_port);
    return actor;
}

Cell call_actor(const Cell& actor, const Cell& action, const Cell* args, u32 count) {
    const Cell fn = *object::select_field(actor, action);
    if (!fn.is(Type::function) || function::arg_count(fn.w2) != count) raise(ErrorId::access_no_port_action, &action);
    return hooks::call(action, fn, args, count, hooks::trace_class::port_actor);
}

namespace {

Cell* make(Cell* result, const Cell* spec_arg, Type) {
    const Cell arg = *spec_arg;
    Cell spec = arg;
    if (!arg.is(Type::object)) {
        Cell parts = object::clone(*standard::refs.url_parts, false, nullptr, false);
        object::make(&parts, &arg, Type::object);
        spec = parts;
    }
    if (object::field_count(spec) == 0 || !object::values_head(spec)[0].is(Type::word))
        raise(ErrorId::access_no_scheme, &arg);
    const Cell scheme_name = object::values_head(spec)[0];
    const Cell copy = object::clone(*standard::refs.port, false, nullptr, false);
    const Cell port = object::make_value(copy.w1, standard::class_id::port_value, 0, Type::port);
    field(port, Field::port_spec) = spec;
    field(port, Field::port_scheme) = scheme_name;
    const Cell scheme = select_value(*standard::refs.schemes, scheme_name);
    if (!scheme.is(Type::object)) raise(ErrorId::access_unknown_scheme, &arg);
    const Cell actor =
        object::field_count(scheme) > scheme_actor_field ? object::values_head(scheme)[scheme_actor_field] : none_cell;
    if (!actor.is(Type::object) && !actor.is(Type::handle)) raise(ErrorId::access_invalid_actor, &arg);
    field(port, Field::port_actor) = actor;
    *result = port;
    return result;
}

i32 mold(const Cell* value, Output& out, MoldFlags flags, const Cell* part, i32 limit, i32 indent) {
    flags.only = false;
    return object::mold_as(*value, "make port! [", out, flags, part, limit, indent);
}

i32 form(const Cell* value, Output& out, const Cell* part, i32 limit) { return mold(value, out, {}, part, limit, 0); }

// The actions forwarded with the port alone, or with one or two more arguments as given.
template <Cell** word>
Cell* no_args(Cell* p) {
    return forward(p, **word, Args(*p));
}
template <Cell** word>
Cell* one_arg(Cell* p, const Cell* arg) {
    return forward(p, **word, Args(*p).add(arg));
}
template <Cell** word>
Cell* two_args(Cell* p, const Cell* arg1, const Cell* arg2) {
    return forward(p, **word, Args(*p).add(arg1).add(arg2));
}

i32 length_q(Cell* p) {
    const Cell result = *no_args<&words::length_q>(p);
    return result.is(Type::integer) ? static_cast<i32>(result.w2) : -1;
}

Args insertion(const Cell& p, const Cell* value, i32 part, bool only, i32 dup) {
    Args args(p);
    args.add(value).add(counted(part, part >= 0)).add(only).add(counted(dup, dup > 1));
    return args;
}

template <Cell** word>
Cell* inserting(Cell* p, const Cell* value, i32 part, bool only, i32 dup, bool) {
    return forward(p, **word, insertion(*p, value, part, only, dup));
}
Cell* change(Cell* p, const Cell* value, i32 part, bool only, i32 dup) {
    return forward(p, *words::change, insertion(*p, value, part, only, dup));
}

Cell* copy(Cell* p, Cell* result, const Cell* part, bool deep, const Cell* types) {
    forward(p, *words::copy, Args(*p).add(given(part)).add(deep).add(given(types)));
    *result = *p;
    return p;
}

Args search(const Cell& p, const Cell* value, const FindRefinements& r) {
    Args args(p);
    args.add(value).add(given(r.part)).add(r.only).add(r.case_).add(r.same).add(r.any);
    args.add(given(r.with)).add(given(r.skip)).add(r.last).add(r.reverse);
    return args;
}

Cell* find(Cell* p, const Cell* value, const FindRefinements& r) {
    return forward(p, *words::find, search(*p, value, r).add(r.tail).add(r.match));
}
Cell* select(Cell* p, const Cell* value, const FindRefinements& r) {
    return forward(p, *words::select, search(*p, value, r));
}

Cell* move(Cell* p, Cell* target, const Cell* part) {
    return forward(p, *words::move, Args(*p).add(*target).add(given(part)));
}
Cell* modify(Cell* p, const Cell* field_word, const Cell* value, bool case_) {
    return forward(p, *words::modify, Args(*p).add(field_word).add(value).add(case_));
}
Cell* open(Cell* p, const OpenRefinements& r) {
    return forward(p, *words::open, Args(*p).add(r.new_).add(r.read).add(r.write).add(r.seek).add(r.allow));
}
Cell* put(Cell* p, const Cell* key, const Cell* value, bool case_) {
    return forward(p, *words::put, Args(*p).add(key).add(value).add(case_));
}
// remove and reverse: the /part argument is forwarded, the other refinement is not.
template <Cell** word>
Cell* with_part(Cell* p, const Cell* part, const Cell*) {
    return forward(p, **word, Args(*p).add(given(part)));
}
Cell* sort(Cell* p, const SortRefinements& r) {
    Args args(*p);
    args.add(r.case_).add(given(r.skip)).add(given(r.compare)).add(given(r.part)).add(r.all).add(r.reverse).add(r.stable);
    return forward(p, *words::sort, args);
}
Cell* swap(Cell* p, Cell* other) { return forward(p, *words::swap, Args(*p).add(*other)); }
Cell* take(Cell* p, const Cell* part, bool deep, bool last) {
    return forward(p, *words::take, Args(*p).add(given(part)).add(deep).add(last));
}
Cell* trim(Cell* p, const TrimRefinements& r) {
    Args args(*p);
    args.add(r.head).add(r.tail).add(r.auto_).add(r.lines).add(r.all).add(given(r.with));
    return forward(p, *words::trim, args);
}

// read and write: open (its seek flag telling whether /seek was used), insert the data
// when there is some (an integer /part counting what is inserted), copy (with the /part
// value), close; the copy is the result. Each step is called on the port itself, whatever
// the step before answered.
Cell* transfer(Cell* p, OpenRefinements r, const Cell* data, const Cell* part, const Cell* seek) {
    const Cell port = *p;
    Cell step = port;
    r.seek = seek != nullptr;
    open(&step, r);
    if (data) {
        step = port;
        const i32 count = part && part->is(Type::integer) ? as_integer(*part).value : -1;
        inserting<&words::insert>(&step, data, count, false, 1, false);
    }
    step = port;
    Cell result = none_cell;
    copy(&step, &result, part, false, nullptr);
    step = port;
    no_args<&words::close>(&step);
    *p = result;
    return p;
}

Cell* read(Cell* p, const ReadRefinements& refinements) {
    return transfer(p, OpenRefinements{}, nullptr, refinements.part, refinements.seek);
}

Cell* write(Cell* p, const Cell* data, const WriteRefinements& refinements) {
    OpenRefinements r;
    r.write = true;
    return transfer(p, r, data, refinements.part, refinements.seek);
}

}  // namespace
}  // namespace zel::port

namespace zel {

constinit const ActionRecord port_actions = [] {
    ActionRecord r;
    r.on_make = port::make;
    r.on_reflect = inherit;
    r.on_form = port::form;
    r.on_mold = port::mold;
    r.on_eval_path = inherit;
    r.on_compare = inherit;
    r.on_append = port::inserting<&words::append>;
    r.on_at = port::one_arg<&words::at>;
    r.on_back = port::no_args<&words::back>;
    r.on_change = port::change;
    r.on_clear = port::no_args<&words::clear>;
    r.on_copy = port::copy;
    r.on_find = port::find;
    r.on_head = port::no_args<&words::head>;
    r.on_head_q = port::no_args<&words::head_q>;
    r.on_index_q = port::no_args<&words::index_q>;
    r.on_insert = port::inserting<&words::insert>;
    r.on_length_q = port::length_q;
    r.on_move = port::move;
    r.on_next = port::no_args<&words::next>;
    r.on_pick = port::one_arg<&words::pick>;
    r.on_poke = port::two_args<&words::poke>;
    r.on_put = port::put;
    r.on_remove = port::with_part<&words::remove>;
    r.on_reverse = port::with_part<&words::reverse>;
    r.on_select = port::select;
    r.on_sort = port::sort;
    r.on_skip = port::one_arg<&words::skip>;
    r.on_swap = port::swap;
    r.on_tail = port::no_args<&words::tail>;
    r.on_tail_q = port::no_args<&words::tail_q>;
    r.on_take = port::take;
    r.on_trim = port::trim;
    r.on_create = port::no_args<&words::create>;
    r.on_close = port::no_args<&words::close>;
    r.on_delete = port::no_args<&words::delete_>;
    r.on_modify = port::modify;
    r.on_open = port::open;
    r.on_query = port::no_args<&words::query>;
    r.on_read = port::read;
    r.on_rename = port::one_arg<&words::rename>;
    r.on_update = port::no_args<&words::update>;
    r.on_write = port::write;
    return r;
}();

}  // namespace zel
