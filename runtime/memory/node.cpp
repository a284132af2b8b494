#include "runtime/memory/node.h"

#include "platform/posix/pages.h"
#include "runtime/memory/memory.h"

namespace zel::node {

Frame* frames[max_frames];
Slot* table;
Frames list;

namespace {

constexpr std::size_t window_bytes = slots_per_frame * sizeof(Slot);

std::size_t committed_bytes() {
    const std::size_t page = platform::page_size();
    return (window_bytes + page - 1) / page * page;
}

Slot* window(u32 number) { return table + (std::size_t{number} << slot_bits); }

constexpr Slot free_link(u32 next) { return (Slot{next} << 1) | 1; }
constexpr u32 next_free(Slot s) { return static_cast<u32>(s >> 1); }

Node id_of(const Frame* f, u32 slot) { return base + (f->number << slot_bits) + slot; }

u32 free_number() {
    for (u32 i = 0; i < max_frames; ++i)
        if (!frames[i]) return i;
    memory::raise_limit_hit(max_frames);
}

Frame* frame_with_room() {
    for (Frame* f = list.first; f; f = f->next)
        if (f->free_head != no_slot || f->fresh < f->slot_count) return f;
    return nullptr;
}

}  // namespace

bool is_live(Node n) {
    u32 i = n - base;
    u32 number = i >> slot_bits;
    u32 index = i & ((1u << slot_bits) - 1);
    if (number >= max_frames || !frames[number]) return false;
    const Frame* f = frames[number];
    return index < f->fresh && (f->slots[index] & 1) == 0;
}

Frame* make_frame() {
    if (!table) {
        table = static_cast<Slot*>(platform::reserve_pages((std::size_t{max_frames} << slot_bits) * sizeof(Slot)));
        if (!table) memory::raise_no_memory();
    }
    u32 number = free_number();
    if (!platform::commit_pages(window(number), window_bytes)) memory::raise_no_memory();
    memory::root.bytes_taken += committed_bytes();
    auto* f = static_cast<Frame*>(memory::os_alloc(sizeof(Frame)));
    // Fresh pages are zeroed: every count, link and flag starts at 0.
    f->number = number;
    f->slots = window(number);
    f->slot_count = slots_per_frame;
    f->free_head = no_slot;
    frames[number] = f;
    f->prev = list.last;
    if (list.last) list.last->next = f; else list.first = f;
    list.last = f;
    if (!list.current) list.current = f;
    ++list.count;
    return f;
}

Node alloc() {
    Frame* f = list.current;
    if (!f || (f->free_head == no_slot && f->fresh == f->slot_count)) {
        f = frame_with_room();
        if (!f) f = make_frame();
        list.current = f;
    }
    u32 index;
    if (f->free_head != no_slot) {
        index = f->free_head;
        f->free_head = next_free(f->slots[index]);
    } else {
        index = f->fresh++;
    }
    f->slots[index] = 0;
    ++f->used;
    return id_of(f, index);
}

void free(Node n) {
    u32 i = n - base;
    Frame* f = frames[i >> slot_bits];
    u32 index = i & ((1u << slot_bits) - 1);
    f->slots[index] = free_link(f->free_head);
    f->free_head = index;
    --f->used;
}

void release_frame(Frame* f) {
    if (f->prev) f->prev->next = f->next; else list.first = f->next;
    if (f->next) f->next->prev = f->prev; else list.last = f->prev;
    if (list.current == f) list.current = nullptr;
    frames[f->number] = nullptr;
    --list.count;
    platform::discard_pages(f->slots, window_bytes);
    memory::root.bytes_taken -= committed_bytes();
    memory::os_free(f);
}

void sweep_frames() {
    list.current = nullptr;
    for (Frame* f = list.first; f;) {
        Frame* next = f->next;
        if (f->used == 0) {
            release_frame(f);
        } else if (!list.current && f->used < f->slot_count) {
            list.current = f;
        }
        f = next;
    }
}

void release_all() {
    while (list.first) release_frame(list.first);
}

u32 used_count() {
    u32 n = 0;
    for (const Frame* f = list.first; f; f = f->next) n += f->used;
    return n;
}

}  // namespace zel::node
