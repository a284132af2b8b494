// Strings made from encoded text that enters the runtime from outside: UTF-8 decoded into
// the narrowest unit width.
#pragma once
#include "runtime/core/cell.h"

namespace zel::string {

// A new string! of `count` bytes of UTF-8 (which may lie in a series buffer); bytes left
// undecoded at the end, a character cut short, raise access/invalid-utf8 with them as a
// binary!.
Cell to_from_binary(const u8* bytes, u32 count);

}  // namespace zel::string
