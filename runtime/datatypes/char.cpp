#include "runtime/datatypes/char.h"

#include "runtime/core/cell-views.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/action-signatures.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/datatypes/vector.h"
#include "runtime/text/string-units.h"
#include "runtime/text/utf8.h"

namespace zel::char_ {
namespace {

bool in_range(i32 value) { return value >= 0 && value <= max_code_point; }

[[noreturn]] void bad_to_arg(const Cell& spec) {
    const Cell type = datatype::of(Type::char_);
    raise(ErrorId::script_bad_to_arg, &type, &spec);
}

// The character whose UTF-8 bytes start at a binary's position. A binary at its tail
// holds no character to convert.
i32 first_utf8_char(const Cell& binary) {
    const unicode::Units bytes = unicode::units_of(binary, -1);
    if (bytes.count == 0) bad_to_arg(binary);
    std::size_t length = bytes.count;
    const i32 c = unicode::decode_utf8_char(bytes.start, length);
    if (c < 0) raise(ErrorId::access_invalid_utf8, &binary);
    return c;
}

Cell* make(Cell* prototype, const Cell* spec, Type) {
    i32 value = 0;
    switch (spec->type()) {
    case Type::char_:
    case Type::integer:
        value = integer::get(*spec);
        break;
    case Type::float_:
    case Type::percent:
        value = integer::truncate_or_raise(float_payload(*spec), ErrorId::script_out_of_range, spec);
        break;
    case Type::binary:
        value = first_utf8_char(*spec);
        break;
    case Type::string:
    case Type::file:
    case Type::url:
    case Type::tag:
    case Type::email:
    case Type::ref:
        if (chars_from_position(*spec) == 0) bad_to_arg(*spec);
        value = static_cast<i32>(char_at(*spec, 0));
        break;
    default:
        bad_to_arg(*spec);
    }
    if (!in_range(value)) raise(ErrorId::script_out_of_range, spec);
    *prototype = cell(static_cast<u32>(value));
    return prototype;
}

i32 form(const Cell* value, Output& out, const Cell*, i32 limit) {
    out.append_char(as_char(*value).code_point);
    return limit - 1;
}

i32 mold(const Cell* value, Output& out, MoldFlags flags, const Cell*, i32 limit, i32) {
    out.append_ascii("#\"");
    mold_char(out, as_char(*value).code_point, flags.all);
    out.append_char('"');
    return limit - 4;
}

i32 compare(const Cell* value1, const Cell* value2, i32 code) {
    if ((code == compare_code::strict_equal || code == compare_code::find) && !value2->is(Type::char_)) return 1;
    if (!value2->is(Type::char_) && !value2->is(Type::integer)) return not_comparable;
    const i32 a = integer::get(*value1);
    const i32 b = integer::get(*value2);
    return a < b ? -1 : a > b ? 1 : 0;
}

Cell* arithmetic(ArithOp op, Cell* value1, Cell* value2) {
    i32 right = 0;
    switch (value2->type()) {
    case Type::char_:
    case Type::integer:
        right = integer::get(*value2);
        break;
    case Type::float_: {
        const std::optional<i32> truncated = integer::truncate(float_payload(*value2));
        if (!truncated) raise(ErrorId::math_overflow);
        right = *truncated;
        break;
    }
    case Type::vector:
        return vector::scalar_first(op, value1, value2);
    default: {
        const Cell type = datatype::of(value2->type());
        raise(ErrorId::script_invalid_type, &type);
    }
    }
    // The core reports an overflowing or inexact result by making the cell a float!;
    // division truncates, so it gets no cell.
    Cell result = integer::cell(0);
    const i32 value = integer::binary_op(integer::get(*value1), right, op, op == ArithOp::divide ? nullptr : &result);
    if (!result.is(Type::integer) || !in_range(value)) raise(ErrorId::math_overflow);
    value1->w2 = static_cast<u32>(value);
    return value1;
}

}  // namespace
}  // namespace zel::char_

namespace zel {

constinit const ActionRecord char_actions = [] {
    using namespace char_;
    ActionRecord r;
    r.on_make = make;
    r.on_random = inherit;
    r.on_to = make;
    r.on_form = form;
    r.on_mold = mold;
    r.on_compare = compare;
    r.on_absolute = inherit;
    set_arithmetic<arithmetic>(r);
    r.on_even_q = inherit;
    r.on_odd_q = inherit;
    return r;
}();

}  // namespace zel
