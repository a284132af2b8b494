// The native resource table: operating-system objects (fonts, layouts, bitmaps) that
// values stand for, each an entry of a kind whose release callback frees the object.
// Values carry the entry's index, never its address; the collector marks entries through
// them and releases every entry it did not reach. An entry made while a native runs is
// young until that native returns: sweeps keep it unmarked, since the native may collect
// before it has stored the handle. Made outside any native, an entry is not young: store
// its handle where the collector sees it before anything allocates (adding allocates no
// series, so it never collects).
#pragma once
#include "runtime/core/cell.h"

namespace zel::resource {

using Release = void (*)(void* data);

constexpr u32 max_kinds = 20;
constexpr u32 first_capacity = 1000;
constexpr i32 end_of_list = -1;

namespace kindword {
constexpr u32 kind_mask = 0xFF;
constexpr u32 marked = 0x80000000;
constexpr u32 free = 0x40000000;  // the whole kind word of a free entry
constexpr u32 young = 0x20000000;  // made by a native that has not returned yet
}  // namespace kindword

struct Entry {
    u32 kind_word;
    i32 next;  // next entry of its list, end_of_list at the end
    void* data;
};

// Makes an empty table (after shutdown, or once at start-up).
void init();
// Frees the table without releasing the objects.
void shutdown();

// Kind ids count from 1; a kind beyond max_kinds raises internal/limit-hit.
u32 register_kind(const char* name, Release release);
const char* kind_name(u32 kind);

// Takes a free entry for data, links it at the head of the used list and returns its
// index (from 0). Inside a NativeCall the entry is young.
u32 add(void* data, u32 kind);
// Calls the release callback of the kind in kind_word, when the kind has one.
void release_data(u32 kind_word, void* data);
void release_entry(const Entry& e);
// Stores new data, releasing the previous data when it differs.
void replace_data(u32 index, void* data);
// Frees the entry, releasing its data first when `release` is set.
void remove(u32 index, bool release);
// Marks a used entry and, when data is not null, replaces its data without releasing the
// old. True when it was not marked before. An index that names no used entry is ignored.
bool mark(u32 index, void* data);
void for_each_of_kind(u32 kind, void (*f)(void* data));
// After marking: unmarks the marked entries and releases and frees the others, young
// entries excepted.
void sweep();

// The run of a native (or action), held by the evaluator around its call: the entries
// made until it ends, by the native or by what it calls, are young while it runs.
class NativeCall {
public:
    NativeCall();
    ~NativeCall();
    NativeCall(const NativeCall&) = delete;
    NativeCall& operator=(const NativeCall&) = delete;

private:
    u32 first_young_;
};

const Entry& entry(u32 index);
u32 capacity();
u32 used_count();

}  // namespace zel::resource
