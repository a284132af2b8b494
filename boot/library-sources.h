// The library's Zel source files as text, in the order the start-up evaluates them, and the
// boot image: the same files transcoded at build time and written as compact Zelbin. Both
// are generated from library/*.zel into a library of their own, which only the full program
// links: a runtime without its library links without it.
#pragma once
#include "runtime/core/cell.h"

namespace zel::library {

struct Source {
    const char* name;  // the file name, for error reports
    const char* text;  // UTF-8, NUL-terminated
};

extern const Source sources[];
extern const u32 source_count;

// A block of the files' code blocks (each at its code, after the header), in start-up order.
struct Image {
    const u8* data;
    u32 size;
};

extern const Image image;

}  // namespace zel::library
