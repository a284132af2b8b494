#include "runtime/eval/action.h"

#include <algorithm>
#include <iterator>
#include <type_traits>

#include "generated/refinements.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/eval/frame.h"
#include "runtime/names/context.h"
#include "runtime/names/runtime-words.h"
#include "runtime/names/symbol.h"

namespace zel::action {
namespace {

// The port actions: every slot from append's on.
constexpr u32 first_port_slot = slot_number<&ActionRow::on_append>;

// The path action has no library definition to take its refinements from: its one
// refinement, /set, carries the value a set-path assigns.
struct eval_path_ref {
    enum { set };
};

// The parameter of `copy` that /types fills: value, /part, length, /deep, /types, kind.
constexpr u32 copy_types_parameter = 5;

Cell* arg(u32 i) { return stack::base + i; }
bool used(const i32* refs, u32 r) { return refs[r] >= 0; }
const Cell* ref_arg(const i32* refs, u32 r) { return refs[r] < 0 ? nullptr : stack::base + refs[r]; }

void result(const Cell* r) {
    if (r != stack::base) *stack::base = *r;
}

Cell integer(i32 v) { return Cell{header_of(Type::integer), 0, static_cast<u32>(v), 0}; }

// make and to dispatch on the type a datatype! names.
template <auto Member>
void construct() {
    const Type target = dispatch_type(*arg(0));
    const auto fn = registry().actions(target).*Member;
    if (!fn) unsupported(datatype::of(target), slot_number<Member>);
    result(fn(arg(0), arg(1), target));
}

void make(const i32*) { construct<&ActionRow::on_make>(); }
void to(const i32*) { construct<&ActionRow::on_to>(); }

void random(const i32* refs) {
    const auto fn = lookup<&ActionRow::on_random>(*arg(0));
    result(fn(arg(0), used(refs, random_ref::seed), used(refs, random_ref::secure), used(refs, random_ref::only)));
}

void reflect(const i32*) { result(lookup<&ActionRow::on_reflect>(*arg(0))(arg(0), arg(1))); }

void form(const i32* refs) {
    lookup<&ActionRow::on_form>(*arg(0));
    Output out;
    zel::form(*arg(0), ref_arg(refs, form_ref::part), out);
    *stack::base = out.value();
}

void mold(const i32* refs) {
    lookup<&ActionRow::on_mold>(*arg(0));
    const MoldFlags flags{used(refs, mold_ref::only), used(refs, mold_ref::all), used(refs, mold_ref::flat)};
    Output out;
    zel::mold(*arg(0), flags, ref_arg(refs, mold_ref::part), out);
    *stack::base = out.value();
}

void eval_path(const i32* refs) {
    const Cell selector = *arg(1);
    const auto fn = lookup_path(*arg(0), nullptr, selector);
    PathStep step;
    step.element_index = -1;
    step.last = true;
    result(fn(arg(0), arg(1), ref_arg(refs, eval_path_ref::set), step));
}

template <auto Member>
void unary(const i32*) {
    result(lookup<Member>(*arg(0))(arg(0)));
}

template <auto Member>
void binary(const i32*) {
    result(lookup<Member>(*arg(0))(arg(0), arg(1)));
}

void round(const i32* refs) {
    const auto fn = lookup<&ActionRow::on_round>(*arg(0));
    const RoundFlags flags{used(refs, round_ref::even),  used(refs, round_ref::down),
                           used(refs, round_ref::half_down), used(refs, round_ref::floor),
                           used(refs, round_ref::ceiling), used(refs, round_ref::half_ceiling)};
    result(fn(arg(0), ref_arg(refs, round_ref::to), flags));
}

template <auto Member>
void predicate(const i32*) {
    *stack::base = lookup<Member>(*arg(0))(arg(0)) ? true_cell : false_cell;
}

// The /part count of append, insert and change. Answers false when the action has
// nothing to do; a negative count moves the series back over the cells it counts.
bool part_count(Cell& series, const Cell& part, i32& count) {
    count = static_cast<i32>(series::part_count(series, part, series::PartRule::insertion));
    if (count == 0 || (count < 0 && series.w1 == 0)) return false;
    if (count < 0) {
        const u32 back = std::min(series.w1, static_cast<u32>(-static_cast<i64>(count)));
        series.w1 -= back;
        count = static_cast<i32>(back);
    }
    return true;
}

template <bool change, bool append>
void insertion(const i32* refs) {
    using Names = std::conditional_t<change, change_ref, std::conditional_t<append, append_ref, insert_ref>>;
    i32 part = -1;
    if (const Cell* p = ref_arg(refs, Names::part); p && !part_count(*arg(0), *p, part)) return;
    i32 dup = 1;
    if (const Cell* d = ref_arg(refs, Names::dup)) {
        dup = static_cast<i32>(d->w2);
        if (dup < 1) return;
    }
    const bool only = used(refs, Names::only);
    if constexpr (change) {
        result(lookup<&ActionRow::on_change>(*arg(0))(arg(0), arg(1), part, only, dup));
    } else if constexpr (append) {
        result(lookup<&ActionRow::on_append>(*arg(0))(arg(0), arg(1), part, only, dup, true));
    } else {
        result(lookup<&ActionRow::on_insert>(*arg(0))(arg(0), arg(1), part, only, dup, false));
    }
}

void copy(const i32* refs) {
    const auto fn = lookup<&ActionRow::on_copy>(*arg(0));
    const Cell* types = ref_arg(refs, copy_ref::types);
    if (types && !types->is(Type::datatype) && !types->is(Type::typeset))
        raise_expect_arg(*types, copy_types_parameter);
    Cell copied = *arg(0);
    fn(arg(0), &copied, ref_arg(refs, copy_ref::part), used(refs, copy_ref::deep), types);
    *stack::base = copied;
}

// select's refinements are find's first ones, in the same order.
static_assert(int{select_ref::count} == int{find_ref::tail} && int{select_ref::reverse} == int{find_ref::reverse});

FindRefinements find_refinements(const i32* refs, bool with_tail_and_match) {
    FindRefinements f;
    f.part = ref_arg(refs, find_ref::part);
    f.only = used(refs, find_ref::only);
    f.case_ = used(refs, find_ref::case_);
    f.same = used(refs, find_ref::same);
    f.any = used(refs, find_ref::any);
    f.with = ref_arg(refs, find_ref::with);
    f.skip = ref_arg(refs, find_ref::skip);
    f.last = used(refs, find_ref::last);
    f.reverse = used(refs, find_ref::reverse);
    f.tail = with_tail_and_match && used(refs, find_ref::tail);
    f.match = with_tail_and_match && used(refs, find_ref::match);
    return f;
}

void find(const i32* refs) {
    result(lookup<&ActionRow::on_find>(*arg(0))(arg(0), arg(1), find_refinements(refs, true)));
}

void select(const i32* refs) {
    result(lookup<&ActionRow::on_select>(*arg(0))(arg(0), arg(1), find_refinements(refs, false)));
}

void length_q(const i32*) {
    const i32 n = lookup<&ActionRow::on_length_q>(*arg(0))(arg(0));
    *stack::base = n < 0 ? none_cell : integer(n);
}

void move(const i32* refs) {
    result(lookup<&ActionRow::on_move>(*arg(0))(arg(0), arg(1), ref_arg(refs, move_ref::part)));
}

// pick and poke take a logic! index as 1 (true) or 2 (false), a char! as its code.
Cell index_of(const Cell& index) {
    if (index.is(Type::logic)) return integer(index.w1 ? 1 : 2);
    if (index.is(Type::char_)) return integer(static_cast<i32>(index.w2));
    return index;
}

void pick(const i32*) {
    const Cell index = index_of(*arg(1));
    result(lookup<&ActionRow::on_pick>(*arg(0))(arg(0), &index));
}

void poke(const i32*) {
    const Cell index = index_of(*arg(1));
    const Cell value = *arg(2);
    lookup<&ActionRow::on_poke>(*arg(0))(arg(0), &index, &value);
    *stack::base = value;
}

void put(const i32* refs) {
    result(lookup<&ActionRow::on_put>(*arg(0))(arg(0), arg(1), arg(2), used(refs, put_ref::case_)));
}

void remove(const i32* refs) {
    const auto fn = lookup<&ActionRow::on_remove>(*arg(0));
    result(fn(arg(0), ref_arg(refs, remove_ref::part), ref_arg(refs, remove_ref::key)));
}

void reverse(const i32* refs) {
    const auto fn = lookup<&ActionRow::on_reverse>(*arg(0));
    result(fn(arg(0), ref_arg(refs, reverse_ref::part), ref_arg(refs, reverse_ref::skip)));
}

void sort(const i32* refs) {
    SortRefinements s;
    s.case_ = used(refs, sort_ref::case_);
    s.skip = ref_arg(refs, sort_ref::skip);
    s.compare = ref_arg(refs, sort_ref::compare);
    s.part = ref_arg(refs, sort_ref::part);
    s.all = used(refs, sort_ref::all);
    s.reverse = used(refs, sort_ref::reverse);
    s.stable = used(refs, sort_ref::stable);
    result(lookup<&ActionRow::on_sort>(*arg(0))(arg(0), s));
}

void take(const i32* refs) {
    const auto fn = lookup<&ActionRow::on_take>(*arg(0));
    result(fn(arg(0), ref_arg(refs, take_ref::part), used(refs, take_ref::deep), used(refs, take_ref::last)));
}

void trim(const i32* refs) {
    TrimRefinements t;
    t.head = used(refs, trim_ref::head);
    t.tail = used(refs, trim_ref::tail);
    t.auto_ = used(refs, trim_ref::auto_);
    t.lines = used(refs, trim_ref::lines);
    t.all = used(refs, trim_ref::all);
    t.with = ref_arg(refs, trim_ref::with);
    result(lookup<&ActionRow::on_trim>(*arg(0))(arg(0), t));
}

void modify(const i32* refs) {
    const auto fn = lookup<&ActionRow::on_modify>(*arg(0));
    result(fn(arg(0), arg(1), arg(2), used(refs, modify_ref::case_)));
}

void open(const i32* refs) {
    OpenRefinements o;
    o.new_ = used(refs, open_ref::new_);
    o.read = used(refs, open_ref::read);
    o.write = used(refs, open_ref::write);
    o.seek = used(refs, open_ref::seek);
    o.allow = ref_arg(refs, open_ref::allow);
    result(lookup<&ActionRow::on_open>(*arg(0))(arg(0), o));
}

void read(const i32* refs) {
    ReadRefinements r;
    r.part = ref_arg(refs, read_ref::part);
    r.seek = ref_arg(refs, read_ref::seek);
    r.binary = used(refs, read_ref::binary);
    r.lines = used(refs, read_ref::lines);
    r.info = used(refs, read_ref::info);
    r.as = ref_arg(refs, read_ref::as);
    result(lookup<&ActionRow::on_read>(*arg(0))(arg(0), r));
}

void write(const i32* refs) {
    WriteRefinements w;
    w.binary = used(refs, write_ref::binary);
    w.lines = used(refs, write_ref::lines);
    w.info = used(refs, write_ref::info);
    w.append = used(refs, write_ref::append);
    w.part = ref_arg(refs, write_ref::part);
    w.seek = ref_arg(refs, write_ref::seek);
    w.allow = ref_arg(refs, write_ref::allow);
    w.as = ref_arg(refs, write_ref::as);
    result(lookup<&ActionRow::on_write>(*arg(0))(arg(0), arg(1), w));
}

using R = ActionRow;

constexpr const char* names[slot_count] = {
#define ZEL_ACTION(slot, name, text) text,
#include "runtime/core/action-slots.def"
#undef ZEL_ACTION
};

}  // namespace

const Entry table[] = {
    make, random, reflect, to, form, mold, eval_path, nullptr, nullptr,
    unary<&R::on_absolute>, binary<&R::on_add>, binary<&R::on_divide>, binary<&R::on_multiply>,
    unary<&R::on_negate>, binary<&R::on_power>, binary<&R::on_remainder>, round,
    binary<&R::on_subtract>, predicate<&R::on_even_q>, predicate<&R::on_odd_q>,
    binary<&R::on_and_>, unary<&R::on_complement>, binary<&R::on_or_>, binary<&R::on_xor_>,
    insertion<false, true>, binary<&R::on_at>, unary<&R::on_back>, insertion<true, false>,
    unary<&R::on_clear>, copy, find, unary<&R::on_head>, unary<&R::on_head_q>,
    unary<&R::on_index_q>, insertion<false, false>, length_q, move, unary<&R::on_next>, pick, poke, put,
    remove, reverse, select, sort, binary<&R::on_skip>, binary<&R::on_swap>, unary<&R::on_tail>,
    unary<&R::on_tail_q>, take, trim, unary<&R::on_create>, unary<&R::on_close>,
    unary<&R::on_delete>, modify, open, unary<&R::on_open_q>, unary<&R::on_query>,
    read, binary<&R::on_rename>, unary<&R::on_update>, write,
};
static_assert(std::size(table) == slot_count, "one entry per action slot, in slot order");

Cell word_of(u32 slot) {
    return Cell{header_of(Type::word), 0, symbol::intern_cstring(names[slot - 1]), context::no_index};
}

void unsupported(const Cell& value, u32 slot) {
    if (value.is(Type::port) && slot >= first_port_slot) {
        const Cell action = word_of(slot);
        raise(ErrorId::access_no_port_action, &action);
    }
    raise_expect_arg(value);
}

sig::on_eval_path lookup_path(const Cell& value, const Cell* path, const Cell& selector) {
    const sig::on_eval_path fn = registry().actions(value.type()).on_eval_path;
    if (fn) return fn;
    const Cell type = datatype::of(value.type());
    if (path) raise(ErrorId::script_bad_path_type, path, &type, &selector);
    raise(ErrorId::script_bad_path_type2, &selector, &type);
}

}  // namespace zel::action
