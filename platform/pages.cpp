#include "platform/pages.h"

#include <sys/mman.h>
#include <unistd.h>

#include "runtime/throw.h"

namespace zel::platform {

std::size_t page_size() {
    static const std::size_t size = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    return size;
}

void* alloc_pages(std::size_t n) {
    void* p = mmap(nullptr, n, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw Throw{ThrowCode::vm_alloc};
    return p;
}

void free_pages(void* p, std::size_t n) {
    if (munmap(p, n) != 0) throw Throw{ThrowCode::vm_release};
}

}  // namespace zel::platform
