// The Zelbin writers. The walk over the value allocates nothing (the output grows in C++
// byte buffers and becomes a binary! at the end), so no collection runs while the seen
// table holds the nodes of the value, which its caller keeps rooted.
#include <algorithm>
#include <bit>
#include <span>
#include <cmath>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "runtime/core/cell-views.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/error.h"
#include "runtime/datatypes/function.h"
#include "runtime/datatypes/map.h"
#include "runtime/datatypes/object.h"
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/standard.h"
#include "runtime/datatypes/tuple.h"
#include "runtime/io/zelbin.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/names/context.h"
#include "runtime/names/symbol.h"

namespace zel::zelbin {
namespace {

u32 id_of(Type t) { return static_cast<u32>(t); }

bool word_like(Type t) { return t >= Type::word && t <= Type::refinement; }

// The value as a whole number that the compact form carries with the variant flag, or
// false when it must travel raw (not whole, out of range, or -0.0).
bool whole_float(double d, i32& n) {
    if (!(d >= -2147483000.0 && d <= 2147483000.0)) return false;
    if (d == 0 && std::signbit(d)) return false;
    n = static_cast<i32>(d);
    return static_cast<double>(n) == d;
}

bool whole_percent(double p, i32& n) {
    if (!(p >= -21474836.0 && p <= 21474836.0)) return false;
    if (p == 0 && std::signbit(p)) return false;
    n = static_cast<i32>(p >= 0 ? p * 100 + 0.5 : p * 100 - 0.5);
    return n / 100.0 == p;
}

// A value the walk cannot write: raised once the walk is left, since building the error
// allocates.
struct Refusal {
    ErrorId id;
    Cell value;
};

bool is_owner(const Cell& c) { return c.is(Type::object) || c.is(Type::function); }

class Encoder {
public:
    explicit Encoder(bool compact, bool boot = false, std::span<const Cell> kept = {})
        : compact_(compact), boot_(boot), kept_(kept) {}

    void value(const Cell& v);
    void roots(const Cell& block);
    bool kept(const Cell& v);
    Cell assemble();

private:
    bool compact_;
    bool boot_;
    std::span<const Cell> kept_;
    std::vector<u8> out_;
    std::unordered_map<u32, u32> symbol_index_;
    u32 symbol_count_ = 0;
    std::string strings_;
    std::vector<u32> offsets_;
    // Record counter of the current level and the counters of the levels around it.
    u32 counter_ = 0;
    std::vector<u32> levels_;
    // Records open around the current one, as the reader counts them.
    u32 depth_ = 0;
    // Series and context nodes met, with where the path of their first meeting is stored
    // in the path store: its length, then its indexes.
    std::unordered_map<u32, u32> seen_;
    std::vector<u32> paths_;
    // Boot form: the context nodes of the object and function records open around the
    // current record, innermost last (the walk allocates nothing: they stay where they are).
    std::vector<u32> open_owners_;
    static constexpr u32 first_meeting = 0xFFFFFFFF;

