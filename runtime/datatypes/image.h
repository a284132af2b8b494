// image!: a position (a pixel index, 0 .. width x height) into the pixels of an image
// record (image-record.h). Cell: word 1 the index, word 2 the record's node (0 for an empty
// image), word 3 the size word (width in bits 0-15, height in bits 16-31, 0 when empty).
// Pixels cross into the language as tuples R.G.B.A whose A is transparency (0 opaque),
// 255 minus the opacity the record keeps.
#pragma once
#include "runtime/core/cell.h"

namespace zel::image {

// An image value at index 0 over a record's node; 0 gives the empty image.
Cell cell(Node record);

u32 width(const Cell& image);
u32 height(const Cell& image);

// The pixel at an absolute offset as R.G.B.transparency; none! at width x height.
Cell pixel_at(const Cell& image, u32 offset);

// The channel bytes of the whole image, and setting a channel from a binary! (read from
// its position), a tuple! or an integer!: mode 0 transparency (1 byte a pixel), 1 R, G, B
// (3 bytes), 2 the raw BGRA words (4 bytes).
enum class Channel : u8 { alpha = 0, rgb = 1, argb = 2 };
Cell channel_bytes(const Cell& image, Channel mode);
void set_channel(const Cell& image, const Cell& value, Channel mode);

// The codecs: decoding a binary! (from its position) or, for anything else, the file it
// names; encoding to BMP (0), PNG (1), GIF (2), JPEG (3) or TIFF (4). Decoding raises
// access/bad-media for bytes that are no image and access/cannot-open for a file that
// gives none; encoding raises access/bad-media for an empty image or a failing encoder.
// A binary! whose bytes have no known signature decodes to none!. `where` is ignored
// (a new binary! is always made).
Cell image_codec_decode(const Cell& data);
Cell image_codec_encode(const Cell& image, const Cell& where, u32 format);

// Turns a GUI face (an object!) into an image: filled in by the GUI; until then, and when
// it answers false, `to image!` of an object raises script/bad-to-arg.
using FaceRenderer = bool (*)(const Cell& face, Cell& image);
extern FaceRenderer face_renderer;

}  // namespace zel::image
