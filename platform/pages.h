// Page memory from the operating system: read-write, never executable. A refusal throws
// the Throw with code vm_alloc (taking) or vm_release (returning); the memory manager
// turns it into the language's no-memory or wrong-mem error.
#pragma once
#include <cstddef>

namespace zel::platform {

std::size_t page_size();

// Maps n bytes (rounded up to whole pages) of zeroed memory.
void* alloc_pages(std::size_t n);
// Unmaps what alloc_pages returned; n is the size that was asked for.
void free_pages(void* p, std::size_t n);

}  // namespace zel::platform
