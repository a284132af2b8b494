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
        if (!hook) return;
        if (count == capacity) {
            auto* larger = static_cast<Hook*>(heap::alloc(sizeof(Hook) * (capacity + growth)));
            if (count) std::memcpy(larger, entries, sizeof(Hook) * count);
            heap::free(entries);
            entries = larger;
            capacity += growth;
        }
        entries[count++] = hook;
    }

    void remove(Hook hook) {
        if (!hook) return;
        for (std::size_t i = 0; i < count; ++i) {
            if (entries[i] != hook) continue;
            std::memmove(entries + i, entries + i + 1, sizeof(Hook) * (count - i - 1));
            --count;
            return;
        }
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
HookList<OutputHook> output_hooks;
bool ready = false;

}  // namespace

void init_print_hooks() {
    print_hooks.init();
    output_hooks.init();
    ready = true;
}

bool print_hooks_ready() { return ready; }

void add_print_hooks(PrintHook print, OutputHook output) {
    print_hooks.add(print);
    output_hooks.add(output);
}

void remove_print_hooks(PrintHook print, OutputHook output) {
    print_hooks.remove(print);
    output_hooks.remove(output);
}

void run_print_hooks(const Cell& text, bool new_line) { print_hooks.run(text, new_line); }

void run_output_hooks(const char* text, std::size_t size, bool new_line) { output_hooks.run(text, size, new_line); }

}  // namespace zel::stdio
