// The natives recycle and stats: the collector's switch, a forced collection, and the
// memory census as a number or as a block of frame figures. The figures are taken before
// any block is built, so the blocks do not change the frames they describe; a collection
// while they are built stays free to run, or a loop of censuses would only ever grow.
#include <limits>

#include "generated/refinements.h"
#include "runtime/core/hooks.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/float.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/word.h"
#include "runtime/memory/census.h"
#include "runtime/memory/gc.h"
#include "runtime/names/context.h"
#include "runtime/natives/frame-args.h"
#include "runtime/natives/natives.h"

namespace zel::natives {
namespace {

// An integer! while the amount fits one, else a float!.
Cell amount(u64 bytes) {
    if (bytes <= static_cast<u64>(std::numeric_limits<i32>::max())) return integer::cell(static_cast<i32>(bytes));
    return float_::cell(static_cast<double>(bytes));
}

Cell in_use() { return amount(census::bytes_in_use()); }

// One block per frame, each on a line of its own: [free used total].
Cell frame_uses(const std::vector<census::FrameUse>& frames) {
    Cell list;
    block::make_at(&list, static_cast<i32>(frames.size()));
    for (const census::FrameUse& f : frames) {
        Cell* made = block::make_in(list, 3);
        made->header |= cellflag::new_line;
        const Cell entry = *made;
        for (u64 figure : {f.free, f.used, f.total}) block::append_value(entry, amount(figure));
    }
    return list;
}

// [node-frames series-frames big-buffer-sizes bytes-from-system heap-bytes]
Cell detailed() {
    const census::Census c = census::take();
    Cell info;
    block::make_at(&info, 5);
    block::append_value(info, frame_uses(c.node_frames));
    block::append_value(info, frame_uses(c.series_frames));
    Cell bigs;
    block::make_at(&bigs, static_cast<i32>(c.big_buffers.size()));
    for (u64 size : c.big_buffers) block::append_value(bigs, amount(size));
    block::append_value(info, bigs);
    block::append_value(info, amount(c.from_system));
    block::append_value(info, amount(c.heap_bytes));
    return info;
}

// The printed report is the library's: the figures go to its show-memory-stats.
void show(const Cell& info) {
    const Cell name = word::make_global("show-memory-stats");
    const Cell* fn = context::global_value_cell(as_word(name).symbol);
    if (!fn || !(fn->is(Type::function) || fn->is(Type::routine))) raise(ErrorId::script_no_value, &name);
    hooks::call(name, *fn, &info, 1, 0);
}

}  // namespace

void recycle(const i32* refinements) {
    const bool on = used(refinements, recycle_ref::on);
    const bool off = used(refinements, recycle_ref::off);
    if (on || off) {
        gc::set_enabled(on && !off);
        set_result(unset_cell);
        return;
    }
    gc::recycle();
    set_result(in_use());
}

void stats(const i32* refinements) {
    if (used(refinements, stats_ref::show)) {
        show(detailed());
        set_result(unset_cell);
    } else if (used(refinements, stats_ref::info)) {
        set_result(detailed());
    } else {
        set_result(in_use());
    }
}

}  // namespace zel::natives
