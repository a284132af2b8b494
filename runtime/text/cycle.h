// The cycle guard: the nodes of the series (for an object, its context) that recursive
// walks over values (mold, form, compare, copy, bind) are inside. A walk pushes a node
// before descending and tests nested series against the guard, so a value containing
// itself is met once. The guard holds at most `capacity` - 1 entries.
#pragma once
#include <cstddef>

#include "runtime/core/cell.h"

namespace zel::cycle {

constexpr std::size_t capacity = 1000;

// Raises internal/too-deep, after emptying the guard, when the push fills it.
void push(Node n);
void reset();
bool find(Node n);
std::size_t depth();

// When the value's series is being walked, appends its marker ("..." for form; for mold
// "[...]", "(...)", "#[...]", "make object! [...]" or "..." by type) to the output string,
// lowers *remaining by its length and returns true.
bool write_marker_if_seen(const Cell& value, Node out, i32* remaining, bool mold);

// Pushes a node and, however the scope is left, lowers the guard back to where it was
// (never raising it again after a reset emptied it).
class Entry {
public:
    explicit Entry(Node n);
    ~Entry();
    Entry(const Entry&) = delete;
    Entry& operator=(const Entry&) = delete;

private:
    std::size_t depth_;
};

}  // namespace zel::cycle
