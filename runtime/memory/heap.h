// The tracked heap: every block of memory outside the collector's series is linked into
// one list, so that quitting frees everything (heap::free_all). Blocks carry a 32-byte
// header (links, size, a magic word) so the data stays 16-byte aligned and free is O(1).
#pragma once
#include <cstddef>

namespace zel::heap {

void* alloc(std::size_t n);
void* alloc_zeroed(std::size_t n);
// Frees a block handed out by alloc; an address the heap did not hand out changes nothing.
void free(void* p);
// p null: alloc; n 0: free and return null; else grows or shrinks the block in place of p.
void* resize(void* p, std::size_t n);
void free_all();
// Number of live blocks and their requested bytes (diagnostics and tests).
std::size_t block_count();
std::size_t bytes_in_use();
// Prints the allocation list (diagnostic; nothing calls it).
void dump();

}  // namespace zel::heap
