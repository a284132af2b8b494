#include "runtime/text/cycle.h"

#include <algorithm>

#include "runtime/core/raise.h"
#include "runtime/text/string-append.h"

namespace zel::cycle {
namespace {

Node entries[capacity];
std::size_t top = 0;

// Object-like values name their context in word 1, series in word 2.
Node node_of(const Cell& v) {
    switch (v.type()) {
        case Type::object:
        case Type::error:
        case Type::port: return v.w1;
        default: return v.w2;
    }
}

const char* mold_marker(Type t) {
    switch (t) {
        case Type::paren: return "(...)";
        case Type::map: return "#[...]";
        case Type::object: return "make object! [...]";
        case Type::path:
        case Type::lit_path:
        case Type::set_path:
        case Type::get_path: return "...";
        default: return "[...]";
    }
}

}  // namespace

void push(Node n) {
    entries[top++] = n;
    if (top == capacity) {
        reset();
        raise(ErrorId::internal_too_deep);
    }
}

void reset() { top = 0; }

bool find(Node n) { return std::find(entries, entries + top, n) != entries + top; }

std::size_t depth() { return top; }

bool write_marker_if_seen(const Cell& value, Node out, i32* remaining, bool mold) {
    if (!find(node_of(value))) return false;
    *remaining -= static_cast<i32>(unicode::append_ascii(out, mold ? mold_marker(value.type()) : "..."));
    return true;
}

Entry::Entry(Node n) : depth_(top) { push(n); }

Entry::~Entry() { top = std::min(top, depth_); }

}  // namespace zel::cycle
