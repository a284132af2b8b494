// Loading the library: each file's code (after its header), its words bound to the global
// context, is evaluated in start-up order, from the source text or from the boot image.
// Collection is switched on once the library is in place.
#pragma once
#include "boot/library-sources.h"

namespace zel::library {

// Evaluates the source files given, in order, then switches collection on. A debug build
// checks in between that the library defines every native and action under its table's name.
void load(const Source* files, u32 count);

// The same from the boot image, which is decoded into the root block first. An image that
// is not Zelbin ends the process with a message and a non-zero status.
void load_image(const Image& boot);

// The boot image of the files: their code blocks in a block, as compact Zelbin (a binary!).
Cell image_of(const Source* files, u32 count);

}  // namespace zel::library
