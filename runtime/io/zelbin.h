// Zelbin: values written to bytes and read back. Two forms share an 8-byte lead-in
// ("ZELBIN", version, flags): the full form of 32-bit little-endian words and the compact
// form of bytes and varints. A series or context met a second time is written as the path
// of indexes, level by level, that leads to its first meeting, so sharing and cycles
// survive the round trip. The decoder trusts nothing: every count is checked against the
// bytes left before anything is allocated, nesting is bounded, and every fault raises
// script/zb-invalid-record with the 1-based offset of the byte at fault.
#pragma once
#include <cstddef>
#include <span>

#include "runtime/core/cell.h"

namespace zel::zelbin {

constexpr u8 magic[6] = {'Z', 'E', 'L', 'B', 'I', 'N'};
constexpr u8 version = 2;
constexpr u32 lead_in_size = 8;

namespace flag {
constexpr u8 compact = 1;
constexpr u8 compressed = 2;
constexpr u8 symbols = 4;
}  // namespace flag

// Compact-form lead bytes besides type bytes.
namespace lead {
constexpr u8 new_line = 0xC0;
constexpr u8 reference = 0xC1;
constexpr u8 logic_true = 0xC2;
constexpr u8 logic_false = 0xC3;
constexpr u8 set_global = 0xC4;
// Boot image only: a word bound to an object's or a function's context, written with its
// owner's record or a reference path as the codec writes it (not by root index).
constexpr u8 owned_word = 0xC5;
// Boot image only: the global context seen as an object (system/words).
constexpr u8 global_object = 0xC6;
// Boot image only: a word bound to the context of an object or function whose record is
// open around it, named by how many such records lie between (0: the innermost).
constexpr u8 enclosing_word = 0xC7;
// Boot image only: one of the values the runtime keeps, by its index in the list given.
constexpr u8 kept_value = 0xC8;
// Boot image only: a word bound to no context (the codec binds such words globally).
constexpr u8 unbound_word = 0xC9;
constexpr u8 small_integer = 0x80;  // 0x80-0xBF: the integers 0 to 63
constexpr u8 path = 0xFF;
}  // namespace lead

// Full-form header bits above the type id.
namespace bit {
constexpr u32 unit_shift = 8;
constexpr u32 op_type_shift = 16;
constexpr u32 reference = 1u << 19;
constexpr u32 money_negative = 1u << 22;
constexpr u32 complemented = 1u << 23;
constexpr u32 handlers = 1u << 24;
constexpr u32 global_word = 1u << 25;
constexpr u32 kind_shift = 26;
constexpr u32 context_flag = 1u << 28;
constexpr u32 on_stack = 1u << 29;
constexpr u32 values_follow = 1u << 30;
constexpr u32 new_line = 1u << 31;
constexpr u32 reference_record = 255;
}  // namespace bit

// The types whose records carry a series buffer's contents (and, but for map! and bitset!,
// a head index).
bool series_record(Type t);

// Limits of the decoder on untrusted data: nesting of records and length of a path.
constexpr u32 max_depth = 1000;
constexpr u32 max_path = 65536;

// A new binary! holding the value in the compact or the full form. A value of a type the
// format cannot carry raises access/no-codec with the value.
Cell encode(const Cell& value, bool compact);

// The boot image: the items of the block as its roots, in the compact form with what only
// the boot image carries. Routines (by their code's index in the routine table, with their
// parameter block and second value), ops over routines, the library flag of functions (the
// variant bit of their record), unbound words, words bound to objects and functions, the global context's
// object, and the values `kept` (the runtime's own, written as their index there) are
// written; a word bound to any other context than the global one is refused rather than
// written as a global word. A set-word item and the value after it become a record that
// sets the global word as it is read and leaves no root behind.
Cell encode_boot(const Cell& roots, std::span<const Cell> kept);

// How a decoding reads its input: the codec refuses what only the boot image may carry
// (set-word records, words bound by root index, the boot form's leads and routines) and
// gives every object class id -1; the boot image keeps the stored class ids.
enum class Mode { codec, boot };

// Appends every value of the data to the destination block (a rooted block!). A bad magic
// or an undecodable compressed body raises script/invalid-data with `argument`; a bad
// record raises script/zb-invalid-record with its offset. Values already appended stay.
// The boot mode reads its data in place: it must not lie in a series buffer; `kept` are
// the values its kept-value records name (rooted by the caller).
void decode(const u8* data, std::size_t size, const Cell& destination, const Cell& argument, Mode mode,
            std::span<const Cell> kept = {});

}  // namespace zel::zelbin
