// Page memory from the operating system: read-write, never executable. A refusal is
// answered plainly (null, false); the memory manager turns it into the language's
// no-memory or wrong-mem error.
#pragma once
#include <cstddef>

namespace zel::platform {

std::size_t page_size();

// Maps n bytes (rounded up to whole pages) of zeroed memory; null when refused.
void* alloc_pages(std::size_t n);
// Unmaps what alloc_pages returned; n is the size that was asked for. False when refused.
bool free_pages(void* p, std::size_t n);

}  // namespace zel::platform
