#include "runtime/io/lexer-words.h"

#include "runtime/io/lexer-text.h"
#include "runtime/memory/node.h"

namespace zel::lexer {

Cell make_word(Type kind, const u8* spelling, u32 length) {
    Cell bytes = make_bytes(Type::binary, spelling, length);
    return Cell{header_of(kind), 0, 0, bytes.w2};
}

std::string word_spelling(const Cell& word) {
    Buffer* b = node::buffer(word.w3);
    return std::string(reinterpret_cast<const char*>(b->head_ptr()), b->used());
}

}  // namespace zel::lexer
