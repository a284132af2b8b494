// String units: a string-like series keeps its characters as fixed-width units of 1
// (Latin-1), 2 (UCS-2) or 4 (UCS-4) bytes, the width in its buffer's flags. A string is
// made as narrow as its characters allow and widens in place when a wider one arrives;
// widths only grow. Any other width reaching this code is a fatal runtime error.
#pragma once
#include <cstring>

#include "runtime/memory/buffer.h"
#include "runtime/memory/fatal.h"

namespace zel::unicode {

[[noreturn]] inline void bad_unit_width() { fatal::exit_with_error(fatal::no_switch_match); }

inline u32 read_unit(const u8* p, u32 unit) {
    switch (unit) {
    case 1:
        return *p;
    case 2: {
        u16 v;
        std::memcpy(&v, p, 2);
        return v;
    }
    case 4: {
        u32 v;
        std::memcpy(&v, p, 4);
        return v;
    }
    }
    bad_unit_width();
}

inline void write_unit(u8* p, u32 unit, u32 cp) {
    switch (unit) {
    case 1:
        *p = static_cast<u8>(cp);
        return;
    case 2: {
        u16 v = static_cast<u16>(cp);
        std::memcpy(p, &v, 2);
        return;
    }
    case 4:
        std::memcpy(p, &cp, 4);
        return;
    }
    bad_unit_width();
}

// The narrowest unit width that holds cp.
constexpr u32 unit_for(u32 cp) { return cp <= 0xFF ? 1 : cp <= 0xFFFF ? 2 : 4; }

// Converts the units of `b` in place to the wider `unit`, keeping room for at least
// `room` more units past the tail (expanding the buffer first when it lacks it), and
// returns the series' buffer, which may have moved.
Buffer* widen(Buffer* b, u32 unit, u32 room = 1);

// The characters of a string value (index in word 1, node in word 2) from its index: at
// most `count` of them, all when count is negative. Valid until the next allocation.
struct Units {
    u8* start;
    u32 count;
    u32 unit;
};
Units units_of(const Cell& str, i32 count);

// The scratch byte series of a string value (its node in word 3), made on first use and
// grown when `size` bytes do not fit; its contents are not kept. Output meant for the
// operating system is written there and stays valid until the value's next conversion.
// Copies of the cell share it.
Buffer* conversion_buffer(Cell& str, u32 size);

}  // namespace zel::unicode
