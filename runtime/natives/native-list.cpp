#include <algorithm>
#include <array>
#include <cstdio>

#include "runtime/core/action-slots.h"
#include "runtime/datatypes/native.h"
#include "runtime/memory/fatal.h"
#include "runtime/names/context.h"
#include "runtime/names/symbol.h"
#include "runtime/natives/natives.h"

namespace zel::natives {
namespace {

constexpr u32 indexes[] = {
#define ZEL_NATIVE(index, name, text, exits) index,
#include "runtime/natives/natives.def"
#undef ZEL_NATIVE
};
constexpr u32 highest_index = *std::max_element(std::begin(indexes), std::end(indexes));
static_assert(highest_index <= native::table_capacity);

[[noreturn]] void misdefined(const char* name, const char* what, u32 number) {
    std::fprintf(stderr, "*** Start-up Error: the library does not define %s as the %s %u\n", name, what, number);
    std::fflush(stderr);
    fatal::exit_with_error(fatal::assertion_failed);
}

const Cell* global_value(const char* name) { return context::global_value_cell(symbol::intern_cstring(name)); }

bool undefined(const char* name) {
    const Cell* value = global_value(name);
    return !value || value->is(Type::unset);
}

}  // namespace

void init_table() {
    constexpr bool transparent = true;
    constexpr bool opaque = false;
    std::array<native::Entry, highest_index> entries{};
    std::array<bool, highest_index> passes_exits{};
#define ZEL_NATIVE(index, name, text, exits) \
    entries[index - 1] = name;                \
    passes_exits[index - 1] = exits;
#include "runtime/natives/natives.def"
#undef ZEL_NATIVE
    native::append_entries(entries.data(), passes_exits.data(), highest_index);
}

bool defines(Type type, const char* name, u32 index) {
    const Cell* value = global_value(name);
    return value && value->is(type) && value->w1 + 1 == index;
}

void check_library_definitions() {
#define ZEL_NATIVE(index, name, text, exits) \
    if (!defines(Type::native, text, index)) misdefined(text, "native! of index", index);
#include "runtime/natives/natives.def"
#undef ZEL_NATIVE
    // The slots the library gives no action (paths, comparison) leave their word unset.
#define ZEL_ACTION(slot, name, text) \
    if (*text && !undefined(text) && !defines(Type::action, text, slot)) misdefined(text, "action! of slot", slot);
#include "runtime/core/action-slots.def"
#undef ZEL_ACTION
}

}  // namespace zel::natives
