// Words as the lexer loads them, and the lexer's service to the word datatypes. A loaded
// name is interned in the spelling it was written with; a word of the word! family is
// unbound (no context, no slot), an issue is bound to the global context with no slot, as
// every issue is.
#pragma once
#include <string_view>

#include "runtime/core/cell.h"

namespace zel::lexer {

// A word-like value of `kind` (word! to issue!) named by the UTF-8 bytes given.
Cell make_word(Type kind, const u8* spelling, u32 length);

// The datatype of the one token that the whole name scans as; Type{0} when the name holds
// no token, more than one, or a syntax fault.
Type scan_name(std::string_view name);

}  // namespace zel::lexer
