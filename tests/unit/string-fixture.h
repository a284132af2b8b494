// Helpers of the string core tests: strings of a chosen unit width made from UTF-8, and
// their whole contents read back as UTF-8.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "action_call.h"
#include "runtime/memory/node.h"
#include "runtime/text/string-units.h"
#include "runtime/text/utf8.h"

namespace zel::test {

class StringFixture : public ::testing::Test {
protected:
    void SetUp() override { ensure_datatypes(); }
};

// A string! of the text at a position, its units widened to `width` when that is wider
// than the text needs.
inline Cell text(const std::string& utf8, u32 position = 0, u32 width = 1) {
    Cell cell = string_cell(utf8, position);
    Buffer* b = node::buffer(cell.w2);
    if (width > b->unit()) unicode::widen(b, width);
    return cell;
}

inline u32 width_of(const Cell& value) { return node::buffer(value.w2)->unit(); }

// Every character of the value's series, head to tail, as UTF-8.
inline std::string content(const Cell& value) {
    Buffer* b = node::buffer(value.w2);
    std::string out;
    for (u32 at = b->head; at < b->tail; at += b->unit()) {
        u8 bytes[4];
        const u32 cp = unicode::read_unit(b->data() + at, b->unit());
        out.append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(unicode::encode_utf8_char(cp, bytes)));
    }
    return out;
}

}  // namespace zel::test
