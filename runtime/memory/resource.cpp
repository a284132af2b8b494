#include "runtime/memory/resource.h"

#include "runtime/memory/heap.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/scratch.h"

namespace zel::resource {
namespace {

struct Kind {
    const char* name;
    Release release;
};

Kind kinds[max_kinds];
u32 kind_count = 0;

// Entries are handed out in order before freed ones are taken back, so that only the
// memory of entries in use is written; those from `fresh` on were never handed out.
Entry* entries = nullptr;
u32 entry_capacity = 0;
u32 fresh = 0;
i32 used_head = end_of_list;
i32 free_head = end_of_list;  // entries freed since they were handed out

// The young entries in creation order: each NativeCall ends the youth of those made since
// it began. An index here may name an entry freed since, or a later entry of that index,
// made inside the same call: ending its youth then is right too.
gc::Scratch<u32> young_entries;
u32 open_calls = 0;

void grow() {
    entry_capacity *= 2;
    entries = static_cast<Entry*>(heap::resize(entries, sizeof(Entry) * entry_capacity));
}

bool is_used(u32 index) { return index < fresh && entries[index].kind_word != kindword::free; }

void unlink_used(i32 index) {
    if (used_head == index) {
        used_head = entries[index].next;
        return;
    }
    for (i32 i = used_head; i != end_of_list; i = entries[i].next)
        if (entries[i].next == index) {
            entries[i].next = entries[index].next;
            return;
        }
}

void make_free(i32 index) {
    entries[index] = Entry{kindword::free, free_head, nullptr};
    free_head = index;
}

}  // namespace

void init() {
    kind_count = 0;
    entry_capacity = first_capacity;
    entries = static_cast<Entry*>(heap::alloc(sizeof(Entry) * entry_capacity));
    fresh = 0;
    used_head = free_head = end_of_list;
    young_entries.clear();
    open_calls = 0;
}

void shutdown() {
    heap::free(entries);
    young_entries.release();
    entries = nullptr;
    entry_capacity = fresh = 0;
    kind_count = 0;
    used_head = free_head = end_of_list;
}

u32 register_kind(const char* name, Release release) {
    if (kind_count == max_kinds) memory::raise_limit_hit(max_kinds);
    kinds[kind_count++] = Kind{name, release};
    return kind_count;
}

const char* kind_name(u32 kind) { return kind >= 1 && kind <= kind_count ? kinds[kind - 1].name : nullptr; }

u32 add(void* data, u32 kind) {
    i32 index;
    if (free_head != end_of_list) {
        index = free_head;
        free_head = entries[index].next;
    } else {
        index = static_cast<i32>(fresh++);
    }
    // Taking the last free entry doubles the table.
    if (free_head == end_of_list && fresh == entry_capacity) grow();
    u32 kind_word = kind & kindword::kind_mask;
    if (open_calls) {
        young_entries.push(static_cast<u32>(index));
        kind_word |= kindword::young;
    }
    entries[index] = Entry{kind_word, used_head, data};
    used_head = index;
    return static_cast<u32>(index);
}

void release_data(u32 kind_word, void* data) {
    u32 kind = kind_word & kindword::kind_mask;
    if (kind >= 1 && kind <= kind_count && kinds[kind - 1].release) kinds[kind - 1].release(data);
}

void release_entry(const Entry& e) { release_data(e.kind_word, e.data); }

void replace_data(u32 index, void* data) {
    if (!is_used(index)) return;
    Entry& e = entries[index];
    void* old = e.data;
    e.data = data;
    if (old != data) release_data(e.kind_word, old);
}

void remove(u32 index, bool release) {
    if (!is_used(index)) return;
    if (release) release_entry(entries[index]);
    unlink_used(static_cast<i32>(index));
    make_free(static_cast<i32>(index));
}

bool mark(u32 index, void* data) {
    if (!is_used(index)) return false;
    Entry& e = entries[index];
    if (data) e.data = data;
    bool was_marked = e.kind_word & kindword::marked;
    e.kind_word |= kindword::marked;
    return !was_marked;
}

void for_each_of_kind(u32 kind, void (*f)(void* data)) {
    for (i32 i = used_head; i != end_of_list; i = entries[i].next)
        if ((entries[i].kind_word & kindword::kind_mask) == kind) f(entries[i].data);
}

// A release runs on a copy of the dead entry, already freed: a callback that adds an entry
// (growing the table) invalidates nothing the sweep still reads.
void sweep() {
    i32 prev = end_of_list;
    for (i32 i = used_head; i != end_of_list;) {
        Entry e = entries[i];
        if (e.kind_word & (kindword::marked | kindword::young)) {
            entries[i].kind_word &= ~kindword::marked;
            prev = i;
        } else {
            if (prev == end_of_list) used_head = e.next; else entries[prev].next = e.next;
            make_free(i);
            release_entry(e);
        }
        i = e.next;
    }
}

NativeCall::NativeCall() : first_young_(young_entries.size()) { ++open_calls; }

NativeCall::~NativeCall() {
    --open_calls;
    while (young_entries.size() > first_young_) {
        u32 index = young_entries.pop();
        if (is_used(index)) entries[index].kind_word &= ~kindword::young;
    }
}

const Entry& entry(u32 index) { return entries[index]; }
u32 capacity() { return entry_capacity; }

u32 used_count() {
    u32 n = 0;
    for (i32 i = used_head; i != end_of_list; i = entries[i].next) ++n;
    return n;
}

}  // namespace zel::resource
