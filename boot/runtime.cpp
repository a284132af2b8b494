#include "boot/runtime.h"

#include "runtime/core/cell-views.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/handle.h"
#include "runtime/datatypes/image-record.h"
#include "runtime/datatypes/native.h"
#include "runtime/datatypes/object.h"
#include "runtime/datatypes/ownership.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/standard.h"
#include "runtime/datatypes/typeset.h"
#include "runtime/eval/exits.h"
#include "runtime/eval/frame.h"
#include "runtime/eval/interpreter.h"
#include "runtime/io/print-hooks.h"
#include "runtime/lexer/lexer.h"
#include "runtime/memory/externals.h"
#include "runtime/memory/gc.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/resource.h"
#include "runtime/memory/roots.h"
#include "runtime/names/context.h"
#include "runtime/names/runtime-words.h"
#include "runtime/names/symbol.h"
#include "runtime/natives/natives.h"
#include "runtime/natives/parse/parse-engine.h"

namespace zel::runtime {

void init(Stage upto) {
    gc::set_enabled(false);
    memory::init();
    if (upto == Stage::memory) return;

    // The action rows are tables of the process, filled once however often it starts.
    if (registry().highest_registered() == 0) register_datatypes();
    if (upto == Stage::datatypes) return;

    const Node root = memory::alloc_series_in_heap(root_block_cells, sizeof(Cell), 0);
    roots::set_block(block_cell(root));
    context::init_global();
    symbol::init();
    runtime_words::load_runtime_words();
    runtime_words::make_runtime_refinements();
    if (upto == Stage::names) return;

    ownership::init();
    standard::init();
    object::reset_class_ids();
    object::install_hooks();
    if (upto == Stage::objects) return;

    stdio::init_print_hooks();
    resource::init();
    imaging::init();
    datatype::set_name_words();
    handle::set_null_word();
    typeset::set_family_words();
    stack::init();
    frame::init();
    exits::init();
    native::init_table();
    natives::init_table();
    parse::init_stacks();
    lexer::init();
    interp::init();
    externals::init();
    gc::init_counters();
}

void shutdown() {
    externals::shutdown();
    imaging::release_all();
    resource::shutdown();
    standard::reset();
    memory::release_all();
}

void finish() {
#if defined(__SANITIZE_ADDRESS__)
    shutdown();
#else
    externals::shutdown();
    resource::shutdown();
#endif
}

}  // namespace zel::runtime
