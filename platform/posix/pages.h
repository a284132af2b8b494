// Page memory from the operating system: read-write, never executable. A refusal is
// answered plainly (null, false); the memory manager turns it into the language's
// no-memory or wrong-mem error.
#pragma once
#include <cstddef>

namespace zel::platform {

std::size_t page_size();
// The size of a transparent huge page on x86-64.
constexpr std::size_t huge_page_size = std::size_t{2} << 20;

// Maps n bytes (rounded up to whole pages) of zeroed memory; null when refused. Mappings
// of a whole number of huge pages, or of several megabytes, ask for transparent huge pages.
void* alloc_pages(std::size_t n);
// Unmaps what alloc_pages returned; n is the size that was asked for. False when refused.
bool free_pages(void* p, std::size_t n);
// Resizes a mapping that alloc_pages returned from n to new_n bytes (whole pages), in place
// or elsewhere: the pages kept keep their contents without being copied, added ones read
// as zero. The new address, or null when refused (the mapping is then unchanged).
void* resize_pages(void* p, std::size_t n, std::size_t new_n);

// Address space for n bytes that holds no memory yet (touching it faults); null when
// refused. Parts of it are made usable with commit_pages.
void* reserve_pages(std::size_t n);
// Makes n bytes of reserved space at p read-write; false when refused.
bool commit_pages(void* p, std::size_t n);
// Gives the memory of n committed bytes at p back to the system; they stay usable and read
// as zero when touched again.
void discard_pages(void* p, std::size_t n);

}  // namespace zel::platform
