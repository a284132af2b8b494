// The tracked heap: every block of memory outside the collector's series is linked into
// one list, so that quitting frees everything (heap::free_all). Blocks carry a 32-byte
// header (links, size, a magic word) so the data stays 16-byte aligned. Only addresses
// found in the list are freed or resized: a stray or stale address changes nothing.
#pragma once
#include <cstddef>
#include <vector>

namespace zel::heap {

void* alloc(std::size_t n);
// Frees a block handed out by alloc; an address the heap did not hand out changes nothing.
void free(void* p);
// p null: alloc; n 0: free and return null; else grows or shrinks the block in place of p
// (a stray p gives null).
void* resize(void* p, std::size_t n);
void free_all();
// Number of live blocks and their requested bytes (diagnostics and tests).
std::size_t block_count();
std::size_t bytes_in_use();
// The requested sizes of the live blocks, oldest first (diagnostics and tests).
std::vector<std::size_t> block_sizes();

}  // namespace zel::heap
