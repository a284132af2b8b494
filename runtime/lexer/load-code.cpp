#include "runtime/lexer/load-code.h"

#include "runtime/lexer/lexer.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/names/context.h"

namespace zel::lexer {
namespace {

bool holds_code(Type t) {
    return t == Type::block || t == Type::paren || t == Type::path || t == Type::lit_path || t == Type::set_path ||
           t == Type::get_path;
}

bool is_word(Type t) { return t >= Type::word && t <= Type::get_word; }

// Adding a word may allocate and move the block's buffer: each cell is read afresh.
void add_words(Node block) {
    for (u32 i = 0; i < node::buffer(block)->cell_count(); ++i) {
        const Cell item = reinterpret_cast<const Cell*>(node::buffer(block)->head_ptr())[i];
        if (is_word(item.type())) context::add_word(context::global, item);
        else if (holds_code(item.type())) add_words(item.w2);
    }
}

}  // namespace

void bind_global(const Cell& block) {
    add_words(block.w2);
    context::bind_block(block, context::global, false);
}

Cell load_code(const u8* text, u32 length) {
    const Cell code = lexer::scan_utf8(text, length, lexer::Options{}).value;
    bind_global(code);
    return code;
}

Cell load_code(const Cell& string) {
    const Cell code = lexer::scan_string(string, -1, lexer::Options{}).value;
    bind_global(code);
    return code;
}

}  // namespace zel::lexer
