// A fresh runtime with names for each test: memory, a root block, the symbol table, the
// global context and the runtime words, and the registered datatypes.
#pragma once
#include <string>
#include <string_view>

#include "runtime/memory/memory.h"
#include "runtime/memory/roots.h"
#include "runtime/names/context.h"
#include "runtime/names/runtime-words.h"
#include "runtime/names/symbol.h"
#include "runtime/text/string-utf8.h"
#include "tests/unit/action_call.h"
#include "tests/unit/memory-fixture.h"

class NamesFixture : public MemoryFixture {
protected:
    void SetUp() override {
        MemoryFixture::SetUp();
        zel::test::ensure_datatypes();
        const zel::Node root = zel::memory::alloc_series_in_heap(20000, sizeof(zel::Cell), 0);
        zel::roots::set_block(zel::Cell{zel::header_of(zel::Type::block), 0, root, 0});
        zel::symbol::init();
        zel::context::init_global();
        zel::runtime_words::load_runtime_words();
        zel::runtime_words::make_runtime_refinements();
    }

    static zel::Cell string_of(std::string_view text) {
        const zel::Node n = zel::unicode::load_utf8_new(reinterpret_cast<const zel::u8*>(text.data()),
                                                        static_cast<zel::u32>(text.size()));
        return zel::Cell{zel::header_of(zel::Type::string), 0, n, 0};
    }

    static zel::Cell word_of(std::string_view name, zel::Type t = zel::Type::word) {
        return zel::Cell{zel::header_of(t), 0, zel::symbol::intern(name), zel::context::no_index};
    }

    static zel::Cell integer_of(zel::i32 v) {
        return zel::Cell{zel::header_of(zel::Type::integer), 0, static_cast<zel::u32>(v), 0};
    }
};
