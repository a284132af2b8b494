// The components of the scalar values that hold several numbers in their cell (pair!,
// point2D!, point3D!, time!, tuple!): one reading of a path element or a `pick` index as
// a 1-based component, by number or by name (compared by canonical symbol).
#pragma once
#include <initializer_list>

#include "runtime/core/cell.h"
#include "runtime/datatypes/action-signatures.h"

namespace zel::components {

// The component an element names: an integer! 1..count, or a word! whose symbol is the
// n-th of `names`; 0 when it names none.
i32 index_of(const Cell& element, std::initializer_list<u32> names, i32 count);

// index_of for a path step; an element that names no component raises script/invalid-path
// with the path and the element.
i32 path_index(const Cell& element, const PathStep& step, std::initializer_list<u32> names, i32 count);

// index_of for `pick` on value: a word that names no component raises script/cannot-use
// (the word, the value); another index outside 1..count script/out-of-range.
i32 pick_index(const Cell& value, const Cell& index, std::initializer_list<u32> names, i32 count);

// script/invalid-type with the datatype of value.
[[noreturn]] void raise_invalid_type(const Cell& value);

// Whether comparison `code` of values of two types is a difference already: a value of
// another type is never strictly equal, nor the same value.
bool other_type_differs(const Cell& value1, const Cell& value2, i32 code);

// script/not-related with the calling word and a datatype.
[[noreturn]] void raise_not_related(Type type);

// The values of a block from its position: the first (valid until anything allocates)
// and their count, 0 past the tail.
struct Values {
    const Cell* cells;
    u32 count;
};
Values values_of(const Cell& block);

// The value of a text (an any-string from its position) that holds one value of type t:
// true with it in `out`, false when the text holds anything else.
bool load_as(const Cell& text, Type t, Cell& out);

}  // namespace zel::components
