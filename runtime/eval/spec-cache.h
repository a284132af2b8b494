// A callable's spec cache: its spec block compiled, on its first interpreted call, into
// a block that argument fetching walks instead of that spec block. It is kept in the
// second cell of the callable's record, so every copy of the value (and an op! over it)
// shares it. Once built it is never rebuilt: a spec changed afterwards does not change the
// calls.
//
// Layout: an info cell (an integer!, read through as_info), then in spec order one
// typeset! per parameter with its kind in header bits 20-21, and each refinement! (read
// through as_refinement) before its parameters.
#pragma once
#include "runtime/core/cell-views.h"
#include "runtime/memory/node.h"

namespace zel::spec_cache {

namespace kind {
constexpr u32 evaluated = 0;  // word!
constexpr u32 get = 1;        // get-word!: taken unevaluated
constexpr u32 literal = 2;    // lit-word!
constexpr u32 return_type = 3;  // return:, never fetched
}  // namespace kind
constexpr u32 kind_shift = 20;
// The cell of the callable's record that holds the cache.
constexpr u32 record_cache = 1;

inline u32 kind_of(const Cell& entry) { return (entry.header >> kind_shift) & 3; }

template <class W>
struct InfoView {
    W refinements;  // word 1: the refinement count
    W locals;       // word 2: the cells /local and its words take
    W mandatory;    // word 3: the parameters before the first refinement
};
inline InfoView<u32> as_info(const Cell& c) { return {c.w1, c.w2, c.w3}; }
// The info cell's flag of a plain spec: no refinements and no return type, so the entries
// after the info cell are the `mandatory` parameters and nothing else.
constexpr u32 plain_flag = 1u << kind_shift;
inline bool is_plain(const Cell& info) { return (info.header & plain_flag) != 0; }
// The info cell's flag of a plain spec whose parameters are all evaluated (word!): a call
// of it evaluates one expression per parameter and tests its type, nothing else.
constexpr u32 evaluated_flag = 2u << kind_shift;
inline bool all_evaluated(const Cell& info) { return (info.header & evaluated_flag) != 0; }
// The info cell's flag of a plain, all-evaluated spec whose parameters all take the default
// typeset (every type but unset!): an argument's type test is then that it is set.
constexpr u32 any_type_flag = 4u << kind_shift;
inline bool takes_any_type(const Cell& info) { return (info.header & any_type_flag) != 0; }
// The info cell's flag of a parameter block whose mandatory parameters are the entries right after the
// info cell (no return type among them) and are all evaluated, refinements or not.
constexpr u32 leading_evaluated_flag = 8u << kind_shift;
inline bool leads_evaluated(const Cell& info) { return (info.header & leading_evaluated_flag) != 0; }
inline Cell info_cell(u32 refinements, u32 locals, u32 mandatory, bool plain = false, bool evaluated = false,
                      bool any_type = false, bool leading_evaluated = false) {
    return Cell{header_of(Type::integer) | (plain ? plain_flag : 0) | (plain && evaluated ? evaluated_flag : 0) |
                    (plain && evaluated && any_type ? any_type_flag : 0) |
                    (leading_evaluated ? leading_evaluated_flag : 0),
                refinements, locals, mandatory};
}

template <class W>
struct RefinementView {
    W parameters;  // word 1: its parameter count
    W symbol;      // word 2: canonical, so that a call names it in any case without a
                   // lookup per entry
    W slot;        // word 3: its 1-based ordinal for a native or action, its frame slot
                   // for a function or routine
};
inline RefinementView<u32> as_refinement(const Cell& c) { return {c.w1, c.w2, c.w3}; }
inline RefinementView<u32&> as_refinement(Cell& c) { return {c.w1, c.w2, c.w3}; }
// A refinement with no parameters yet.
inline Cell refinement_entry(u32 symbol, u32 slot) { return Cell{header_of(Type::refinement), 0, symbol, slot}; }

// Whether a typeset's bitmap holds the type id.
inline bool accepts(const Cell& set, Type t) {
    const u32 id = static_cast<u8>(t);
    const u8* bytes = reinterpret_cast<const u8*>(&set.w1);
    return id < 96 && (bytes[id >> 3] & (0x80u >> (id & 7))) != 0;
}

// The record cell that holds the cache block; valid until an allocation.
inline Cell& cache_cell(const Cell& callable) {
    return reinterpret_cast<Cell*>(node::buffer(as_callable(callable).record)->head_ptr())[record_cache];
}

// The cache block's node of a native!, action!, op!, function! or routine!, or 0 while it
// is not built. Allocates nothing.
inline Node built(const Cell& callable) {
    const Cell& cached = cache_cell(callable);
    return cached.is(Type::block) ? as_series(cached).node : 0;
}

// Builds the cache of a callable that has none; answers its node. Raises
// script/bad-func-def for a set-word other than return: and script/invalid-type-spec for a
// type block naming no datatype or typeset.
Node build(const Cell& callable);

// The cache block's node, built when missing.
inline Node of(const Cell& callable) {
    const Node cache = built(callable);
    return cache ? cache : build(callable);
}

}  // namespace zel::spec_cache
