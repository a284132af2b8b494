// Non-local exits. Every exit of the language (an error, break, continue, return, exit,
// throw, quit, a failed memory operation) is one C++ exception carrying its pending code.
// A place that catches tests the code, acts on the codes it takes and rethrows the others;
// RAII guards restore what unwinding must restore.
#pragma once
#include "runtime/core/cell.h"

namespace zel {

enum class ThrowCode : u32 {
    error = 0x7FFFFFFF,
    break_ = 0x7FFFFFFE,
    continue_ = 0x7FFFFFFD,
    return_ = 0x7FFFFFFC,
    exit = 0x7FFFFFFB,
    throw_ = 0x7FFFFFFA,
    vm_alloc = 0x7FFFFFF7,
    vm_release = 0x7FFFFFF6,
    quit = 0x0BADCAFE,
};

struct Throw {
    ThrowCode code;
    Cell value{};  // the error!, the thrown or returned value, or the quit status
    u32 name = 0;  // symbol of a throw/name or break target, 0 when none
};

}  // namespace zel
