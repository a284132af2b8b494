#include "runtime/text/case-mapping.h"

namespace zel::unicode {
namespace {

#include "runtime/text/case-tables.inc"

constexpr u32 block_shift = 6;
constexpr u32 block_mask = (1u << block_shift) - 1;

// The tables hold deltas, so that a run of letters shifted by the same amount (most
// alphabets) shares one block.
template <std::size_t N, std::size_t Blocks>
u32 lookup(u32 cp, u32 limit, const u8 (&index)[N], const i32 (&delta)[Blocks][block_mask + 1]) {
    if (cp >= limit) return cp;
    return static_cast<u32>(static_cast<i32>(cp) + delta[index[cp >> block_shift]][cp & block_mask]);
}

}  // namespace

u32 change_case_char(u32 cp, CaseDirection direction) {
    if (direction == CaseDirection::upper) return lookup(cp, to_upper_limit, to_upper_index, to_upper_delta);
    return lookup(cp, to_lower_limit, to_lower_index, to_lower_delta);
}

}  // namespace zel::unicode
