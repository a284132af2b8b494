// The natives enbase and debase: bytes to the text of a base and back, through the one
// codec that binary literals also read with; enhex and dehex: text to URL percent
// escapes and back, through the escapes of url and file literals.
#include <string>

#include "generated/refinements.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/lexer/lexer-text.h"
#include "runtime/memory/buffer.h"
#include "runtime/memory/node.h"
#include "runtime/natives/frame-args.h"
#include "runtime/natives/natives.h"
#include "runtime/text/base-codecs.h"
#include "runtime/text/percent-coding.h"
#include "runtime/text/string-utf8.h"

namespace zel::natives {
namespace {

constexpr u32 default_base = 64;

// The /base argument, 64 without it; a base without a codec raises script/invalid-arg.
u32 base_of(const i32* refinements, u32 base_ref) {
    if (!used(refinements, base_ref)) return default_base;
    const Cell& base = ref_arg(refinements, base_ref);
    const i32 b = integer::get(base);
    if (b < 0 || !base_codec::known(static_cast<u32>(b))) raise(ErrorId::script_invalid_arg, &base);
    return static_cast<u32>(b);
}

}  // namespace

// A text that does not decode gives none.
void debase(const i32* refinements) {
    const u32 base = base_of(refinements, debase_ref::base);
    const Cell text = arg(0);
    // Characters above 127 are no digits: they stand as a byte that no alphabet holds.
    std::string chars;
    for (u32 i = 0, n = chars_from_position(text); i < n; ++i) {
        const u32 c = char_at(text, i);
        chars.push_back(static_cast<char>(c < 128 ? c : 0xFF));
    }
    std::string bytes;
    if (!base_codec::decode(base, chars, bytes)) {
        set_result(none_cell);
        return;
    }
    set_result(lexer::make_bytes(Type::binary, reinterpret_cast<const u8*>(bytes.data()), static_cast<u32>(bytes.size())));
}

// A binary is encoded from its position, a string from its UTF-8 form. A text longer
// than a series holds raises script/too-long.
void enbase(const i32* refinements) {
    const u32 base = base_of(refinements, enbase_ref::base);
    Cell value = arg(0);
    const u8* bytes = nullptr;
    u32 count = 0;
    if (value.is(Type::binary)) {
        Buffer* b = node::buffer(value.w2);
        const u32 from = std::min(value.w1, b->used());
        bytes = b->head_ptr() + from;
        count = b->used() - from;
    } else {
        i32 utf8_count = -1;
        bytes = unicode::to_utf8(value, utf8_count);
        count = static_cast<u32>(utf8_count);
    }
    if (base_codec::encoded_size(base, count) > max_series_bytes) raise(ErrorId::script_too_long);
    const std::string text = base_codec::encode(base, bytes, count);
    Output out;
    out.append_ascii(text);
    set_result(out.value());
}

// A string keeps only the unreserved characters, the other texts the URL set; every
// other UTF-8 byte is escaped.
void enhex(const i32*) {
    Cell value = arg(0);
    i32 count = -1;
    const u8* utf8 = unicode::to_utf8(value, count);
    const std::string text = percent::encode(utf8, static_cast<u32>(count), !value.is(Type::string));
    Output out;
    out.append_ascii(text);
    set_result(out.value());
}

// Escaped bytes that form UTF-8 give its characters; a "%" without two digits stays.
void dehex(const i32*) {
    const Cell value = arg(0);
    std::u32string chars;
    for (u32 i = 0, n = chars_from_position(value); i < n; ++i) chars.push_back(char_at(value, i));
    set_result(lexer::make_text(Type::string, lexer::percent_decode(chars)));
}

}  // namespace zel::natives
