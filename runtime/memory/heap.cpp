#include "runtime/memory/heap.h"

#include <cstdint>
#include <cstdlib>

#include "runtime/memory/fatal.h"

namespace zel::heap {
namespace {

constexpr std::uint64_t live_magic = 0x5A454C4845415031ull;  // marks a block we handed out

struct alignas(16) Block {
    Block* prev;
    Block* next;
    std::size_t size;
    std::uint64_t magic;
};
static_assert(sizeof(Block) == 32);

Block* first = nullptr;
Block* last = nullptr;
std::size_t count = 0;
std::size_t bytes = 0;

Block* header_of(void* p) { return reinterpret_cast<Block*>(static_cast<char*>(p) - sizeof(Block)); }

void link_tail(Block* b) {
    b->prev = last;
    b->next = nullptr;
    if (last) last->next = b; else first = b;
    last = b;
}

void unlink(Block* b) {
    if (b->prev) b->prev->next = b->next; else first = b->next;
    if (b->next) b->next->prev = b->prev; else last = b->prev;
}

// Only blocks in our list are ours, so a stray address is never freed. The walk starts at
// the newest block: scratch buffers are freed soon after they are taken.
bool owned(void* p) {
    if (!p || reinterpret_cast<std::uintptr_t>(p) % 16 != 0) return false;
    for (Block* b = last; b; b = b->prev)
        if (b + 1 == p) return b->magic == live_magic;
    return false;
}

}  // namespace

void* alloc(std::size_t n) {
    auto* b = static_cast<Block*>(std::malloc(sizeof(Block) + n));
    if (!b) fatal::exit_with_error(fatal::out_of_memory);
    b->size = n;
    b->magic = live_magic;
    link_tail(b);
    ++count;
    bytes += n;
    return b + 1;
}

void free(void* p) {
    if (!owned(p)) return;
    Block* b = header_of(p);
    unlink(b);
    --count;
    bytes -= b->size;
    b->magic = 0;
    std::free(b);
}

void* resize(void* p, std::size_t n) {
    if (!p) return alloc(n);
    if (n == 0) {
        free(p);
        return nullptr;
    }
    if (!owned(p)) return nullptr;
    Block* old = header_of(p);
    std::size_t old_size = old->size;
    Block* prev = old->prev;
    Block* next = old->next;
    auto* b = static_cast<Block*>(std::realloc(old, sizeof(Block) + n));
    if (!b) fatal::exit_with_error(fatal::out_of_memory);
    if (prev) prev->next = b; else first = b;
    if (next) next->prev = b; else last = b;
    b->size = n;
    bytes = bytes - old_size + n;
    return b + 1;
}

void free_all() {
    Block* b = first;
    while (b) {
        Block* next = b->next;
        b->magic = 0;
        std::free(b);
        b = next;
    }
    first = last = nullptr;
    count = bytes = 0;
}

std::size_t block_count() { return count; }
std::size_t bytes_in_use() { return bytes; }

std::vector<std::size_t> block_sizes() {
    std::vector<std::size_t> sizes;
    for (Block* b = first; b; b = b->next) sizes.push_back(b->size);
    return sizes;
}

}  // namespace zel::heap
