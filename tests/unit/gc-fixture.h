// A fresh memory manager with collection off, stress off and a root block registered with
// the collector. Values that a test means to lose are made in non-inlined helpers and the
// stack they used is wiped before collecting: the collector scans the native stack, and a
// stale copy of a node left there would keep it alive.
#pragma once
#include <gtest/gtest.h>

#include "boot/runtime.h"
#include "runtime/memory/gc.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"

inline zel::Cell block_cell(zel::Node n) { return zel::Cell{zel::header_of(zel::Type::block), 0, n, 0}; }

class GcFixture : public ::testing::Test {
protected:
    void SetUp() override {
        // Node ids start again from the base in every test: words left on the stack by an
        // earlier test, where this test's frames will be, would name this test's nodes.
        wipe_stack();
        zel::runtime::init(zel::runtime::Stage::memory);
        zel::gc::set_stress(0);
        root = zel::Cell{zel::header_of(zel::Type::block), 0, zel::memory::alloc_cells(4), 0};
        zel::gc::add_root_cells(&root, 1);
    }
    void TearDown() override {
        zel::gc::remove_root_cells(&root);
        zel::gc::set_enabled(false);
        zel::gc::set_stress(0);
        zel::runtime::shutdown();
    }

    // Appends a cell to the root block.
    void keep(const zel::Cell& c) { *zel::series_buffer::append_cell(root) = c; }
    zel::u32 root_length() const { return zel::node::buffer(root.w2)->cell_count(); }
    const zel::Cell& root_at(zel::u32 i) const { return zel::node::buffer(root.w2)->cells()[i]; }
    void clear_root() { zel::node::buffer(root.w2)->tail = 0; }

    // Wipes the stack below the caller, then collects.
    static __attribute__((noinline)) void collect() {
        wipe_stack();
        zel::gc::recycle();
    }
    static __attribute__((noinline, no_sanitize_address)) void wipe_stack() {
        volatile unsigned char area[64 * 1024];
        for (volatile unsigned char& byte : area) byte = 0;
    }

    zel::Cell root{};
};
