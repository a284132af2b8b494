// datatype! values: a cell naming a type by its id in word 1. Its form is the type's name
// without the "!", its mold the whole name.
#pragma once
#include "runtime/core/cell.h"

namespace zel::datatype {

// The datatype! value naming a type.
inline Cell of(Type t) { return Cell{header_of(Type::datatype), static_cast<u8>(t), 0, 0}; }

// Gives each datatype's name word (integer! ...) its datatype! value in the global
// context, for every type id, registered yet or not.
void set_name_words();

}  // namespace zel::datatype
