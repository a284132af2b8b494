// Percent-encoding of text as URLs carry it: each byte outside a set of ASCII characters
// written as "%" and two upper-case hexadecimal digits. Two sets: the URL set (what a url
// or file literal holds as it is) and the unreserved set (what any URL component may).
#pragma once
#include <cstddef>
#include <string>

#include "runtime/core/cell.h"

namespace zel::percent {

// The letters, the digits and ! # $ & ' ( ) * + , - . / : = ? @ _ ~; nothing from 128 on.
bool url_char(u32 c);
// The letters, the digits and - . _ ~.
bool unreserved_char(u32 c);

// The bytes with every one outside the set (the URL set, else the unreserved set) escaped.
std::string encode(const u8* bytes, std::size_t count, bool url_set);

}  // namespace zel::percent
