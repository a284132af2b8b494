// A callable's spec cache: its spec block compiled, on its first interpreted call, into
// a block that argument fetching walks instead of that spec block. It is kept in the
// second cell of the callable's record, so every copy of the value (and an op! over it)
// shares it. Once built it is never rebuilt: a spec changed afterwards does not change the
// calls.
//
// Layout: an info cell (integer!: w1 refinement count, w2 locals cells, w3 mandatory
// parameters), then in spec order one typeset! per parameter with its kind in header
// bits 20-21, and each refinement! (w1 its parameter count, w2 its canonical symbol, so
// that a call names it in any case without a lookup per entry, w3 its 1-based ordinal for
// a native or action, its frame slot for a function or routine) before its parameters.
#pragma once
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

// Whether a typeset's bitmap holds the type id.
inline bool accepts(const Cell& set, Type t) {
    const u32 id = static_cast<u8>(t);
    const u8* bytes = reinterpret_cast<const u8*>(&set.w1);
    return id < 96 && (bytes[id >> 3] & (0x80u >> (id & 7))) != 0;
}

// The cache block's node of a native!, action!, op!, function! or routine!, or 0 while it
// is not built. Allocates nothing.
inline Node built(const Cell& callable) {
    const Cell& cached = reinterpret_cast<const Cell*>(node::buffer(callable.w3)->head_ptr())[record_cache];
    return cached.is(Type::block) ? cached.w2 : 0;
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
