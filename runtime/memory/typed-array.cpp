#include "runtime/memory/typed-array.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <cstdint>

#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"

namespace zel {
namespace {

template <class T>
T* elements(Node a) {
    return reinterpret_cast<T*>(node::buffer(a)->head_ptr());
}

template <class T>
T* append(Node a, T value) {
    auto* slot = reinterpret_cast<T*>(series_buffer::reserve_tail(node::buffer(a), sizeof(T)));
    *slot = value;
    return slot;
}

template <class T>
T& at(Node a, u32 index) {
    assert(index >= 1 && index <= array::length(a));
    return elements<T>(a)[index - 1];
}

template <class T>
i32 find(Node a, T value) {
    const T* first = elements<T>(a);
    u32 n = array::length(a);
    for (u32 i = 0; i < n; ++i)
        if (first[i] == value) return static_cast<i32>(i * sizeof(T));
    return -1;
}

}  // namespace

namespace array {

Node make(u32 capacity) { return memory::alloc_units(capacity, sizeof(u32)); }

u32 length(Node a) {
    Buffer* b = node::buffer(a);
    return b->used() >> b->shift();
}

void clear(Node a) {
    Buffer* b = node::buffer(a);
    b->tail = b->head;
}

u32* append_value(Node a, u32 value) { return append(a, value); }
u32 pick(Node a, u32 index) { return at<u32>(a, index); }
void poke(Node a, u32 index, u32 value) { at<u32>(a, index) = value; }
i32 find_value(Node a, u32 value) { return find(a, value); }

void remove_bytes(Node a, u32 offset, u32 count) {
    Buffer* b = node::buffer(a);
    if (offset >= b->used()) return;
    count = std::min(count, b->used() - offset);
    u8* at = b->head_ptr() + offset;
    std::memmove(at, at + count, b->used() - offset - count);
    b->tail -= count;
}

}  // namespace array

namespace array64 {

Node make(u32 capacity) { return memory::alloc_series(capacity, sizeof(u64), 0); }
u64* append_value(Node a, u64 value) { return append(a, value); }
u64 pick(Node a, u32 index) { return at<u64>(a, index); }
void poke(Node a, u32 index, u64 value) { at<u64>(a, index) = value; }
i32 find_value(Node a, u64 value) { return find(a, value); }

i32 find_pointer(Node a, const void* p) {
    return find(a, static_cast<u64>(reinterpret_cast<std::uintptr_t>(p)));
}

}  // namespace array64
}  // namespace zel
