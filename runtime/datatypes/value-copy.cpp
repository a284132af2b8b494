#include "runtime/datatypes/value-copy.h"

#include "runtime/datatypes/registry.h"
#include "runtime/eval/error.h"
#include "runtime/memory/cycle.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series.h"

namespace zel::value_copy {

bool is_block_like(Type t) {
    switch (t) {
    case Type::block:
    case Type::paren:
    case Type::hash:
    case Type::path:
    case Type::lit_path:
    case Type::set_path:
    case Type::get_path:
        return true;
    default:
        return false;
    }
}

namespace {

// A hash! carries its table beside its cells: only its own copy can make one.
bool clones_as_cells(Type t) { return is_block_like(t) && t != Type::hash; }

}  // namespace

Cell clone_block(const Cell& block, bool deep) {
    const Node source = block.w2;
    if (deep && cycle::find(source)) {
        cycle::reset();
        raise(ErrorId::internal_no_cycle);
    }
    const u32 length = node::buffer(source)->used() / sizeof(Cell);
    const u32 start = block.w1 < length ? block.w1 : length;
    const Node copy = series::copy_slice(source, start, length - start);
    Cell result{block.header & ~cellflag::new_line, 0, copy, 0};
    if (!deep) return result;

    cycle::Entry guard(source);
    for (u32 i = 0;; ++i) {
        Buffer* b = node::buffer(copy);
        if (i >= b->used() / sizeof(Cell)) break;
        const Cell item = b->cells()[b->head / sizeof(Cell) + i];
        if (!clones_as_cells(item.type())) continue;
        const Cell nested = clone_block(item, true);
        Cell& slot = node::buffer(copy)->cells()[node::buffer(copy)->head / sizeof(Cell) + i];
        slot.w2 = nested.w2;
        slot.w1 = 0;
    }
    return result;
}

Cell deep_copy(const Cell& value) {
    if (const sig::on_copy copy = actions_of(value).on_copy) {
        Cell source = value;
        Cell result = unset_cell;
        copy(&source, &result, nullptr, true, nullptr);
        return result;
    }
    if (clones_as_cells(value.type())) return clone_block(value, true);
    if (value.is(Type::hash) || value.is(Type::image)) return value;
    const Buffer* b = node::buffer(value.w2);
    const u32 units = b->used() >> b->shift();
    const u32 start = value.w1 < units ? value.w1 : units;
    return Cell{value.header & ~cellflag::new_line, 0, series::copy_slice(value.w2, start, units - start), 0};
}

}  // namespace zel::value_copy