    void byte(u8 b) { out_.push_back(b); }
    void bytes(const u8* p, std::size_t n) { out_.insert(out_.end(), p, p + n); }
    void raw(u32 w) {
        const u8 le[4] = {static_cast<u8>(w), static_cast<u8>(w >> 8), static_cast<u8>(w >> 16), static_cast<u8>(w >> 24)};
        bytes(le, 4);
    }
    void word(u32 w) { raw(w); }
    void varint(u32 v) {
        while (v >= 0x80) {
            byte(static_cast<u8>(v | 0x80));
            v >>= 7;
        }
        byte(static_cast<u8>(v));
    }
    void zigzag(i32 n) { varint((static_cast<u32>(n) << 1) ^ static_cast<u32>(n >> 31)); }
    // Bytes of data, padded in the full form to a multiple of 4.
    void data(const u8* p, std::size_t n) {
        bytes(p, n);
        if (!compact_)
            while (out_.size() % 4) byte(0);
    }
    // The record's start: in the compact form its prefixes and type byte, in the full form
    // its header word with the given bits.
    void begin(const Cell& v, Type t, bool variant, u32 bits, bool reference) {
        const bool new_line = (v.header & cellflag::new_line) != 0;
        if (compact_) {
            if (new_line) byte(lead::new_line);
            if (reference) byte(lead::reference);
            byte(static_cast<u8>(id_of(t) | (variant ? 0x40 : 0)));
        } else {
            word(id_of(t) | bits | (reference ? bit::reference : 0) | (new_line ? bit::new_line : 0));
        }
    }
    u32 symbol(u32 id);
    // A first meeting opens a level for the contents and answers first_meeting; a repeat
    // answers where its path is stored.
    u32 meet(u32 key);
    void close_level() {
        counter_ = levels_.back();
        levels_.pop_back();
    }
    void path(u32 stored);
    void cells(Node series);
    void scalar(const Cell& v);
    void series_value(const Cell& v);
    void any_word(const Cell& v);
    void context_record(Node ctx, bool with_values);
    void object_record(const Cell& obj, bool reference);
    void function_record(const Cell& fn);
    void routine_record(const Cell& routine);
    void error_record(const Cell& err);
    [[noreturn]] static void refuse(const Cell& v) { throw Refusal{ErrorId::access_no_codec, v}; }
};

u32 Encoder::symbol(u32 id) {
    const auto [it, added] = symbol_index_.try_emplace(id, symbol_count_);
    if (!added) return it->second;
    ++symbol_count_;
    if (!compact_) offsets_.push_back(static_cast<u32>(strings_.size()));
    strings_ += symbol::name(id);
    strings_ += '\0';
    if (!compact_)
        while (strings_.size() % 8) strings_ += '\0';
    return it->second;
}

u32 Encoder::meet(u32 key) {
    const auto [it, added] = seen_.try_emplace(key, static_cast<u32>(paths_.size()));
    if (!added) return it->second;
    levels_.push_back(counter_);
    counter_ = 0;
    paths_.push_back(static_cast<u32>(levels_.size()));
    paths_.insert(paths_.end(), levels_.begin(), levels_.end());
    return first_meeting;
}

void Encoder::path(u32 stored) {
    const u32 n = paths_[stored];
    if (compact_) {
        varint(n);
        for (u32 i = 1; i <= n; ++i) varint(paths_[stored + i]);
        return;
    }
    word(bit::reference_record);
    word(n);
    for (u32 i = 1; i <= n; ++i) word(paths_[stored + i]);
}

void Encoder::cells(Node series) {
    const u32 n = node::buffer(series)->cell_count();
    if (compact_) varint(n);
    else word(n);
    for (u32 i = 0; i < n; ++i) value(reinterpret_cast<Cell*>(node::buffer(series)->head_ptr())[i]);
}

void Encoder::value(const Cell& v) {
    // What the reader would refuse as too deep is not written: the walk stays as shallow.
    if (++depth_ > max_depth) throw Refusal{ErrorId::internal_too_deep, none_cell};
    const Type t = v.type();
    if (boot_ && kept(v)) {
        // Written by kept().
    } else if (word_like(t)) {
        any_word(v);
    } else if (series_record(t)) {
        series_value(v);
    } else {
        switch (t) {
        case Type::object: {
            if (boot_ && as_object(v).context == context::global) {
                if (v.header & cellflag::new_line) byte(lead::new_line);
                byte(lead::global_object);
                break;
            }
            const u32 ref = meet(as_object(v).context);
            object_record(v, ref != first_meeting);
            if (ref != first_meeting) path(ref);
            else close_level();
            break;
        }
        case Type::function: {
            const u32 ref = meet(as_function(v).context);
            const bool library = boot_ && (v.header & function::flag::library);
            begin(v, t, library, 0, ref != first_meeting);
            if (ref != first_meeting) {
                path(ref);
            } else {
                function_record(v);
                close_level();
            }
            break;
        }
        case Type::native: case Type::action: {
            begin(v, t, false, 0, false);
            if (compact_) varint(as_native(v).index + 1);
            else word(as_native(v).index + 1);
            value(block_cell(as_native(v).spec));
            --counter_;
            break;
        }
        case Type::op: {
            const u32 wrapped = (v.header & cellflag::op_wrapped_type) >> 16;
            if (static_cast<Type>(wrapped) == Type::routine && !boot_) refuse(v);
            begin(v, t, false, wrapped << bit::op_type_shift, false);
            Cell fn = v;
            fn.header = header_of(static_cast<Type>(wrapped));
            // The boot form keeps the wrapped function's flags, which its record holds.
            if (boot_ && static_cast<Type>(wrapped) == Type::function)
                fn = *function::record_cell(v, function::record::op_function);
            value(fn);
            --counter_;
            break;
        }
        case Type::error: error_record(v); break;
        case Type::routine:
            if (!boot_) refuse(v);
            routine_record(v);
            break;
        case Type::triple: case Type::handle: case Type::port: case Type::event:
            refuse(v);
        case Type::image: throw Refusal{ErrorId::internal_not_done, none_cell};
        default: scalar(v); break;
        }
    }
    ++counter_;
    --depth_;
}

// A value of the kept list (the same object, or the same series at the same head) is written
// as its index there.
bool Encoder::kept(const Cell& v) {
    const bool object = v.is(Type::object);
    if (!object && !series_record(v.type())) return false;
    for (u32 i = 0; i < kept_.size(); ++i) {
        const Cell& k = kept_[i];
        if (k.type() != v.type() || k.w1 != v.w1 || k.w2 != v.w2) continue;
        if (v.header & cellflag::new_line) byte(lead::new_line);
        byte(lead::kept_value);
        varint(i);
        return true;
    }
    return false;
}

// The boot form's roots: the items of the block, each a root record, but a global set-word
// and the value after it, which make a set-global record that leaves no root behind.
void Encoder::roots(const Cell& block) {
    const Node node = as_series(block).node;
    for (u32 i = as_series(block).index, n = node::buffer(node)->cell_count(); i < n; ++i) {
        const Cell item = reinterpret_cast<Cell*>(node::buffer(node)->head_ptr())[i];
        if (!item.is(Type::set_word) || i + 1 == n) {
            value(item);
            continue;
        }
        byte(lead::set_global);
        value(item);
        value(reinterpret_cast<Cell*>(node::buffer(node)->head_ptr())[++i]);
        counter_ -= 2;
    }
}

void Encoder::scalar(const Cell& v) {
    const Type t = v.type();
    switch (t) {
    case Type::datatype: case Type::char_: {
        const u32 n = t == Type::datatype ? as_datatype(v).type_id : as_char(v).code_point;
        begin(v, t, false, 0, false);
        if (compact_) varint(n);
        else word(n);
        return;
    }
    case Type::unset: case Type::none: begin(v, t, false, 0, false); return;
    case Type::logic: {
        const bool on = as_logic(v).value != 0;
        if (compact_) {
            if (v.header & cellflag::new_line) byte(lead::new_line);
            byte(on ? lead::logic_true : lead::logic_false);
        } else {
            begin(v, t, false, 0, false);
            word(on ? 1 : 0);
        }
        return;
    }
    case Type::integer: {
        const i32 n = as_integer(v).value;
        if (compact_ && n >= 0 && n < 64) {
            if (v.header & cellflag::new_line) byte(lead::new_line);
            byte(static_cast<u8>(lead::small_integer + n));
            return;
        }
        begin(v, t, false, 0, false);
        if (compact_) zigzag(n);
        else word(static_cast<u32>(n));
        return;
    }
    case Type::float_: case Type::time: case Type::percent: {
        if (compact_) {
            i32 n = 0;
            const double d = float_payload(v);
            if (t == Type::percent ? whole_percent(d, n) : whole_float(d, n)) {
                begin(v, t, true, 0, false);
                zigzag(n);
            } else {
                begin(v, t, false, 0, false);
                raw(v.w2);
                raw(v.w3);
            }
            return;
        }
        if (out_.size() % 8) word(0);
        begin(v, t, false, 0, false);
        word(v.w3);
        word(v.w2);
        return;
    }
    case Type::pair: {
        begin(v, t, false, 0, false);
        if (compact_) {
            zigzag(as_pair(v).x);
            zigzag(as_pair(v).y);
        } else {
            word(v.w2);
            word(v.w3);
        }
        return;
    }
    case Type::point2d: case Type::point3d: {
        begin(v, t, false, 0, false);
        raw(v.w1);
        raw(v.w2);
        if (t == Type::point3d) raw(v.w3);
        return;
    }
    case Type::date: {
        const bool timed = (v.w1 & 0x10000) != 0;
        if (compact_) {
            begin(v, t, timed, 0, false);
            raw(v.w1);
            if (timed) {
                raw(v.w2);
                raw(v.w3);
            }
        } else {
            begin(v, t, false, 0, false);
            word(v.w1);
            word(v.w3);
            word(v.w2);
        }
        return;
    }
    case Type::typeset: {
        begin(v, t, false, 0, false);
        if (compact_) {
            const u8* mask = reinterpret_cast<const u8*>(&v.w1);
            u8 n = 12;
            while (n > 0 && mask[n - 1] == 0) --n;
            byte(n);
            bytes(mask, n);
        } else {
            word(v.w1);
            word(v.w2);
            word(v.w3);
        }
        return;
    }
    case Type::tuple: {
        const u32 n = tuple::count(v);
        if (compact_) {
            begin(v, t, n != 3, 0, false);
            if (n != 3) byte(static_cast<u8>(n));
            bytes(tuple::bytes(v), n);
        } else {
            begin(v, t, false, n << bit::unit_shift, false);
            word(v.w1);
            word(v.w2);
            word(v.w3);
        }
        return;
    }
    case Type::money: {
        const bool negative = (v.header & 0x4000) != 0;
        begin(v, t, negative, negative ? bit::money_negative : 0, false);
        if (compact_) bytes(reinterpret_cast<const u8*>(&v.w1), 12);
        else {
            word(v.w1);
            word(v.w2);
            word(v.w3);
        }
        return;
    }
    case Type::issue: {
        begin(v, t, false, 0, false);
        const u32 s = symbol(as_word(v).symbol);
        if (compact_) varint(s);
        else word(s);
        return;
    }
    default: refuse(v);
    }
}

void Encoder::series_value(const Cell& v) {
    const Type t = v.type();
    const Node node = as_series(v).node;
    const u32 head = as_series(v).index;
    const u32 ref = meet(node);
    const bool has_head = t != Type::map && t != Type::bitset;
    Buffer* b = node::buffer(node);
    const u32 unit = series::any_block(t) || t == Type::map ? 16 : b->unit();
    u32 bits = 0;
    bool variant = has_head && head != 0;
    if (series::any_string(t) || t == Type::binary || t == Type::vector) bits = unit << bit::unit_shift;
    if (t == Type::bitset && (b->flags & bufferflag::complemented)) {
        bits = bit::complemented;
        variant = true;
    }
    begin(v, t, variant, bits, ref != first_meeting);
    if (has_head) {
        if (compact_) {
            if (head) varint(head);
        } else {
            word(head);
        }
    }
    if (ref != first_meeting) {
        path(ref);
        return;
    }
    if (series::any_block(t)) {
        cells(node);
    } else if (t == Type::map) {
        const u32 n = 2 * map::entry_count(v);
        if (compact_) varint(n);
        else word(n);
        u32 at = 0;
        Cell key, item;
        while (map::next_pair(v, at, key, item)) {
            value(key);
            value(item);
            at += 2;
        }
    } else {
        const u32 used = b->used();
        const u32 length = used / unit;
        // The unit code of the compact form: the unit's width is 1 << code.
        const auto unit_code = static_cast<u32>(std::countr_zero(unit));
        const u32 element = as_series(v).extra;
        if (compact_) {
            if (series::any_string(t)) {
                varint(length << 2 | unit_code);
            } else if (t == Type::vector) {
                byte(static_cast<u8>(unit_code | element << 2));
                varint(length);
            } else {
                varint(length);
            }
        } else {
            word(length);
            if (t == Type::vector) word(element);
        }
        data(b->head_ptr(), used);
    }
    close_level();
}

void Encoder::any_word(const Cell& v) {
    const Type t = v.type();
    const Node ctx = as_word(v).context;
    const Cell owner = ctx && ctx != context::global ? context::owner_slot(ctx) : none_cell;
    // The boot image rebinds a word only to the global context or to its owner's: any other
    // binding would come back as a global word.
    if (boot_ && ctx && ctx != context::global && !is_owner(owner)) refuse(v);
    const u32 s = symbol(as_word(v).symbol);
    if (boot_ && !ctx) {
        byte(lead::unbound_word);
        begin(v, t, false, 0, false);
        varint(s);
        zigzag(static_cast<i32>(as_word(v).index));
        return;
    }
    if (boot_ && ctx && ctx != context::global) {
        const auto open = std::find(open_owners_.rbegin(), open_owners_.rend(), ctx);
        if (open != open_owners_.rend()) {
            u32 index = as_word(v).index;
            if (index == context::no_index)
                index = static_cast<u32>(context::find_symbol(ctx, as_word(v).symbol, true));
            byte(lead::enclosing_word);
            begin(v, t, true, 0, false);
            varint(s);
            zigzag(static_cast<i32>(index));
            varint(static_cast<u32>(open - open_owners_.rbegin()));
            return;
        }
    }
    if (!is_owner(owner)) {
        begin(v, t, false, bit::global_word, false);
        if (compact_) {
            varint(s);
        } else {
            word(s);
            const i32 index = context::find_symbol(context::global, as_word(v).symbol, false);
            word(index < 0 ? 0 : static_cast<u32>(index));
        }
        return;
    }
    u32 index = as_word(v).index;
    if (index == context::no_index) index = static_cast<u32>(context::find_symbol(ctx, as_word(v).symbol, true));
    const u32 ref = meet(ctx);
    if (boot_) byte(lead::owned_word);
    begin(v, t, true, 0, ref != first_meeting);
    if (compact_) {
        varint(s);
        zigzag(static_cast<i32>(index));
    } else {
        word(s);
        word(index);
    }
    if (ref != first_meeting) {
        path(ref);
        return;
    }
    if (++depth_ > max_depth) throw Refusal{ErrorId::internal_too_deep, none_cell};
    if (owner.is(Type::object)) {
        object_record(owner, false);
    } else {
        begin(owner, Type::function, false, 0, false);
        function_record(owner);
    }
    --depth_;
    close_level();
}

void Encoder::context_record(Node ctx, bool with_values) {
    const Cell c = context::cell_of(ctx);
    const u32 kind = (c.header & cellflag::context_kind) >> 11;
    const bool on_stack = (c.header & cellflag::context_on_stack) != 0;
    const bool flag = (c.header & cellflag::context_third) != 0;
    const u32 n = context::word_count(ctx);
    if (compact_) {
        byte(static_cast<u8>(Type::context));
        byte(static_cast<u8>(kind | (on_stack ? 4 : 0) | (flag ? 8 : 0) | (with_values ? 16 : 0)));
        varint(n);
    } else {
        word(id_of(Type::context) | kind << bit::kind_shift | (flag ? bit::context_flag : 0) |
             (on_stack ? bit::on_stack : 0) | (with_values ? bit::values_follow : 0));
        word(n);
    }
    for (u32 i = 0; i < n; ++i) {
        const u32 s = symbol(as_word(*context::word_at(ctx, i)).symbol);
        if (compact_) varint(s);
        else word(s);
    }
    if (!with_values || on_stack) return;
    const Node values = as_context(context::cell_of(ctx)).values;
    for (u32 i = 0; i < n; ++i) value(reinterpret_cast<Cell*>(node::buffer(values)->head_ptr())[i]);
}

// The handler's slot in the object and the size of its function's context, or 0 when the
// object has no such field.
u32 handler_descriptor(const Cell& obj, std::string_view name) {
    const Node ctx = as_object(obj).context;
    for (u32 i = 0, n = context::word_count(ctx); i < n; ++i) {
        if (symbol::name(as_word(*context::word_at(ctx, i)).symbol) != name) continue;
        const Cell fn = object::values_head(obj)[i];
        const u32 locals = fn.is(Type::function) ? context::word_count(as_function(fn).context) : 0;
        return i << 16 | locals;
    }
    return 0;
}

void Encoder::object_record(const Cell& obj, bool reference) {
    const bool handlers = as_object(obj).handlers != 0;
    begin(obj, Type::object, handlers, handlers ? bit::handlers : 0, reference);
    if (reference) return;
    const i32 class_id = static_cast<i32>(as_object(obj).class_id);
    if (compact_) zigzag(class_id);
    else word(static_cast<u32>(class_id));
    if (handlers) {
        const u32 on_change = handler_descriptor(obj, "on-change*");
        const u32 on_deep_change = handler_descriptor(obj, "on-deep-change*");
        if (compact_) {
            zigzag(static_cast<i32>(on_change));
            zigzag(static_cast<i32>(on_deep_change));
        } else {
            word(on_change);
            word(on_deep_change);
        }
    }
    open_owners_.push_back(as_object(obj).context);
    context_record(as_object(obj).context, true);
    open_owners_.pop_back();
}

void Encoder::function_record(const Cell& fn) {
    const Cell spec = block_cell(as_function(fn).spec);
    const Cell body = *function::record_cell(fn, function::record::body);
    // Every function the language makes has a body block; the reader requires one.
    if (!body.is(Type::block)) refuse(fn);
    const u32 spec_length = node::buffer(spec.w2)->cell_count();
    const u32 body_length = node::buffer(body.w2)->cell_count();
    if (compact_) {
        varint(spec_length);
        varint(body_length);
    } else {
        word(spec_length);
        word(body_length);
    }
    context_record(as_function(fn).context, false);
    open_owners_.push_back(as_function(fn).context);
    value(spec);
    value(body);
    open_owners_.pop_back();
}

// A routine of the routine table: its code's index, then its parameter block and second
// value as the contents of its level (a repeat is a reference to the first).
void Encoder::routine_record(const Cell& routine) {
    const u32 ref = meet(as_function(routine).context);
    begin(routine, Type::routine, false, 0, ref != first_meeting);
    if (ref != first_meeting) {
        path(ref);
        return;
    }
    const Cell code = *function::record_cell(routine, function::record::code);
    varint(code.is(Type::integer) ? code.w2 : 0);
    value(block_cell(as_function(routine).spec));
    value(*function::record_cell(routine, function::record::second));
    close_level();
}

void Encoder::error_record(const Cell& err) {
    begin(err, Type::error, false, 0, false);
    const Cell* code = error::field(err, standard::Field::error_code);
    const i32 n = code->is(Type::integer) ? as_integer(*code).value : 0;
    if (compact_) varint(static_cast<u32>(n));
    else word(static_cast<u32>(n));
    levels_.push_back(counter_);
    counter_ = 0;
    constexpr standard::Field fields[] = {standard::Field::error_arg1, standard::Field::error_arg2,
                                          standard::Field::error_arg3, standard::Field::error_near,
                                          standard::Field::error_where, standard::Field::error_stack};
    for (standard::Field f : fields) value(*error::field(err, f));
    close_level();
}

Cell Encoder::assemble() {
    const bool symbols = symbol_count_ != 0;
    std::vector<u8> records;
    records.swap(out_);
    if (records.size() > max_series_bytes) memory::raise_no_memory();
    bytes(magic, sizeof magic);
    byte(version);
    byte(static_cast<u8>((compact_ ? flag::compact : 0) | (symbols ? flag::symbols : 0)));
    if (compact_) {
        varint(1);
        varint(static_cast<u32>(records.size()));
        if (symbols) {
            varint(symbol_count_);
            varint(static_cast<u32>(strings_.size()));
            for (std::size_t at = 0; at < strings_.size(); at = strings_.find('\0', at) + 1) raw(static_cast<u32>(at));
        }
    } else {
        word(1);
        word(static_cast<u32>(records.size()));
        if (symbols) {
            word(symbol_count_);
            word(static_cast<u32>(strings_.size()));
            for (u32 at : offsets_) word(at);
        }
    }
    // The lead-in with the symbol table's head, the names, the records: copied once, into
    // the binary.
    const u64 size = u64{out_.size()} + strings_.size() + records.size();
    if (size > max_series_bytes) memory::raise_no_memory();
    const Node node = memory::alloc_bytes(static_cast<u32>(size));
    Buffer* b = node::buffer(node);
    u8* p = b->head_ptr();
    p = std::copy(out_.begin(), out_.end(), p);
    p = std::copy(strings_.begin(), strings_.end(), p);
    std::copy(records.begin(), records.end(), p);
    b->tail = b->head + static_cast<u32>(size);
    return series_cell(Type::binary, node);
}

}  // namespace

namespace {

template <typename Walk>
Cell run(Encoder& encoder, Walk walk) {
    try {
        const memory::NoAllocation no_allocation;
        walk();
    } catch (const Refusal& r) {
        if (r.id == ErrorId::access_no_codec) raise(r.id, &r.value);
        raise(r.id);
    }
    return encoder.assemble();
}

}  // namespace

Cell encode(const Cell& value, bool compact) {
    Encoder encoder(compact);
    return run(encoder, [&] { encoder.value(value); });
}

Cell encode_boot(const Cell& roots, std::span<const Cell> kept) {
    Encoder encoder(true, true, kept);
    return run(encoder, [&] { encoder.roots(roots); });
}

}  // namespace zel::zelbin
