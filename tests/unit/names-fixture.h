// A fresh runtime with names for each test: memory, the registered datatypes, a root block,
// the symbol table, the global context and the runtime words.
#pragma once
#include <string>
#include <string_view>

#include "runtime/names/context.h"
#include "runtime/names/symbol.h"
#include "runtime/text/string-utf8.h"
#include "tests/unit/action_call.h"
#include "tests/unit/memory-fixture.h"

class NamesFixture : public MemoryFixture {
protected:
    explicit NamesFixture(zel::runtime::Stage stage = zel::runtime::Stage::names) : MemoryFixture(stage) {}

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
