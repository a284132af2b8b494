#include <algorithm>
#include <array>

#include "runtime/datatypes/native.h"
#include "runtime/natives/natives.h"

namespace zel::natives {
namespace {

constexpr u32 indexes[] = {
#define ZEL_NATIVE(index, name) index,
#include "runtime/natives/natives.def"
#undef ZEL_NATIVE
};
constexpr u32 highest_index = *std::max_element(std::begin(indexes), std::end(indexes));
static_assert(highest_index <= native::table_capacity);

}  // namespace

void init_table() {
    std::array<native::Entry, highest_index> entries{};
#define ZEL_NATIVE(index, name) entries[index - 1] = name;
#include "runtime/natives/natives.def"
#undef ZEL_NATIVE
    native::append_entries(entries.data(), highest_index);
}

}  // namespace zel::natives
