// A growable array in the tracked heap for the memory manager's working tables: the
// collector's, each filled during one collection and released at its end, and the native
// resource table's young entries. A failure to grow is fatal (out of memory), as any
// failure inside a collection must be.
#pragma once
#include <cstddef>

#include "runtime/core/cell.h"
#include "runtime/memory/heap.h"

namespace zel::gc {

template <class T>
class Scratch {
public:
    void push(T v) {
        if (size_ == capacity_) grow();
        data_[size_++] = v;
    }
    T pop() { return data_[--size_]; }
    bool empty() const { return size_ == 0; }
    u32 size() const { return size_; }
    T* begin() { return data_; }
    T* end() { return data_ + size_; }
    T& operator[](u32 i) { return data_[i]; }
    void clear() { size_ = 0; }
    void release() {
        heap::free(data_);
        data_ = nullptr;
        size_ = capacity_ = 0;
    }

private:
    void grow() {
        capacity_ = capacity_ ? capacity_ * 2 : 256;
        data_ = static_cast<T*>(heap::resize(data_, std::size_t{capacity_} * sizeof(T)));
    }

    T* data_ = nullptr;
    u32 size_ = 0;
    u32 capacity_ = 0;
};

}  // namespace zel::gc
