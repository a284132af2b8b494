// Routines that only the library's start-up may call: they hand the library what the
// runtime keeps (the error catalogue, the currency table, the process's arguments...) and
// give the objects built at start-up their fixed class ids. Their words are set before the
// library is evaluated and unset once it is in place, so no script can reach them.
#pragma once
#include "runtime/core/cell.h"

namespace zel::boot_routines {

// Sets the words of the boot routines in the global context.
void install();
// Unsets them.
void remove();

// The process's arguments from `from` on as one line, quoted so that it splits back into
// the same arguments.
Cell command_line(int from);
// The same arguments as a block of strings.
Cell argument_strings(int from);

}  // namespace zel::boot_routines
