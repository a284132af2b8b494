#include "runtime/datatypes/components.h"

#include "runtime/core/cell-views.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/registry.h"
#include "runtime/lexer/lexer.h"
#include "runtime/names/symbol.h"

namespace zel::components {

i32 index_of(const Cell& element, std::initializer_list<u32> names, i32 count) {
    if (element.is(Type::integer)) {
        const i32 i = as_integer(element).value;
        return i >= 1 && i <= count ? i : 0;
    }
    if (!element.is(Type::word)) return 0;
    const u32 name = symbol::canonical_id(as_word(element).symbol);
    i32 i = 0;
    for (u32 symbol : names) {
        ++i;
        if (i > count) break;
        if (symbol::canonical_id(symbol) == name) return i;
    }
    return 0;
}

i32 path_index(const Cell& element, const PathStep& step, std::initializer_list<u32> names, i32 count) {
    const i32 i = index_of(element, names, count);
    if (i == 0) raise(ErrorId::script_invalid_path, step.path ? step.path : &none_cell, &element);
    return i;
}

i32 pick_index(const Cell& value, const Cell& index, std::initializer_list<u32> names, i32 count) {
    const i32 i = index_of(index, names, count);
    if (i != 0) return i;
    if (index.is(Type::word)) raise(ErrorId::script_cannot_use, &index, &value);
    raise(ErrorId::script_out_of_range, &index);
}

void raise_invalid_type(const Cell& value) {
    const Cell type = datatype::of(value.type());
    raise(ErrorId::script_invalid_type, &type);
}

bool other_type_differs(const Cell& value1, const Cell& value2, i32 code) {
    return (code == compare_code::strict_equal || code == compare_code::same || code == compare_code::find) &&
           value1.type() != value2.type();
}

void raise_not_related(Type type) {
    const Cell call = calling_word();
    const Cell datatype = datatype::of(type);
    raise(ErrorId::script_not_related, &call, &datatype);
}

Values values_of(const Cell& block) {
    const i32 n = block::length(block);
    if (n <= 0) return {nullptr, 0};
    return {block::cell_at(block, as_series(block).index), static_cast<u32>(n)};
}

bool load_as(const Cell& text, Type t, Cell& out) { return lexer::load_exactly_one(text, out) && out.is(t); }

}  // namespace zel::components
