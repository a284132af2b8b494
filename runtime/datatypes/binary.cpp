// binary!: a position in a series of 1-byte units holding raw bytes. The navigation,
// copy, pick and poke, remove, reverse, take and path actions come from series! and
// string!; this file holds what makes bytes differ from text: the bytes a value stands for
// (chars and strings as UTF-8, integers as one byte), hexadecimal form and mold, unsigned
// comparison without case, the bitwise actions and trimming of 00 bytes. Adding, changing
// and searching go through the string code, with the value's bytes as the units of a
// 1-byte text, so there is one splice and one search for every series of units.
#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

#include "runtime/core/cell-views.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/float.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/datatypes/string-storage.h"
#include "runtime/datatypes/string.h"
#include "runtime/lexer/lexer-text.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/names/runtime-words.h"
#include "runtime/names/symbol.h"
#include "runtime/text/utf8.h"

namespace zel::binary {
namespace {

// Room of the binaries that `to` makes before it knows their length.
constexpr u32 initial_room = 16;
// From this many bytes on a mold breaks its lines, 32 bytes to a line.
constexpr u32 line_break_from = 31;
constexpr u32 bytes_per_line = 32;

using Bytes = std::string;

[[noreturn]] void bad_to_arg(const Cell& value) {
    const Cell type = datatype::of(Type::binary);
    raise(ErrorId::script_bad_to_arg, &type, &value);
}

// The bytes from a binary's position, valid until the next allocation.
u8* bytes_at(const Cell& b, u32& count) {
    Buffer* buffer = node::buffer(b.w2);
    const u32 from = std::min(b.w1, buffer->used());
    count = buffer->used() - from;
    return buffer->head_ptr() + from;
}

void append_utf8(Bytes& out, u32 code_point, const Cell& value) {
    if (code_point > 0x10FFFF) raise(ErrorId::script_invalid_char, &value);
    u8 units[4];
    const int n = unicode::encode_utf8_char(code_point, units);
    out.append(reinterpret_cast<const char*>(units), static_cast<std::size_t>(n));
}

void append_text_utf8(Bytes& out, const Cell& text) {
    for (u32 i = 0, n = chars_from_position(text); i < n; ++i) append_utf8(out, char_at(text, i), text);
}

// The bytes of the series under a binary! or a bitset! from its position (a bitset's
// stored bits: for a complemented set, those of its complement).
void append_series_bytes(Bytes& out, const Cell& value) {
    u32 count = 0;
    const u8* from = bytes_at(value, count);
    out.append(reinterpret_cast<const char*>(from), count);
}

// How a value that has no bytes of its own is taken: refused (append, insert, to) or by
// its formed text (change).
enum class Other { refuse, form };

// The bytes a value stands for in a binary, appended to `out`: a char! and any text as
// UTF-8, an integer! from -128 to 255 as one byte, a binary's and a tuple's own bytes, a
// block's elements in turn (at most `elements` of them). Nothing is written into a series
// here, so a value that is refused leaves the target as it was.
void bytes_of(const Cell& value, Bytes& out, Other other, u32 elements = 0xFFFFFFFF) {
    switch (value.type()) {
    case Type::char_: append_utf8(out, value.w2, value); return;
    case Type::integer: {
        const i32 v = integer::get(value);
        if (v < -128 || v > 255) raise(ErrorId::script_invalid_arg, &value);
        out.push_back(static_cast<char>(v));
        return;
    }
    case Type::binary: append_series_bytes(out, value); return;
    case Type::tuple:
        out.append(reinterpret_cast<const char*>(&value.w1), (value.header & cellflag::tuple_length) >> 19);
        return;
    default: break;
    }
    if (string::block_like(value.type())) {
        for (u32 i = value.w1, n = 0; i < series::buffer_length(value) && n < elements; ++i, ++n) {
            Buffer* b = node::buffer(value.w2);
            bytes_of(b->cells()[b->head / sizeof(Cell) + i], out, other);
        }
    } else if (series::any_string(value.type())) {
        append_text_utf8(out, value);
    } else if (other == Other::form) {
        Output formed;
        form_value(value, formed, nullptr, no_limit);
        append_text_utf8(out, formed.value());
    } else {
        bad_to_arg(value);
    }
}

// The bytes `append` and `insert` add: /part counts a block's elements, or bytes with
// /only and for any other value.
Bytes bytes_to_add(const Cell& value, i32 part, bool only) {
    Bytes out;
    if (part >= 0 && !only && string::block_like(value.type())) {
        bytes_of(value, out, Other::refuse, static_cast<u32>(part));
        return out;
    }
    bytes_of(value, out, Other::refuse);
    if (part >= 0 && out.size() > static_cast<u32>(part)) out.resize(static_cast<u32>(part));
    return out;
}

// The bytes as the 1-byte units of a new text, the form the string splice and search take.
Cell as_units(const Bytes& bytes) {
    return lexer::make_bytes(Type::string, reinterpret_cast<const u8*>(bytes.data()), static_cast<u32>(bytes.size()));
}

Cell from_bytes(const Bytes& bytes) {
    return lexer::make_bytes(Type::binary, reinterpret_cast<const u8*>(bytes.data()), static_cast<u32>(bytes.size()));
}

// An issue's name read as pairs of hexadecimal digits, blanks skipped; false on any other
// character (any byte of one above 127 included) or an odd digit count.
bool decode_hex_name(const Cell& issue, Bytes& out) {
    u32 digits = 0;
    u32 byte = 0;
    for (const char ch : symbol::name(as_word(issue).symbol)) {
        const u8 c = static_cast<u8>(ch);
        if (c <= ' ') continue;
        const u8 d = lexer::hex_digit(c);
        if (d == 255) return false;
        byte = byte << 4 | d;
        if (++digits % 2 == 0) out.push_back(static_cast<char>(byte & 0xFF));
    }
    return digits % 2 == 0;
}

void append_big_endian(Bytes& out, u64 value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<char>(value >> (8 * i)));
}

i32 mold(const Cell* value, Output& out, MoldFlags flags, const Cell* part, i32 limit, i32 indent) {
    static constexpr char hex[] = "0123456789ABCDEF";
    u32 count = 0;
    bytes_at(*value, count);
    const bool lines = count >= line_break_from && !flags.flat;
    if (!flags.only) limit = append_text(out, "#{", limit);
    if (lines) {
        out.append_char('\n');
        limit = append_indent(out, indent + 1, limit - 1);
    }
    for (u32 i = 0; i < count; ++i) {
        u32 n = 0;
        const u8 byte = bytes_at(*value, n)[i];
        out.append_char(static_cast<u8>(hex[byte >> 4]));
        out.append_char(static_cast<u8>(hex[byte & 15]));
        limit -= 2;
        if (lines && (i + 1) % bytes_per_line == 0) {
            out.append_char('\n');
            limit = append_indent(out, indent + 1, limit - 1);
        }
        if (has_part(part) && limit <= 0) return limit;
    }
    // A last full line already ends with the deeper indentation.
    if (lines && count % bytes_per_line != 0) {
        out.append_char('\n');
        limit = append_indent(out, indent, limit - 1);
    }
    if (!flags.only) limit = append_text(out, "}", limit);
    return limit;
}

i32 form(const Cell* value, Output& out, const Cell* part, i32 limit) {
    return mold(value, out, MoldFlags{}, part, limit, 0);
}

// Bytes compare as unsigned numbers, with no case: equal and strict-equal agree. Two
// binaries of different lengths are simply unequal; ordered, the shorter common start
// decides first, then the lengths.
i32 compare(const Cell* value1, const Cell* value2, i32 code) {
    if (!value2->is(Type::binary)) return not_comparable;
    const bool same = value1->w2 == value2->w2 && value1->w1 == value2->w1;
    if (code == compare_code::same) return same ? 0 : -1;
    if (same && compare_code::asks_equality(code)) return 0;
    u32 length1 = 0;
    u32 length2 = 0;
    const u8* a = bytes_at(*value1, length1);
    const u8* b = bytes_at(*value2, length2);
    if (length1 != length2 && compare_code::asks_equality(code)) return 1;
    const int order = std::memcmp(a, b, std::min(length1, length2));
    if (order != 0) return order < 0 ? -1 : 1;
    return length1 < length2 ? -1 : length1 > length2 ? 1 : 0;
}

Cell* to(Cell* prototype, const Cell* spec, Type) {
    const Cell value = *spec;
    Bytes out;
    out.reserve(initial_room);
    switch (value.type()) {
    case Type::integer: append_big_endian(out, static_cast<u32>(integer::get(value)), 4); break;
    case Type::float_:
    case Type::percent: append_big_endian(out, std::bit_cast<u64>(float_::get(value)), 8); break;
    case Type::issue:
        if (!decode_hex_name(value, out)) raise(ErrorId::script_invalid_data, &value);
        break;
    case Type::bitset: append_series_bytes(out, value); break;
    case Type::image: raise(ErrorId::internal_not_done);
    case Type::char_:
    case Type::tuple:
    case Type::binary: bytes_of(value, out, Other::refuse); break;
    default:
        if (!string::block_like(value.type()) && !series::any_string(value.type())) bad_to_arg(value);
        bytes_of(value, out, Other::refuse);
    }
    *prototype = from_bytes(out);
    return prototype;
}

Cell* make(Cell* prototype, const Cell* spec, Type target) {
    if (spec->is(Type::money)) {
        const Cell type = datatype::of(Type::binary);
        raise(ErrorId::script_bad_make_arg, &type, spec);
    }
    if (spec->is(Type::integer) || spec->is(Type::float_)) return string::make(prototype, spec, target);
    return to(prototype, spec, target);
}

// and~, or~ and xor~: a new binary as long as the longer operand; past the shorter one
// the longer one's bytes are kept, or 00 for and~.
template <SetOp op>
Cell* bitwise(Cell* value1, Cell* value2) {
    if (!value2->is(Type::binary)) raise(ErrorId::script_invalid_arg, value2);
    u32 length1 = 0;
    u32 length2 = 0;
    bytes_at(*value1, length1);
    bytes_at(*value2, length2);
    Bytes out(std::max(length1, length2), '\0');
    const u8* a = bytes_at(*value1, length1);
    const u8* b = bytes_at(*value2, length2);
    for (u32 i = 0; i < out.size(); ++i) {
        const bool in1 = i < length1;
        const bool in2 = i < length2;
        const u8 x = in1 ? a[i] : 0;
        const u8 y = in2 ? b[i] : 0;
        if constexpr (op == SetOp::and_) out[i] = static_cast<char>(in1 && in2 ? x & y : 0);
        if constexpr (op == SetOp::or_) out[i] = static_cast<char>(x | y);
        if constexpr (op == SetOp::xor_) out[i] = static_cast<char>(x ^ y);
    }
    *value1 = from_bytes(out);
    return value1;
}

// In place: the argument's own bytes are inverted.
Cell* complement(Cell* value) {
    u32 count = 0;
    u8* bytes = bytes_at(*value, count);
    for (u32 i = 0; i < count; ++i) bytes[i] = static_cast<u8>(~bytes[i]);
    return value;
}

Cell* append(Cell* series, const Cell* value, i32 part, bool only, i32 dup, bool notify) {
    const Cell units = as_units(bytes_to_add(*value, part, only));
    return string::append(series, &units, -1, false, dup, notify);
}

Cell* insert(Cell* series, const Cell* value, i32 part, bool only, i32 dup, bool notify) {
    const Cell units = as_units(bytes_to_add(*value, part, only));
    return string::insert(series, &units, -1, false, dup, notify);
}

// Any value changes a binary: one that has no bytes of its own by its formed text.
Cell* change(Cell* series, const Cell* value, i32 part, bool only, i32 dup) {
    Bytes bytes;
    bytes_of(*value, bytes, Other::form);
    const Cell units = as_units(bytes);
    return string::change(series, &units, part, only, dup);
}

// What is sought in a binary: an integer! as one byte, a bitset! as a set of bytes, any
// other value by its bytes (a value without bytes of its own by its formed text). The
// match is exact: bytes have no case.
Cell wanted_of(const Cell& value) {
    if (value.is(Type::integer)) {
        const i32 v = integer::get(value);
        if (v < 0 || v > 255) raise(ErrorId::script_invalid_arg, &value);
        return Cell{header_of(Type::char_), 0, static_cast<u32>(v), 0};
    }
    if (value.is(Type::bitset)) return value;
    Bytes bytes;
    bytes_of(value, bytes, Other::form);
    if (value.is(Type::char_) && bytes.size() == 1) return value;
    return as_units(bytes);
}

FindRefinements exact(const FindRefinements& r) {
    FindRefinements exact = r;
    exact.case_ = true;
    return exact;
}

Cell* find(Cell* series, const Cell* value, const FindRefinements& r) {
    const Cell wanted = wanted_of(*value);
    return string::find(series, &wanted, exact(r));
}

// The byte after the match, as an integer!.
Cell* select(Cell* series, const Cell* value, const FindRefinements& r) {
    const Cell wanted = wanted_of(*value);
    return string::select(series, &wanted, exact(r));
}

Cell* sort(Cell* series, const SortRefinements& r) {
    SortRefinements exact = r;
    exact.case_ = true;
    return string::sort(series, exact);
}

// Trimming a binary drops 00 bytes: at its ends, or with /all every one; /with drops the
// bytes of a set as it does from a string.
Cell* trim(Cell* series, const TrimRefinements& r) {
    if (r.auto_ || r.lines) raise(ErrorId::internal_not_done);
    if (r.all || r.with) {
        const Cell zero = integer::cell(0);
        TrimRefinements with = r;
        if (!with.with) with.with = &zero;
        return string::trim(series, with);
    }
    Cell s = *series;
    s.w1 = std::min(s.w1, string::total_length(s));
    series::notify(s, words::trim, static_cast<i32>(s.w1), static_cast<i32>(string::total_length(s) - s.w1));
    u32 count = 0;
    u8* bytes = bytes_at(s, count);
    u32 first = 0;
    u32 end = count;
    if (r.head || !r.tail)
        while (first < end && bytes[first] == 0) ++first;
    if (r.tail || !r.head)
        while (end > first && bytes[end - 1] == 0) --end;
    std::memmove(bytes, bytes + first, end - first);
    Buffer* b = node::buffer(s.w2);
    b->tail = b->head + s.w1 + (end - first);
    series::notify(s, words::trimmed, static_cast<i32>(s.w1), static_cast<i32>(end - first));
    return series;
}

}  // namespace
}  // namespace zel::binary

namespace zel {

constinit const ActionRecord binary_actions = [] {
    ActionRecord r;
#define ZEL_ACTION(slot, name, text) r.on_##name = inherit;
#include "runtime/core/action-slots.def"
#undef ZEL_ACTION
    r.on_make = binary::make;
    r.on_to = binary::to;
    r.on_form = binary::form;
    r.on_mold = binary::mold;
    r.on_compare = binary::compare;
    r.on_and_ = binary::bitwise<SetOp::and_>;
    r.on_or_ = binary::bitwise<SetOp::or_>;
    r.on_xor_ = binary::bitwise<SetOp::xor_>;
    r.on_complement = binary::complement;
    r.on_append = binary::append;
    r.on_insert = binary::insert;
    r.on_change = binary::change;
    r.on_find = binary::find;
    r.on_select = binary::select;
    r.on_sort = binary::sort;
    r.on_trim = binary::trim;
    return r;
}();

}  // namespace zel
