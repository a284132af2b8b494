// The codec objects' routines: the image codecs' encoder and decoder, and the zelbin
// codec's encode* and decode. Entries of the routine table (routines.def).
#pragma once
#include "runtime/core/cell.h"

namespace zel::routines {

// An image as the bytes of the format whose code the routine keeps (0 BMP, 1 PNG, 2 GIF,
// 3 JPEG, 4 TIFF), and bytes or a file as an image! recognised by its signature.
void image_codec_encode(const Cell& routine, const Cell* args, Cell& result);
void image_codec_decode(const Cell& routine, const Cell* args, Cell& result);

// The value as Zelbin data, compact or full as its second argument says.
void zelbin_codec_encode(const Cell& routine, const Cell* args, Cell& result);
// Zelbin data from a binary!, or read from a file! or url!: its one value, or a block of
// its values.
void zelbin_codec_decode(const Cell& routine, const Cell* args, Cell& result);

}  // namespace zel::routines
