// handle!: an operating-system object that library and GUI code pass around as a value.
// Word 1 is the kind, word 2 the handle itself (a descriptor, an X11 id or an index of a
// table of the platform layer), word 3 the native resource entry that owns the object, or
// -1 (the collector keeps a named entry alive).
#pragma once
#include "runtime/core/cell.h"

namespace zel::handle {

enum class Kind : u32 { null = 0, fd = 1, monitor = 2, window = 3, font = 4, rich_text = 5 };

constexpr u32 no_resource = 0xFFFFFFFFu;

inline Cell cell(u32 value, Kind kind, u32 resource = no_resource) {
    return Cell{header_of(Type::handle), static_cast<u32>(kind), value, resource};
}

// Sets the global word `null-handle` to a handle of no object: no literal writes a
// handle!, so the runtime defines it before the library runs.
void set_null_word();

}  // namespace zel::handle
