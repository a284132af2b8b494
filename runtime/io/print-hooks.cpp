#include "runtime/io/print-hooks.h"

#include <cstring>

#include "runtime/memory/heap.h"

namespace zel::stdio {
namespace {

constexpr std::size_t growth = 5;

template <class Hook>
struct HookList {
    Hook* entries = nullptr;
    std::size_t count = 0;
    std::size_t capacity = 0;

    void init() {
        heap::free(entries);
        entries = static_cast<Hook*>(heap::alloc(sizeof(Hook) * growth));
        count = 0;
        capacity = growth;
    }

    void add(Hook hook) {
        if (count == capacity) {
            auto* larger = static_cast<Hook*>(heap::alloc(sizeof(Hook) * (capacity + growth)));
            if (count) std::memcpy(larger, entries, sizeof(Hook) * count);
            heap::free(entries);
            entries = larger;
            capacity += growth;
        }
        entries[count++] = hook;
    }

    // A hook may change the list while it runs; the calls follow the list as it was.
    template <class... Args>
    void run(const Args&... args) const {
        if (count == 0) return;
        struct Snapshot {
            std::size_t n;
            Hook* hooks;
            ~Snapshot() { heap::free(hooks); }
        } snapshot{count, static_cast<Hook*>(heap::alloc(sizeof(Hook) * count))};
        std::memcpy(snapshot.hooks, entries, sizeof(Hook) * snapshot.n);
        for (std::size_t i = 0; i < snapshot.n; ++i) snapshot.hooks[i](args...);
    }
};

HookList<PrintHook> print_hooks;
bool line_ended = true;

}  // namespace

void init_print_hooks() {
    print_hooks.init();
    line_ended = true;
}

void add_print_hook(PrintHook print) { print_hooks.add(print); }

void run_print_hooks(const Cell& text, bool new_line) {
    line_ended = new_line;
    print_hooks.run(text, new_line);
}

bool last_line_ended() { return line_ended; }

}  // namespace zel::stdio
