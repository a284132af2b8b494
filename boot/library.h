// Loading the library: each file's code (after its header), its words bound to the global
// context, is evaluated in start-up order from the source text, or taken as evaluated from
// the boot image.
// Collection is switched on once the library is in place.
#pragma once
#include "boot/library-sources.h"

namespace zel::library {

// Evaluates the source files given, in order, then switches collection on. A debug build
// checks in between that the library defines every native and action under its table's name.
void load(const Source* files, u32 count);

// The same from the boot image, a snapshot of the library evaluated at build time: its
// global words take the values the image holds, the runtime takes back what it keeps of
// them, and only the code that depends on the running process (the start-up files: the
// command line, the environment, the cache folder, the terminal) is evaluated. An image
// that is not Zelbin ends the process with a message and a non-zero status.
void load_image(const Image& boot);

// The boot image: evaluates the files, then writes the global words, their values and the
// code blocks of the start-up files, as compact Zelbin in its boot form (a binary!).
Cell image_of(const Source* files, u32 count, const Source* start_up, u32 start_up_count);

}  // namespace zel::library
