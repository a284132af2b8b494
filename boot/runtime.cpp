#include "boot/runtime.h"

#include "platform/services.h"
#include "runtime/context.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/object.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/standard.h"
#include "runtime/datatypes/symbol.h"
#include "runtime/eval/exits.h"
#include "runtime/eval/frame.h"
#include "runtime/eval/interpreter.h"
#include "runtime/eval/native-table.h"
#include "runtime/io/lexer.h"
#include "runtime/memory/externals.h"
#include "runtime/memory/gc.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/resource.h"
#include "runtime/memory/roots.h"
#include "runtime/natives/natives.h"
#include "runtime/ownership.h"
#include "runtime/print-hooks.h"
#include "runtime/runtime-words.h"

namespace zel::runtime {

void init() {
    gc::set_enabled(false);
    stdio::init_print_hooks();
    platform::init_services();
    memory::init();
    resource::init();
    register_datatypes();

    const Node root = memory::alloc_series_in_heap(root_block_cells, sizeof(Cell), 0);
    roots::set_block(Cell{header_of(Type::block), 0, root, 0});
    context::init_global();
    symbol::init();
    runtime_words::load_runtime_words();
    runtime_words::make_runtime_refinements();
    runtime_words::make_ooo_issue();
    datatype::set_name_words();
    stack::init();
    frame::init();
    exits::init();
    native::init_table();
    natives::init_table();
    ownership::init();
    lexer::init();
    standard::init();
    object::install_hooks();
    interp::init();
    externals::init();
    gc::init_counters();
}

void shutdown() {
    externals::shutdown();
    resource::shutdown();
    standard::reset();
    memory::release_all();
}

}  // namespace zel::runtime
