#include "runtime/eval/native-table.h"

#include <algorithm>
#include <iterator>

#include "runtime/eval/error.h"

namespace zel::native {

namespace {
u32 filled = 0;
}

void init_table() {
    std::fill(std::begin(table), std::end(table), nullptr);
    filled = 0;
}

u32 append_entries(const Entry* entries, u32 n) {
    if (n > table_capacity - filled) {
        const Cell limit{header_of(Type::integer), 0, table_capacity, 0};
        raise(ErrorId::internal_limit_hit, &limit);
    }
    std::copy(entries, entries + n, table + filled);
    filled += n;
    return filled - n + 1;
}

u32 count() { return filled; }

}  // namespace zel::native
