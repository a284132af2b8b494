// vector!: making a vector from its spec, its form and mold, comparison, element-wise
// arithmetic, adding and changing elements, searching and path access. Navigation, copy,
// remove, reverse, move, clear and random come from series! through string!, and sorting
// from string!, all of which move whole units; every element read or written goes through
// the encodings here. Integer arithmetic on elements wraps to the element size, as the
// stored bytes do.
#include "runtime/datatypes/vector.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "runtime/core/cell-views.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/char.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/float.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/names/runtime-words.h"
#include "runtime/names/symbol.h"
#include "runtime/text/float-text.h"

namespace zel::vector {
namespace {

// A vector's element type and size in bytes.
struct Kind {
    Type type;
    u32 size;
};

bool floating(Type t) { return t == Type::float_ || t == Type::percent; }
// The size a type gets when its spec gives none.
u32 default_size(Type t) { return floating(t) ? 8 : 4; }

Kind kind_of(const Cell& v) {
    return {static_cast<Type>(as_series(v).extra), node::buffer(as_series(v).node)->unit()};
}

u8* address(const Cell& v, u32 i) {
    Buffer* b = node::buffer(as_series(v).node);
    return b->head_ptr() + (u64{i} << b->shift());
}

// Integers read signed, characters unsigned, both from the element's own size.
i64 read_int(const u8* p, u32 size, bool unsigned_) {
    switch (size) {
    case 1: return unsigned_ ? i64{*p} : i64{static_cast<std::int8_t>(*p)};
    case 2: {
        u16 x;
        std::memcpy(&x, p, 2);
        return unsigned_ ? i64{x} : i64{static_cast<std::int16_t>(x)};
    }
    default: {
        u32 x;
        std::memcpy(&x, p, 4);
        return unsigned_ ? i64{x} : i64{static_cast<i32>(x)};
    }
    }
}

double read_float(const u8* p, u32 size) {
    if (size == 4) {
        float f;
        std::memcpy(&f, p, 4);
        return f;
    }
    double d;
    std::memcpy(&d, p, 8);
    return d;
}

// The low `size` bytes of the value: a store never checks the range.
void write_int(u8* p, u32 size, u32 bits) { std::memcpy(p, &bits, size); }

void write_float(u8* p, u32 size, double value) {
    if (size == 4) {
        const float f = static_cast<float>(value);
        std::memcpy(p, &f, 4);
    } else {
        std::memcpy(p, &value, 8);
    }
}

// An element's value as a number: every integer and char element is exact in a double.
double number_at(const Cell& v, Kind k, u32 i) {
    const u8* p = address(v, i);
    return floating(k.type) ? read_float(p, k.size) : static_cast<double>(read_int(p, k.size, k.type == Type::char_));
}

[[noreturn]] void invalid_type(const Cell& value) {
    const Cell type = datatype::of(value.type());
    raise(ErrorId::script_invalid_type, &type);
}

// The number a value stands for in a vector; any value but a number or char is refused.
double number_of(const Cell& value) {
    switch (value.type()) {
    case Type::integer: return integer::get(value);
    case Type::char_: return as_char(value).code_point;
    case Type::float_:
    case Type::percent: return float_::get(value);
    default: invalid_type(value);
    }
}

// Elements of 1 or 2 bytes keep the low bytes of what is stored, which read back as code
// points in char vectors too; a 4-byte char element holds only a code point, else reading
// it would make a char! that is none.
bool holds_code_points(Kind k) { return k.type == Type::char_ && k.size == 4; }

bool storable(Kind k, u32 bits) { return !holds_code_points(k) || bits <= static_cast<u32>(char_::max_code_point); }

// The value's bytes as one element of the kind: an integer or char vector takes a float
// truncated toward zero, a float vector takes an integer or char exactly.
void encode(const Cell& value, Kind k, u8* out) {
    const double n = number_of(value);
    if (floating(k.type)) {
        write_float(out, k.size, n);
        return;
    }
    const u32 bits = value.is(Type::integer) || value.is(Type::char_)
                         ? value.w2
                         : static_cast<u32>(integer::truncate_or_raise(n, ErrorId::script_out_of_range, &value));
    if (!storable(k, bits)) raise(ErrorId::script_out_of_range, &value);
    write_int(out, k.size, bits);
}

// The elements a value adds, encoded in the target's kind: the values of a block or path
// from its position (at most `limit`, -1 for all), the elements of a vector, or the value
// alone. With `exact` (make) each value must be of the element type, but that a percent
// vector also takes a float! as the fraction it holds. Every value is
// encoded before anything is written, so a refused one leaves the target as it was.
struct Packed {
    std::vector<u8> bytes;
    u32 count = 0;
};

Packed pack(const Cell& value, Kind k, i64 limit, bool exact) {
    Packed p;
    auto add = [&](const Cell& x) {
        if (exact && x.type() != k.type && !(k.type == Type::percent && x.is(Type::float_)))
            raise(ErrorId::script_invalid_arg, &x);
        p.bytes.resize(p.bytes.size() + k.size);
        encode(x, k, p.bytes.data() + p.bytes.size() - k.size);
        ++p.count;
    };
    const bool cells = series::any_block(value.type());
    if (!cells && !value.is(Type::vector)) {
        add(value);
        return p;
    }
    for (u32 i = value.w1; i < series::buffer_length(value) && (limit < 0 || p.count < limit); ++i) {
        if (cells) {
            Buffer* b = node::buffer(value.w2);
            add(b->cells()[b->head / sizeof(Cell) + i]);
        } else {
            add(element(value, i));
        }
    }
    return p;
}

// Replaces `replaced` elements at `at` (both cut to the tail) by `dup` copies of the
// packed elements; answers the elements written.
u32 splice(const Cell& v, u32 at, u32 replaced, const Packed& p, i32 dup) {
    const u32 length = series::buffer_length(v);
    at = std::min(at, length);
    replaced = std::min(replaced, length - at);
    const u64 written = u64{p.count} * static_cast<u64>(std::max(dup, 0));
    if (written > 0x7FFFFFFF) memory::raise_no_memory();
    series::drop_units(v, at, replaced);
    Buffer* b = series::open_units(v, at, static_cast<u32>(written));
    if (written == 0) return 0;
    u8* gap = b->head_ptr() + (u64{at} << b->shift());
    const u64 bytes = written << b->shift();
    std::memcpy(gap, p.bytes.data(), p.bytes.size());
    for (u64 copied = p.bytes.size(); copied < bytes;) {
        const u64 n = std::min(copied, bytes - copied);
        std::memcpy(gap + copied, gap, n);
        copied += n;
    }
    return static_cast<u32>(written);
}

// A new vector of n elements with room for at least one, at index 0.
Cell make_empty(u32 n, Kind k) {
    Cell v = series_cell(Type::vector, memory::alloc_units(std::max(n, 1u), k.size));
    as_series(v).extra = static_cast<u32>(k.type);
    return v;
}

// ---- make --------------------------------------------------------------------------

[[noreturn]] void bad_make_arg(const Cell& spec) {
    const Cell type = datatype::of(Type::vector);
    raise(ErrorId::script_bad_make_arg, &type, &spec);
}

// What a spec asks for: the element kind, the count, the data block (none when there is
// none) and whether the elements past the data up to the count are zeros.
struct Spec {
    Kind kind{Type::integer, 4};
    i64 count = 0;
    Cell data = none_cell;
    bool zero_fill = false;
};

Type element_type_named(const Cell& word) {
    const u32 id = symbol::canonical_id(as_word(word).symbol);
    for (const auto& [name, type] : {std::pair{sym::integer_type, Type::integer}, std::pair{sym::char_type, Type::char_},
                                     std::pair{sym::float_type, Type::float_}, std::pair{sym::percent_type, Type::percent}})
        if (symbol::canonical_id(name) == id) return type;
    return Type{0};
}

bool valid_bits(Type t, i64 bits) {
    if (t == Type::percent) return true;
    if (floating(t)) return bits == 32 || bits == 64;
    return bits == 8 || bits == 16 || bits == 32;
}

// [type! bits count], [type! bits [data]] or [type! bits count [data]]; a percent! may
// leave out the bits.
Spec typed_spec(const Cell& spec, u32 length) {
    Buffer* b = node::buffer(spec.w2);
    const Cell* cells = b->cells() + b->head / sizeof(Cell) + spec.w1;
    if (length < 2) bad_make_arg(spec);
    Spec s;
    s.kind.type = element_type_named(cells[0]);
    if (s.kind.type == Type{0}) bad_make_arg(spec);
    u32 i = 1;
    i64 bits = 64;
    if (cells[i].is(Type::integer)) {
        bits = integer::get(cells[i++]);
        if (!valid_bits(s.kind.type, bits)) bad_make_arg(spec);
    } else if (s.kind.type != Type::percent) {
        raise(ErrorId::script_invalid_spec_field, &spec);
    }
    s.kind.size = s.kind.type == Type::percent ? 8 : static_cast<u32>(bits / 8);
    if (i < length && cells[i].is(Type::integer)) {
        s.count = integer::get(cells[i++]);
        s.zero_fill = true;
        if (i < length && !cells[i].is(Type::block)) raise(ErrorId::script_invalid_spec_field, &spec);
    } else if (i >= length || !cells[i].is(Type::block)) {
        raise(ErrorId::script_invalid_spec_field, &spec);
    }
    if (i < length) s.data = cells[i];
    return s;
}

// A plain list of values: the first value's type decides, at its default size.
Spec listed_spec(const Cell& spec) {
    Buffer* b = node::buffer(spec.w2);
    const Cell first = b->cells()[b->head / sizeof(Cell) + spec.w1];
    const Type t = first.type();
    if (t != Type::integer && t != Type::char_ && !floating(t)) invalid_type(first);
    Spec s;
    s.kind = {t, default_size(t)};
    s.data = spec;
    return s;
}

Spec read_spec(const Cell& spec) {
    if (spec.is(Type::integer) || spec.is(Type::float_)) {
        Spec s;
        s.count = integer::from_number_arg(spec);
        s.zero_fill = true;
        return s;
    }
    if (!spec.is(Type::block)) bad_make_arg(spec);
    Cell position = spec;
    const u32 length = series::remaining_length(position, false);
    if (length == 0) return Spec{};
    Buffer* b = node::buffer(spec.w2);
    if (b->cells()[b->head / sizeof(Cell) + position.w1].is(Type::word)) return typed_spec(position, length);
    return listed_spec(position);
}

Cell* make(Cell* prototype, const Cell* spec_arg, Type) {
    const Cell spec_value = *spec_arg;
    Spec s = read_spec(spec_value);
    Cell data = s.data;
    if (data.is(Type::block)) {
        const i64 given = series::remaining_length(data, false);
        if (s.count <= given) {
            s.count = given;
            s.zero_fill = false;
        }
    }
    if (s.count < 1) {
        s.count = 0;
        s.zero_fill = false;
    }
    if (u64(s.count) * s.kind.size > max_series_bytes) memory::raise_no_memory();
    const Cell v = make_empty(static_cast<u32>(s.count), s.kind);
    if (data.is(Type::block)) splice(v, 0, 0, pack(data, s.kind, -1, true), 1);
    if (s.zero_fill) {
        Buffer* b = node::buffer(as_series(v).node);
        const u32 end = static_cast<u32>(s.count) * s.kind.size;
        std::memset(b->tail_ptr(), 0, end - b->used());
        b->tail = b->head + end;
    }
    *prototype = v;
    return prototype;
}

// ---- form and mold -----------------------------------------------------------------

// The elements from the position, one space apart, as far as a /part limit allows.
i32 write_elements(const Cell& v, Output& out, bool molded, const Cell* part, i32 limit) {
    const Kind k = kind_of(v);
    for (u32 i = v.w1; i < series::buffer_length(v); ++i) {
        const u32 before = out.length();
        if (i != v.w1) out.append_char(' ');
        const Cell e = element(v, i);
        switch (k.type) {
        case Type::integer: out.append_ascii(integer::to_decimal_text(integer::get(e)).view()); break;
        case Type::float_:
            out.append_ascii(float_::to_text(float_::get(e), k.size == 4 ? float_::TextKind::float32 : float_::TextKind::float64).view());
            break;
        case Type::percent: out.append_ascii(float_::to_text(float_::get(e) * 100, float_::TextKind::percent64).view()); break;
        default:
            if (molded) out.append_ascii("#\"");
            mold_char(out, as_char(e).code_point, true);
            if (molded) out.append_char('"');
        }
        limit -= static_cast<i32>(out.length() - before);
        if (has_part(part) && limit <= 0) break;
    }
    return limit;
}

i32 form(const Cell* value, Output& out, const Cell* part, i32 limit) {
    return write_elements(*value, out, false, part, limit);
}

// "make vector! [1 2 3]" at the type's default size, else with the type and size:
// "make vector! [integer! 16 [1 2 3]]"; an empty vector always shows them.
i32 mold(const Cell* value, Output& out, MoldFlags flags, const Cell* part, i32 limit, i32) {
    Cell v = *value;
    const Kind k = kind_of(v);
    const bool plain = series::remaining_length(v, false) > 0 && k.size == default_size(k.type);
    if (!flags.only) limit = append_text(out, "make vector! [", limit);
    if (!plain) {
        limit = append_text(out, type_info(k.type).name, limit);
        limit = append_text(out, " ", limit);
        limit = append_text(out, integer::to_decimal_text(static_cast<i32>(k.size * 8)).view(), limit);
        limit = append_text(out, " [", limit);
    }
    limit = write_elements(v, out, true, part, limit);
    if (has_part(part) && limit <= 0) return limit;
    if (!plain) limit = append_text(out, "]", limit);
    if (!flags.only) limit = append_text(out, "]", limit);
    return limit;
}

// ---- comparison --------------------------------------------------------------------

// Vectors of different element types are not comparable: asking whether they are equal
// or how they order raises; the other codes (sameness, strict equality, search) find
// them unequal.
i32 compare(const Cell* value1, const Cell* value2, i32 code) {
    if (!value2->is(Type::vector)) return not_comparable;
    if (value1->w3 != value2->w3) {
        if (code == compare_code::equal || code == compare_code::not_equal || compare_code::asks_order(code))
            raise(ErrorId::script_not_same_type);
        return 1;
    }
    if (value1->w2 == value2->w2 && value1->w1 == value2->w1) return 0;
    if (code == compare_code::same) return -1;
    Cell a = *value1;
    Cell b = *value2;
    const u32 la = series::remaining_length(a, false);
    const u32 lb = series::remaining_length(b, false);
    if (la != lb && compare_code::asks_equality(code)) return 1;
    for (u32 i = 0, n = std::min(la, lb); i < n; ++i)
        if (const i32 o = order(a, a.w1 + i, b, b.w1 + i)) return o;
    return la < lb ? -1 : la > lb ? 1 : 0;
}

// ---- arithmetic --------------------------------------------------------------------

// Add, subtract and multiply wrap to 32 bits (and then to the element when stored), so
// element arithmetic never turns into float!; the rest is integer arithmetic.
i32 int_op(i32 a, i32 b, ArithOp op) {
    switch (op) {
    case ArithOp::add: return static_cast<i32>(static_cast<u32>(a) + static_cast<u32>(b));
    case ArithOp::subtract: return static_cast<i32>(static_cast<u32>(a) - static_cast<u32>(b));
    case ArithOp::multiply: return static_cast<i32>(static_cast<u32>(a) * static_cast<u32>(b));
    default: return integer::binary_op(a, b, op, nullptr);
    }
}

// Each element from the position becomes `element op number`, or `number op element`
// with the number on the left. Adding 0 or multiplying by 1 changes nothing, nor does
// subtracting 0 or dividing by 1 from the right.
void scalar_op(ArithOp op, const Cell& v, const Cell& number, bool on_left) {
    const Kind k = kind_of(v);
    const double n = number_of(number);
    const bool identity = ((op == ArithOp::add || (op == ArithOp::subtract && !on_left)) && n == 0) ||
                          ((op == ArithOp::multiply || (op == ArithOp::divide && !on_left)) && n == 1);
    if (identity) return;
    const bool exact = number.is(Type::integer) || number.is(Type::char_);
    const i32 whole = floating(k.type) ? 0 : exact ? static_cast<i32>(number.w2)
                                                   : integer::truncate_or_raise(n, ErrorId::script_out_of_range, &number);
    const auto result = [&](u32 i) {
        const i32 e = static_cast<i32>(read_int(address(v, i), k.size, k.type == Type::char_));
        return static_cast<u32>(on_left ? int_op(whole, e, op) : int_op(e, whole, op));
    };
    // A result that is no code point leaves the char vector unchanged.
    if (holds_code_points(k)) {
        for (u32 i = v.w1; i < series::buffer_length(v); ++i)
            if (!storable(k, result(i))) raise(ErrorId::math_overflow);
    }
    for (u32 i = v.w1; i < series::buffer_length(v); ++i) {
        u8* p = address(v, i);
        if (floating(k.type)) {
            const double e = read_float(p, k.size);
            write_float(p, k.size, on_left ? float_::binary_op(n, e, op) : float_::binary_op(e, n, op));
        } else {
            write_int(p, k.size, result(i));
        }
    }
}

// Two vectors of one element type: a new vector as long as the shorter, at the larger
// element size, of element-wise results; the operands are not changed.
Cell combine(ArithOp op, const Cell& a, const Cell& b) {
    if (a.w3 != b.w3) raise(ErrorId::script_not_same_type);
    Cell x = a;
    Cell y = b;
    const u32 count = std::min(series::remaining_length(x, false), series::remaining_length(y, false));
    const Kind ka = kind_of(x);
    const Kind kb = kind_of(y);
    const Kind k{ka.type, std::max(ka.size, kb.size)};
    const Cell result = make_empty(count, k);
    Buffer* r = node::buffer(as_series(result).node);
    r->tail = r->head + count * k.size;
    for (u32 i = 0; i < count; ++i) {
        u8* out = address(result, i);
        if (floating(k.type)) {
            write_float(out, k.size, float_::binary_op(number_at(x, ka, x.w1 + i), number_at(y, kb, y.w1 + i), op));
        } else {
            const bool chars = k.type == Type::char_;
            const i32 e1 = static_cast<i32>(read_int(address(x, x.w1 + i), ka.size, chars));
            const i32 e2 = static_cast<i32>(read_int(address(y, y.w1 + i), kb.size, chars));
            const u32 bits = static_cast<u32>(int_op(e1, e2, op));
            if (!storable(k, bits)) raise(ErrorId::math_overflow);
            write_int(out, k.size, bits);
        }
    }
    return result;
}

Cell* math(ArithOp op, Cell* value1, Cell* value2) {
    if (value2->is(Type::vector)) {
        *value1 = combine(op, *value1, *value2);
    } else {
        scalar_op(op, *value1, *value2, false);
    }
    return value1;
}

// ---- adding and changing elements --------------------------------------------------

// append and insert: the values of a block (a /part count limits them) or a vector, or
// one value. append adds at the tail and leaves the position; insert adds at the
// position and answers the position after what it added.
Cell* append(Cell* series, const Cell* value, i32 part, bool, i32 dup, bool at_tail) {
    Cell s = *series;
    const u32 length = series::buffer_length(s);
    s.w1 = std::min(s.w1, length);
    const u32 written = splice(s, at_tail ? length : s.w1, 0, pack(*value, kind_of(s), part > 0 ? part : -1, false), dup);
    if (!at_tail) s.w1 += written;
    *series = s;
    return series;
}

// The replaced elements are as many as /part says, else as many as are written; the
// answer is the position after the written ones.
Cell* change(Cell* series, const Cell* value, i32 part, bool, i32 dup) {
    Cell s = *series;
    const Cell v = *value;
    const u32 at = s.w1 = std::min(s.w1, series::buffer_length(s));
    const u64 rest = series::buffer_length(s) - at;
    const Packed p = pack(v, kind_of(s), -1, false);
    const u64 total = u64{p.count} * static_cast<u64>(dup);
    const u64 replaced = std::min(part >= 0 ? static_cast<u64>(part) : total, rest);
    series::notify(s, words::change, static_cast<i32>(at), static_cast<i32>(replaced), &v);
    const u32 written = splice(s, at, static_cast<u32>(replaced), p, dup);
    series::notify(s, words::changed, static_cast<i32>(at), static_cast<i32>(written), &v);
    s.w1 = std::min(at + written, series::buffer_length(s));
    *series = s;
    return series;
}

// ---- searching, taking and paths ---------------------------------------------------

// What find looks for, as numbers: a number or char, the values of a block, or the
// elements of a vector, in a row.
std::vector<double> sought_of(const Cell& value) {
    std::vector<double> sought;
    const bool cells = series::any_block(value.type());
    if (!cells && !value.is(Type::vector)) {
        sought.push_back(number_of(value));
        return sought;
    }
    for (u32 i = value.w1; i < series::buffer_length(value); ++i) {
        if (cells) {
            Buffer* b = node::buffer(value.w2);
            sought.push_back(number_of(b->cells()[b->head / sizeof(Cell) + i]));
        } else {
            sought.push_back(number_of(element(value, i)));
        }
    }
    return sought;
}

// Elements match by value, whatever the element size.
series::Match search(Cell& series, const Cell& value, const FindRefinements& r) {
    const series::SearchRange range =
        series::search_range(series, series::buffer_length(series), r, series::SearchRule::units);
    if (range.none) return {};
    const std::vector<double> sought = sought_of(value);
    if (sought.empty()) return {};
    const Cell v = series;
    const Kind k = kind_of(v);
    const u32 length = static_cast<u32>(sought.size());
    return series::scan(series::search_window(range, length), length, [&](i64 at) {
        for (u32 j = 0; j < length; ++j)
            if (number_at(v, k, static_cast<u32>(at) + j) != sought[j]) return false;
        return true;
    });
}

// One element taken without /part comes as a value; otherwise a new vector.
Cell* take(Cell* series, const Cell* part, bool, bool last) {
    bool single = false;
    series::take(series, part, last, &single);
    if (single && series::buffer_length(*series) == 1) *series = element(*series, 0);
    return series;
}

// v/3 picks the third element and v/3: pokes it; nothing else is a vector's path.
Cell* eval_path(Cell* parent, const Cell* selector, const Cell* value_to_set, const PathStep& step) {
    const ActionRow& row = actions_of(*parent);
    if (!selector->is(Type::integer)) raise(ErrorId::script_invalid_path, step.path ? step.path : &none_cell, selector);
    if (value_to_set) return row.on_poke(parent, selector, value_to_set);
    return row.on_pick(parent, selector);
}

}  // namespace

Cell element(const Cell& v, u32 i) {
    const Kind k = kind_of(v);
    const u8* p = address(v, i);
    switch (k.type) {
    case Type::integer: return integer::cell(static_cast<i32>(read_int(p, k.size, false)));
    case Type::char_: return char_::cell(static_cast<u32>(read_int(p, k.size, true)));
    default: return float_::cell(read_float(p, k.size), k.type);
    }
}

bool valid_kind(Type element, u32 size) {
    if (element == Type::percent) return size == 8;
    return (element == Type::integer || element == Type::char_ || element == Type::float_) &&
           valid_bits(element, i64{size} * 8);
}

void check_value(const Cell& value) { number_of(value); }

void write_value(const Cell& v, u32 i, const Cell& value) { encode(value, kind_of(v), address(v, i)); }

i32 order(const Cell& a, u32 i, const Cell& b, u32 j) {
    const double x = number_at(a, kind_of(a), i);
    const double y = number_at(b, kind_of(b), j);
    return x < y ? -1 : x > y ? 1 : 0;
}

Cell to_block(const Cell& v) {
    Cell position = v;
    const u32 count = series::remaining_length(position, false);
    Cell b{};
    block::make_at(&b, static_cast<i32>(std::max(count, 1u)));
    for (u32 i = 0; i < count; ++i) block::append_value(b, element(position, position.w1 + i));
    return b;
}

Cell* scalar_first(ArithOp op, Cell* scalar, Cell* v) {
    scalar_op(op, *v, *scalar, true);
    *scalar = *v;
    return scalar;
}

}  // namespace zel::vector

namespace zel {

constinit const ActionRecord vector_actions = [] {
    using namespace vector;
    ActionRecord r;
#define ZEL_ACTION(slot, name, text) r.on_##name = inherit;
#include "runtime/core/action-slots.def"
#undef ZEL_ACTION
    r.on_make = make;
    r.on_to = make;
    r.on_form = form;
    r.on_mold = mold;
    r.on_compare = compare;
    set_arithmetic<math>(r);
    r.on_append = append;
    r.on_insert = append;
    r.on_change = change;
    r.on_find = series::find_by<search>;
    r.on_select = series::select_by<search>;
    r.on_take = take;
    r.on_eval_path = eval_path;
    r.on_swap = {};
    r.on_trim = {};
    return r;
}();

}  // namespace zel
