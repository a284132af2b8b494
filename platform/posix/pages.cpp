#include "platform/posix/pages.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace zel::platform {

std::size_t page_size() {
    static const std::size_t size = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    return size;
}

namespace {

// A mapping this large holds a big series (a large block, a table's arrays) that is filled
// and then read all over: huge pages spare a fault per 4 KB page and most TLB misses. Two
// huge pages' worth ensures one aligned huge page lies inside; a mapping of whole huge pages
// is aligned by the kernel. Only advice: a system without transparent huge pages ignores it.
void advise_huge_pages(void* p, std::size_t n) {
    if (n >= 2 * huge_page_size || n % huge_page_size == 0) madvise(p, n, MADV_HUGEPAGE);
}

}  // namespace

void* alloc_pages(std::size_t n) {
    // A large mapping starts on a huge page boundary, so that huge pages cover all of it but
    // its last part: one huge page more is mapped, and what lies outside is given back.
    const std::size_t slack = n >= 2 * huge_page_size ? huge_page_size : 0;
    auto* p = static_cast<char*>(mmap(nullptr, n + slack, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    if (p == MAP_FAILED) return nullptr;
    if (slack) {
        const std::size_t before = (slack - reinterpret_cast<std::uintptr_t>(p) % slack) % slack;
        if (before) munmap(p, before);
        if (before < slack) munmap(p + before + n, slack - before);
        p += before;
    }
    advise_huge_pages(p, n);
    return p;
}

void* resize_pages(void* p, std::size_t n, std::size_t new_n) {
    void* q = mremap(p, n, new_n, 0);
    if (q == MAP_FAILED && new_n >= 2 * huge_page_size) {
        // Moved pages keep their huge pages only where the new place lies as far from a huge
        // page boundary as the old one (else the system splits them into small pages): the
        // move goes into address space reserved for the purpose, at that distance.
        const std::size_t slack = huge_page_size;
        auto* room = static_cast<char*>(mmap(nullptr, new_n + slack, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0));
        if (room != MAP_FAILED) {
            const std::size_t offset = reinterpret_cast<std::uintptr_t>(p) % slack;
            char* at = room + (offset + slack - reinterpret_cast<std::uintptr_t>(room) % slack) % slack;
            q = mremap(p, n, new_n, MREMAP_MAYMOVE | MREMAP_FIXED, at);
            if (q == MAP_FAILED) {
                munmap(room, new_n + slack);
            } else {
                if (at > room) munmap(room, static_cast<std::size_t>(at - room));
                char* end = at + new_n;
                if (end < room + new_n + slack) munmap(end, static_cast<std::size_t>(room + new_n + slack - end));
            }
        }
    }
    if (q == MAP_FAILED) q = mremap(p, n, new_n, MREMAP_MAYMOVE);
    if (q == MAP_FAILED) return nullptr;
    advise_huge_pages(q, new_n);
    return q;
}

bool free_pages(void* p, std::size_t n) { return munmap(p, n) == 0; }

void* reserve_pages(std::size_t n) {
    void* p = mmap(nullptr, n, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    return p == MAP_FAILED ? nullptr : p;
}

bool commit_pages(void* p, std::size_t n) { return mprotect(p, n, PROT_READ | PROT_WRITE) == 0; }

void discard_pages(void* p, std::size_t n) { madvise(p, n, MADV_DONTNEED); }

}  // namespace zel::platform
