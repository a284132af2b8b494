// image!'s actions: make and to, form and mold, path access, comparison, navigation by
// pixel count or column x row, pick and poke of pixels as tuples, change (a pixel or a
// pasted image), copy of rectangles; channel bytes and the codec entries. Every pixel read
// or written goes through the record's straight BGRA buffer; positions are clamped to
// 0 .. width x height.
#include "runtime/datatypes/image.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/posix/read-file.h"
#include "runtime/codec/image-codecs.h"
#include "runtime/core/cell-views.h"
#include "runtime/core/compare-codes.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/file.h"
#include "runtime/datatypes/image-record.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/logic.h"
#include "runtime/datatypes/pair.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/datatypes/tuple.h"
#include "runtime/lexer/lexer-text.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/names/runtime-words.h"
#include "runtime/names/symbol.h"

namespace zel::image {

FaceRenderer face_renderer = nullptr;

namespace {

u32 size_of(const Cell& c) { return as_series(c).extra; }
u64 pixel_count(const Cell& c) { return u64{width(c)} * height(c); }
Node record_of(const Cell& c) { return as_series(c).node; }

Cell with_size(Node record, u32 size) { return Cell{header_of(Type::image), 0, record, size}; }

[[noreturn]] void invalid_arg(const Cell& value) { raise(ErrorId::script_invalid_arg, &value); }

// The bytes of a binary! from its position, valid until the next allocation.
const u8* binary_bytes(const Cell& b, u32& count) {
    Buffer* buffer = node::buffer(as_series(b).node);
    const u32 from = std::min(as_series(b).index, buffer->used());
    count = buffer->used() - from;
    return buffer->head_ptr() + from;
}

// A colour tuple as a BGRA word: alpha 255 minus component 4, opaque for 3 components.
u32 word_of(const Cell& t) {
    const u8* c = tuple::bytes(t);
    const u32 alpha = tuple::count(t) > 3 ? 255u - c[3] : 255u;
    return u32{c[0]} << 16 | u32{c[1]} << 8 | c[2] | alpha << 24;
}

void write_word(u8* p, u32 w) { std::memcpy(p, &w, 4); }

// The offset a position names (see `pick`, `at` and `skip`): an integer counts pixels from
// the index, a pair gives column x row; base 1 for pick, poke and at, 0 for skip. `out`
// says whether the position lies outside the image.
i64 offset_of(const Cell& image, const Cell& position, i64 base, bool* out) {
    const i64 i = as_series(image).index, w = width(image), h = height(image);
    bool outside = false;
    i64 e;
    if (position.is(Type::integer)) {
        e = integer::get(position);
    } else if (position.is(Type::pair)) {
        const i64 x = as_pair(position).x, y = as_pair(position).y;
        e = base == 1 && y > 0 ? x + w * (y - 1) : x + w * y;
        outside = base == 1 ? x > w || x <= 0 || y > h || y <= 0 : x >= w || x < 0 || y >= h || y < 0;
    } else {
        invalid_arg(position);
    }
    i64 a = i + e - base;
    if (base == 1 && e <= 0) ++a;
    if (e == 0 || a < 0 || a >= w * h) outside = true;
    if (out) *out = outside;
    return std::clamp<i64>(a, 0, w * h);
}

void set_pixel(const Cell& image, u64 offset, u32 word) {
    write_word(imaging::pixels_for_write(record_of(image)) + offset * 4, word);
}

// ---- make, to ---------------------------------------------------------------------------

Cell copy_of(const Cell& image) {
    if (!record_of(image) || pixel_count(image) == 0) return with_size(0, 0);
    return cell(imaging::copy(record_of(image)));
}

// A filled image: the colour, else R, G, B from the rgb bytes (whole triples, white once
// used up) and transparency from the alpha bytes (opaque once used up).
Cell filled(i64 w, i64 h, const Cell* rgb, const Cell* alpha, const Cell* colour, const Cell& spec) {
    w = std::max<i64>(w, 0), h = std::max<i64>(h, 0);
    if (w > imaging::max_side || h > imaging::max_side) invalid_arg(spec);
    const u32 size = static_cast<u32>(w) | static_cast<u32>(h) << 16;
    if (w == 0 || h == 0) return with_size(0, size);
    image_codec::Bitmap b = imaging::new_bitmap(static_cast<u32>(w), static_cast<u32>(h));
    u8* p = b.pixels.get();
    const u64 n = u64(w) * u64(h);
    if (colour) {
        const u32 word = word_of(*colour);
        for (u64 k = 0; k < n; ++k) write_word(p + k * 4, word);
    } else {
        u32 rgb_count = 0, alpha_count = 0;
        const u8* rgb_bytes = rgb ? binary_bytes(*rgb, rgb_count) : nullptr;
        const u8* alpha_bytes = alpha ? binary_bytes(*alpha, alpha_count) : nullptr;
        const u64 triples = rgb_count / 3;
        for (u64 k = 0; k < n; ++k) {
            u8* px = p + k * 4;
            if (k < triples) px[0] = rgb_bytes[k * 3 + 2], px[1] = rgb_bytes[k * 3 + 1], px[2] = rgb_bytes[k * 3];
            else px[0] = px[1] = px[2] = 255;
            px[3] = k < alpha_count ? static_cast<u8>(255 - alpha_bytes[k]) : 255;
        }
    }
    return cell(imaging::make_record(std::move(b)));
}

Cell* to(Cell* prototype, const Cell* spec, Type) {
    if (spec->is(Type::image)) {
        *prototype = copy_of(*spec);
        return prototype;
    }
    Cell rendered;
    if (spec->is(Type::object) && face_renderer && face_renderer(*spec, rendered)) {
        *prototype = rendered;
        return prototype;
    }
    const Cell type = datatype::of(Type::image);
    raise(ErrorId::script_bad_to_arg, &type, spec);
}

Cell* make(Cell* prototype, const Cell* spec_arg, Type target) {
    const Cell spec = *spec_arg;
    if (spec.is(Type::pair)) {
        *prototype = filled(as_pair(spec).x, as_pair(spec).y, nullptr, nullptr, nullptr, spec);
        return prototype;
    }
    if (!spec.is(Type::block)) return to(prototype, spec_arg, target);
    const u32 n = series::remaining_length(const_cast<Cell&>(spec), false);
    auto item = [&](u32 k) { return *block::cell_at(spec, as_series(spec).index + k); };
    if (n == 0) {
        if (!prototype->is(Type::image)) invalid_arg(spec);
        *prototype = copy_of(*prototype);
        return prototype;
    }
    const Cell size = item(0);
    if (!size.is(Type::pair)) invalid_arg(size);
    Cell rgb = none_cell, alpha = none_cell;
    if (n > 1) {
        rgb = item(1);
        if (!rgb.is(Type::binary) && !rgb.is(Type::tuple)) invalid_arg(rgb);
    }
    if (n > 2) {
        alpha = item(2);
        if (!alpha.is(Type::binary)) invalid_arg(alpha);
    }
    const bool colour = rgb.is(Type::tuple);
    *prototype = filled(as_pair(size).x, as_pair(size).y, rgb.is(Type::binary) ? &rgb : nullptr,
                        alpha.is(Type::binary) ? &alpha : nullptr, colour ? &rgb : nullptr, size);
    return prototype;
}

// ---- form, mold -------------------------------------------------------------------------

i32 append_hex(Output& out, u32 byte, i32 limit) {
    static constexpr char hex[] = "0123456789ABCDEF";
    out.append_char(static_cast<u8>(hex[byte >> 4]));
    out.append_char(static_cast<u8>(hex[byte & 15]));
    return limit - 2;
}

i32 new_line(Output& out, i32 indent, i32 limit) {
    out.append_char('\n');
    return append_indent(out, indent, limit - 1);
}

i32 mold(const Cell* value, Output& out, MoldFlags flags, const Cell* part, i32 limit, i32 indent) {
    const Cell image = *value;
    if (!flags.only) limit = append_text(out, "make image! [", limit);
    limit = append_text(out, integer::to_decimal_text(static_cast<i32>(width(image))).view(), limit);
    limit = append_text(out, "x", limit);
    limit = append_text(out, integer::to_decimal_text(static_cast<i32>(height(image))).view(), limit);
    if (!record_of(image) || pixel_count(image) == 0) {
        limit = append_text(out, " #{}", limit);
        return flags.only ? limit : append_text(out, "]", limit);
    }
    const u64 from = std::min<u64>(as_series(image).index, pixel_count(image));
    const u64 count = pixel_count(image) - from;
    const bool lines = !flags.flat && count * 3 > 30;
    limit = append_text(out, " #{", limit);
    if (lines) limit = new_line(out, indent + 1, limit);
    bool translucent = false;
    for (u64 k = 0; k < count; ++k) {
        const u8* px = imaging::pixels(record_of(image)) + (from + k) * 4;
        translucent |= px[3] != 255;
        limit = append_hex(out, px[2], limit);
        limit = append_hex(out, px[1], limit);
        limit = append_hex(out, px[0], limit);
        if (lines && (k + 1) % 10 == 0) limit = new_line(out, indent + 1, limit);
        if (has_part(part) && limit <= 0) return limit;
    }
    if (lines && count % 10 != 0) limit = new_line(out, indent, limit);
    limit = append_text(out, "}", limit);
    if (translucent) {
        limit = append_text(out, " #{", limit);
        if (!flags.flat) limit = new_line(out, indent + 1, limit);
        for (u64 k = 0; k < count; ++k) {
            limit = append_hex(out, 255u - imaging::pixels(record_of(image))[(from + k) * 4 + 3], limit);
            if (!flags.flat && (k + 1) % 10 == 0 && k + 1 < count) limit = new_line(out, indent + 1, limit);
            if (has_part(part) && limit <= 0) return limit;
        }
        if (!flags.flat) limit = new_line(out, indent, limit);
        limit = append_text(out, "}", limit);
    }
    return flags.only ? limit : append_text(out, "]", limit);
}

i32 form(const Cell* value, Output& out, const Cell* part, i32 limit) {
    return mold(value, out, MoldFlags{}, part, limit, 0);
}

// ---- comparison ---------------------------------------------------------------------------

// The same cell (node and index) for sameness; otherwise by pixel count, then the pixel
// bytes of the whole images, whatever their positions.
i32 compare(const Cell* value1, const Cell* value2, i32 code) {
    if (!value2->is(Type::image)) return not_comparable;
    const bool same_cell = record_of(*value1) == record_of(*value2) && as_series(*value1).index == as_series(*value2).index;
    if (code == compare_code::same) return same_cell ? 0 : -1;
    if (code > compare_code::find || code == compare_code::equality_10 || code == compare_code::equality_11)
        return not_comparable;
    if (same_cell && code <= compare_code::strict_equal) return 0;
    const u64 n1 = pixel_count(*value1), n2 = pixel_count(*value2);
    if (n1 != n2) return n1 < n2 ? -1 : 1;
    if (!record_of(*value1) || !record_of(*value2) || n1 == 0)
        return record_of(*value1) == record_of(*value2) || n1 == 0 ? 0 : record_of(*value1) ? 1 : -1;
    const int c = std::memcmp(imaging::pixels(record_of(*value1)), imaging::pixels(record_of(*value2)), n1 * 4);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

// ---- navigation -----------------------------------------------------------------------------

Cell* at(Cell* s, const Cell* position) {
    as_series(*s).index = static_cast<u32>(offset_of(*s, *position, 1, nullptr));
    return s;
}

Cell* skip(Cell* s, const Cell* position) {
    as_series(*s).index = static_cast<u32>(offset_of(*s, *position, 0, nullptr));
    return s;
}

Cell* next(Cell* s) {
    if (as_series(*s).index + u64{1} <= pixel_count(*s)) ++as_series(*s).index;
    return s;
}

Cell* tail(Cell* s) {
    as_series(*s).index = static_cast<u32>(pixel_count(*s));
    return s;
}

Cell* tail_q(Cell* s) {
    *s = logic::cell(as_series(*s).index + u64{1} > pixel_count(*s));
    return s;
}

i32 length_q(Cell* s) { return static_cast<i32>(pixel_count(*s)); }

// ---- pixels ---------------------------------------------------------------------------------

Cell* pick(Cell* s, const Cell* position) {
    bool outside = false;
    const i64 a = offset_of(*s, *position, 1, &outside);
    *s = outside ? none_cell : pixel_at(*s, static_cast<u32>(a));
    return s;
}

Cell* poke(Cell* s, const Cell* position, const Cell* value) {
    bool outside = false;
    const i64 a = offset_of(*s, *position, 1, &outside);
    if (outside) raise(ErrorId::script_out_of_range, position);
    if (!value->is(Type::tuple)) invalid_arg(*value);
    const Cell image = *s, poked = *value;
    series::notify(image, words::poke, static_cast<i32>(a), 1, &poked);
    if (static_cast<u64>(a) < pixel_count(image)) set_pixel(image, static_cast<u64>(a), word_of(poked));
    series::notify(image, words::poked, static_cast<i32>(a), 1, &poked);
    *s = poked;
    return s;
}

// Pastes a whole image with its top-left corner at the position; what falls outside is
// dropped. Answers the pixels written and leaves the index after the pasted rows' end.
u64 paste(Cell& target, const Cell& source) {
    const u64 w = width(target), h = height(target), sw = width(source), sh = height(source);
    const u64 index = as_series(target).index, c0 = index % w, r0 = index / w;
    if (!record_of(source) || sw == 0 || sh == 0) return 0;
    const u64 rows = std::min(sh, h - r0), columns = std::min(sw, w - c0);
    // An image pasted into itself is read from a copy: its rows would overlap.
    std::vector<u8> own;
    const u8* from = imaging::pixels(record_of(source));
    if (record_of(source) == record_of(target)) {
        own.assign(from, from + sw * sh * 4);
        from = own.data();
    }
    u8* to = imaging::pixels_for_write(record_of(target));
    for (u64 y = 0; y < rows; ++y) std::memcpy(to + ((r0 + y) * w + c0) * 4, from + y * sw * 4, columns * 4);
    as_series(target).index = static_cast<u32>((r0 + rows - 1) * w + std::min(c0 + sw, w));
    return rows * columns;
}

Cell* change(Cell* s, const Cell* value, i32 part, bool, i32 dup) {
    if (dup > 1 || part >= 0) raise(ErrorId::internal_not_done);
    Cell image = *s;
    const u32 index = as_series(image).index;
    if (index >= pixel_count(image)) return s;
    const Cell changed = *value;
    if (changed.is(Type::tuple)) {
        series::notify(image, words::change, static_cast<i32>(index), 1, &changed);
        set_pixel(image, index, word_of(changed));
        series::notify(image, words::changed, static_cast<i32>(index), 1, &changed);
        as_series(image).index = index + 1;
    } else if (changed.is(Type::image)) {
        series::notify(image, words::change, static_cast<i32>(index), 0, &changed);
        const u64 written = paste(image, changed);
        series::notify(image, words::changed, static_cast<i32>(index), static_cast<i32>(written), &changed);
    } else {
        const Cell type = datatype::of(changed.type());
        raise(ErrorId::script_invalid_type, &type);
    }
    *s = image;
    return s;
}

// ---- copy ---------------------------------------------------------------------------------

Cell rect_copy(const Cell& image, i64 x, i64 y, i64 w, i64 h) {
    if (w < 1 || h < 1) return with_size(0, 0);
    const Node n = imaging::copy_rect(record_of(image), x, y, w, h);
    return n ? cell(n) : with_size(0, 0);
}

Cell* copy(Cell* value, Cell* result, const Cell* part, bool, const Cell*) {
    const Cell image = *value;
    const i64 w = width(image), h = height(image), i = as_series(image).index;
    if (w == 0 || h < 1 || !record_of(image)) {
        *result = with_size(0, 0);
        return result;
    }
    const i64 c = i % w, r = i / w;
    if (!part) {
        *result = i == 0 ? copy_of(image) : rect_copy(image, c, r, w - c, h - r);
        return result;
    }
    if (part->is(Type::pair)) {
        const i64 x = as_pair(*part).x, y = as_pair(*part).y;
        if (x >= 1 && y >= 1 && i < w * h) {
            *result = rect_copy(image, c, r, std::min(x, w - c), std::min(y, h - r));
        } else if (x < 0 && y < 0 && i >= 1) {
            // The rectangle ends at the position and reaches up and to the left.
            i64 rw = -x, rh = -y;
            i64 left = (c == 0 ? w : c) - rw, top = (r < h ? r + 1 : r) - rh;
            if (left < 0) rw += left, left = 0;
            if (top < 0) rh += top, top = 0;
            *result = rect_copy(image, left, top, rw, rh);
        } else {
            *result = with_size(0, 0);
        }
        return result;
    }
    if (part->is(Type::image)) {
        if (record_of(*part) != record_of(image)) raise(ErrorId::script_invalid_refine_arg, words::part, part);
        const i64 j = std::min<i64>(as_series(*part).index, w * h);
        const i64 e = std::min(i, j), l = std::max(i, j);
        *result = rect_copy(image, e % w, e / w, l % w - e % w, l / w - e / w);
        return result;
    }
    if (part->is(Type::integer)) raise(ErrorId::internal_not_done);
    raise(ErrorId::script_invalid_refine_arg, words::part, part);
}

// ---- paths ----------------------------------------------------------------------------------

Channel channel_named(const Cell& element) {
    if (element.is(Type::word)) {
        const u32 id = symbol::canonical_id(as_word(element).symbol);
        if (id == symbol::canonical_id(sym::rgb)) return Channel::rgb;
        if (id == symbol::canonical_id(sym::alpha)) return Channel::alpha;
        if (id == symbol::canonical_id(sym::argb)) return Channel::argb;
    }
    return static_cast<Channel>(0xFF);
}

Cell* eval_path(Cell* parent, const Cell* element, const Cell* value_to_set, const PathStep&) {
    if (element->is(Type::integer) || element->is(Type::pair))
        return value_to_set ? poke(parent, element, value_to_set) : pick(parent, element);
    const Cell given = value_to_set ? *value_to_set : none_cell;
    if (element->is(Type::word) &&
        symbol::canonical_id(as_word(*element).symbol) == symbol::canonical_id(sym::size)) {
        if (value_to_set) raise(ErrorId::script_invalid_path, element, &given);
        *parent = pair::cell(static_cast<i32>(width(*parent)), static_cast<i32>(height(*parent)));
        return parent;
    }
    const Channel mode = channel_named(*element);
    if (static_cast<u8>(mode) > 2) raise(ErrorId::script_invalid_path, element, &given);
    if (value_to_set) {
        set_channel(*parent, *value_to_set, mode);
        *parent = *value_to_set;
    } else {
        *parent = channel_bytes(*parent, mode);
    }
    return parent;
}

}  // namespace

Cell cell(Node record) { return record ? with_size(record, imaging::size_word(record)) : with_size(0, 0); }

u32 width(const Cell& image) { return size_of(image) & 0xFFFF; }
u32 height(const Cell& image) { return size_of(image) >> 16; }

Cell pixel_at(const Cell& image, u32 offset) {
    if (offset >= pixel_count(image) || !record_of(image)) return none_cell;
    const u8* px = imaging::pixels(record_of(image)) + u64{offset} * 4;
    const u8 components[4] = {px[2], px[1], px[0], static_cast<u8>(255 - px[3])};
    return tuple::cell(components, 4);
}

Cell channel_bytes(const Cell& image, Channel mode) {
    const u64 n = record_of(image) ? pixel_count(image) : 0;
    const u32 per = mode == Channel::alpha ? 1 : mode == Channel::rgb ? 3 : 4;
    if (n * per > max_series_bytes) memory::raise_no_memory();
    std::vector<u8> bytes(n * per);
    const u8* px = n ? imaging::pixels(record_of(image)) : nullptr;
    for (u64 k = 0; k < n; ++k, px += 4) {
        switch (mode) {
        case Channel::alpha: bytes[k] = static_cast<u8>(255 - px[3]); break;
        case Channel::rgb: bytes[k * 3] = px[2], bytes[k * 3 + 1] = px[1], bytes[k * 3 + 2] = px[0]; break;
        case Channel::argb: std::memcpy(&bytes[k * 4], px, 4); break;
        }
    }
    return lexer::make_bytes(Type::binary, bytes.data(), static_cast<u32>(bytes.size()));
}

void set_channel(const Cell& image, const Cell& value, Channel mode) {
    if (!record_of(image) || pixel_count(image) == 0) return;
    const u64 n = pixel_count(image);
    std::vector<u8> given;
    u32 v = 0;
    if (value.is(Type::binary)) {
        u32 count = 0;
        const u8* from = binary_bytes(value, count);
        given.assign(from, from + count);
    } else if (value.is(Type::tuple)) {
        const u8* c = tuple::bytes(value);
        v = u32{c[0]} | u32{c[1]} << 8 | u32{c[2]} << 16 | (tuple::count(value) > 3 ? u32{c[3]} << 24 : 0);
    } else if (value.is(Type::integer)) {
        v = value.w2;
    } else {
        invalid_arg(value);
    }
    const Cell changed = value;
    const i32 index = static_cast<i32>(as_series(image).index);
    series::notify(image, words::poke, index, 0, &changed);
    u8* px = imaging::pixels_for_write(record_of(image));
    if (changed.is(Type::binary)) {
        const u64 count = given.size();
        switch (mode) {
        case Channel::argb: std::memcpy(px, given.data(), std::min<u64>(count, n * 4)); break;
        case Channel::rgb:
            for (u64 k = 0; k < std::min<u64>(count / 3, n); ++k)
                px[k * 4] = given[k * 3 + 2], px[k * 4 + 1] = given[k * 3 + 1], px[k * 4 + 2] = given[k * 3];
            break;
        case Channel::alpha:
            for (u64 k = 0; k < std::min<u64>(count, n); ++k) px[k * 4 + 3] = static_cast<u8>(255 - given[k]);
            break;
        }
    } else {
        const u8 r = static_cast<u8>(v), g = static_cast<u8>(v >> 8), b = static_cast<u8>(v >> 16);
        const u8 opacity = static_cast<u8>(255 - (v >> 24));
        for (u64 k = 0; k < n; ++k) {
            u8* p = px + k * 4;
            if (mode == Channel::alpha) {
                p[3] = static_cast<u8>(255 - r);
                continue;
            }
            p[0] = b, p[1] = g, p[2] = r;
            if (mode == Channel::argb) p[3] = opacity;
        }
    }
    series::notify(image, words::poked, index, 0, &changed);
}

Cell image_codec_decode(const Cell& data) {
    image_codec::Decoded d;
    if (data.is(Type::binary)) {
        u32 count = 0;
        const u8* from = binary_bytes(data, count);
        const std::vector<u8> bytes(from, from + count);
        if (!image_codec::sniff(bytes)) return none_cell;
        d = image_codec::decode(bytes);
        if (!d.bitmap && d.failure == image_codec::Failure::no_memory) memory::raise_no_memory();
        if (!d.bitmap) raise(ErrorId::access_bad_media);
    } else {
        std::string contents;
        if (!platform::read_file(file::os_path(data).c_str(), contents)) raise(ErrorId::access_cannot_open, &data);
        d = image_codec::decode({reinterpret_cast<const u8*>(contents.data()), contents.size()});
        if (!d.bitmap && d.failure == image_codec::Failure::no_memory) memory::raise_no_memory();
        if (!d.bitmap) raise(ErrorId::access_cannot_open, &data);
    }
    return cell(imaging::make_record(std::move(*d.bitmap)));
}

Cell image_codec_encode(const Cell& image, const Cell&, u32 format) {
    if (!image.is(Type::image) || size_of(image) == 0) raise(ErrorId::access_bad_media);
    if (format >= image_codec::format_count) {
        const Cell code = integer::cell(static_cast<i32>(format));
        invalid_arg(code);
    }
    std::optional<std::vector<u8>> bytes;
    if (record_of(image) && pixel_count(image) > 0)
        bytes = image_codec::encode(imaging::pixels(record_of(image)), width(image), height(image),
                                    static_cast<image_codec::Format>(format));
    else
        bytes.emplace();
    if (!bytes) raise(ErrorId::access_bad_media);
    if (bytes->size() > max_series_bytes) memory::raise_no_memory();
    return lexer::make_bytes(Type::binary, bytes->data(), static_cast<u32>(bytes->size()));
}

}  // namespace zel::image

namespace zel {

constinit const ActionRecord image_actions = [] {
    using namespace image;
    ActionRecord r;
    r.on_make = make;
    r.on_to = to;
    r.on_form = form;
    r.on_mold = mold;
    r.on_eval_path = eval_path;
    r.on_compare = compare;
    r.on_at = at;
    r.on_back = inherit;
    r.on_head = inherit;
    r.on_head_q = inherit;
    r.on_index_q = inherit;
    r.on_modify = inherit;
    r.on_change = change;
    r.on_copy = copy;
    r.on_length_q = length_q;
    r.on_next = next;
    r.on_pick = pick;
    r.on_poke = poke;
    r.on_skip = skip;
    r.on_tail = tail;
    r.on_tail_q = tail_q;
    return r;
}();

}  // namespace zel
