// bitset!: a set of non-negative integers (above all, of code points) as a bit array in
// the byte series of word 2. Bit n is the mask 0x80 >> (n & 7) of byte n >> 3; the stored
// bits are the membership of every n the array covers, and the buffer's complemented flag
// says whether every n past the array is a member too. So a complemented set stays small
// while it stands for an unbounded one, and every operation reads membership the same way.
#pragma once
#include "runtime/datatypes/action-signatures.h"

namespace zel::bitset {

// The highest bit a set can hold: a spec naming a higher one raises script/out-of-range
// rather than asking for gigabytes (every code point fits well below it).
constexpr u32 max_bit = 0xFFFFFF;

// Whether n is a member: a bit of the array, or past it a member exactly when the set is
// complemented. What parse, the string searches and the lexer use to test a character.
bool has(const Cell& set, u32 n);

// The membership of a set as its buffer holds it now, for loops that test many characters
// and allocate nothing meanwhile (the buffer may move at an allocation).
struct Members {
    const u8* bits;
    u32 bytes;
    bool complemented;
    bool has(u32 n) const { return (n >> 3) < bytes ? (bits[n >> 3] & (0x80u >> (n & 7))) != 0 : complemented; }
};
Members members_of(const Cell& set);

bool complemented(const Cell& set);

// The set operation `op` of value1 and value2 (a bitset!, else script/invalid-type), a new
// bitset! left in value1; unique answers value1 unchanged. The result has the members the
// operation gives, complemented sets included.
Cell* set_operation(SetOp op, Cell* value1, const Cell* value2);

}  // namespace zel::bitset
