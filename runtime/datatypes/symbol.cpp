// symbol!: the records of the symbol table as values. They relate only to each other.
#include <string_view>

#include "runtime/datatypes/registry.h"
#include "runtime/memory/node.h"
#include "runtime/names/name-compare.h"

namespace zel {
namespace {

std::string_view name_of_record(const Cell& record) {
    Buffer* bytes = node::buffer(record.w3);
    return {reinterpret_cast<const char*>(bytes->head_ptr()), bytes->used()};
}

// symbol! relates only to symbols: their names compared as text.
i32 compare_symbols(const Cell* value1, const Cell* value2, i32 code) {
    if (!value2->is(Type::symbol)) return not_comparable;
    return compare_names(name_of_record(*value1), name_of_record(*value2), code);
}

}  // namespace

constinit const ActionRecord symbol_actions = [] {
    ActionRecord r;
    r.on_compare = compare_symbols;
    return r;
}();

}  // namespace zel
