// Adding text to strings: append, insert and change, with /part, /only and /dup. Each
// works out the characters it adds (a char!, a text, or a value formed into a new string),
// then makes one splice: the final size computed once, at most one reallocation (to twice
// the size when that is larger) at the wider of the two widths, the rest moved once, the
// text written once and repeated by doubling copies. A text read from the string's own
// series is copied out before anything moves.
#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/ownership.h"
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/datatypes/string-storage.h"
#include "runtime/datatypes/string.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/names/runtime-words.h"

namespace zel::string {
namespace {

// How a /part count limits the characters of a formed value: `append` counts the elements
// of a block-like value (characters with /only, and for a single value only with /only),
// `insert` always counts characters, `change` never limits.
enum class Mode { append, insert, change };

// The characters one copy adds: a char!, or `count` characters of `text` from its
// position, between angle brackets for a tag! (each bracket counted in `count`).
struct Source {
    bool is_char = false;
    u32 code_point = 0;
    Cell text{};
    bool tag = false;
    u32 count = 0;
    u32 width = 1;
};

u32 units_in(const Buffer* b) { return b->used() >> b->shift(); }

// The width a char! needs in a string: 1 byte below 128, as text output writes it.
constexpr u32 width_for_char(u32 cp) { return cp < 0x80 ? 1 : cp < 0x10000 ? 2 : 4; }

// Forms the value into `out`: a block-like value element by element with no separator.
// `elements` (or -1) limits the elements formed, `chars` (or -1) the characters.
void form_into(Output& out, const Cell& value, i32 elements, i32 chars) {
    const u32 before = out.length();
    auto form_one = [&](const Cell& element) {
        const i32 left = chars < 0 ? no_limit : chars - static_cast<i32>(out.length() - before);
        const Cell part = integer::cell(left);
        form_value(element, out, chars < 0 ? nullptr : &part, left);
    };
    if (block_like(value.type())) {
        const Cell b = value;
        for (u32 i = b.w1, n = 0; i < series::buffer_length(b); ++i, ++n) {
            if (elements >= 0 && n >= static_cast<u32>(elements)) break;
            if (chars >= 0 && out.length() - before >= static_cast<u32>(chars)) break;
            Buffer* buffer = node::buffer(b.w2);
            const Cell element = buffer->cells()[buffer->head / sizeof(Cell) + i];
            form_one(element);
        }
    } else {
        form_one(value);
    }
    if (chars >= 0) out.limit_length(before + static_cast<u32>(chars));
}

Source source_of(const Cell& value, i32 part, bool only, Mode mode, std::optional<Output>& formed) {
    Source s;
    if (value.is(Type::char_)) {
        s.is_char = true;
        s.code_point = value.w2;
        s.count = 1;
        s.width = width_for_char(value.w2);
        return s;
    }
    if (series::any_string(value.type())) {
        s.text = value;
        s.tag = value.is(Type::tag);
        s.count = chars_from_position(value) + (s.tag ? 2 : 0);
        if (part >= 0 && mode != Mode::change) s.count = std::min(s.count, static_cast<u32>(part));
        s.width = node::buffer(value.w2)->unit();
        return s;
    }
    i32 elements = -1;
    i32 chars = -1;
    if (mode == Mode::insert) {
        chars = part;
    } else if (mode == Mode::append) {
        if (only) {
            chars = part;
        } else if (block_like(value.type())) {
            elements = part;
        }
    }
    formed.emplace();
    form_into(*formed, value, elements, chars);
    s.text = formed->value();
    s.count = formed->length();
    s.width = formed->unit();
    return s;
}

// Replaces `replaced` characters at `at` of the series (both cut to the tail) by `dup`
// copies of the source; answers the characters written.
u32 splice(Node target, u32 at, u32 replaced, const Source& src, i32 dup) {
    Buffer* b = node::buffer(target);
    const u32 length = units_in(b);
    at = std::min(at, length);
    replaced = std::min(replaced, length - at);
    const u64 written = u64{src.count} * static_cast<u64>(std::max(dup, 0));
    const u32 width = std::max(b->unit(), src.width);
    const u64 final_units = u64{length} - replaced + written;
    if (written > 0x7FFFFFFF || final_units * width > max_series_bytes) memory::raise_no_memory();

    // The text's own characters (without brackets), copied out when they share the series.
    const u32 text_from = src.is_char ? 0 : std::min(src.text.w1, total_length(src.text));
    u32 text_count = src.count;
    if (src.tag) text_count = std::min(src.count == 0 ? 0 : src.count - 1, chars_from_position(src.text));
    const bool shared = !src.is_char && src.text.w2 == target;
    const u32 shared_width = b->unit();
    std::vector<u8> own;
    if (shared) {
        const u8* from = b->head_ptr() + u64{text_from} * shared_width;
        own.assign(from, from + u64{text_count} * shared_width);
    }

    const u64 needed = final_units * width;
    const u64 room = b->size - b->head;
    if (needed > room) b = series_buffer::expand(b, static_cast<i64>(std::min<u64>(std::max(needed, 2 * room), max_series_bytes)));
    if (width > b->unit()) b = unicode::widen(b, width, 0);

    u8* gap = b->head_ptr() + u64{at} * width;
    std::memmove(gap + written * width, gap + u64{replaced} * width, u64{length - at - replaced} * width);
    b->tail = b->head + static_cast<u32>(final_units * width);
    if (written == 0) return 0;

    if (src.is_char) {
        unicode::write_unit(gap, width, src.code_point);
    } else {
        // Read only now: the growth above may have moved the text's buffer too.
        const u32 from_width = shared ? shared_width : node::buffer(src.text.w2)->unit();
        const u8* from = shared ? own.data() : node::buffer(src.text.w2)->head_ptr() + u64{text_from} * from_width;
        u32 k = 0;
        if (src.tag) unicode::write_unit(gap + u64{k++} * width, width, '<');
        if (from_width == width) {
            std::memcpy(gap + u64{k} * width, from, u64{text_count} * width);
        } else {
            for (u32 i = 0; i < text_count; ++i)
                unicode::write_unit(gap + (u64{k} + i) * width, width, unicode::read_unit(from + u64{i} * from_width, from_width));
        }
        k += text_count;
        if (src.tag && k < src.count) unicode::write_unit(gap + u64{k} * width, width, '>');
    }
    for (u64 copied = src.count; copied < written;) {
        const u64 n = std::min(copied, written - copied);
        std::memcpy(gap + copied * width, gap, n * width);
        copied += n;
    }
    return static_cast<u32>(written);
}

// Copies 1 to 16 bytes as two fixed-size moves that may overlap: a short text, the common
// append, needs no loop and no library call.
template <class Word>
inline void copy_ends(u8* to, const u8* from, u32 n) {
    Word first;
    Word last;
    std::memcpy(&first, from, sizeof(Word));
    std::memcpy(&last, from + n - sizeof(Word), sizeof(Word));
    std::memcpy(to, &first, sizeof(Word));
    std::memcpy(to + n - sizeof(Word), &last, sizeof(Word));
}
inline void copy_short(u8* to, const u8* from, u32 n) {
    if (n >= 8) copy_ends<u64>(to, from, n);
    else if (n >= 4) copy_ends<u32>(to, from, n);
    else if (n >= 2) copy_ends<u16>(to, from, n);
    else *to = *from;
}
// A longer copy; answers the series, so that text_in_place ends with a tail call.
[[gnu::noinline]] Cell* copy_long(Cell* series, u8* to, const u8* from, u32 n) {
    std::memcpy(to, from, n);
    return series;
}

// The common append of a char!: written at the tail of a string whose buffer has room for
// it at the string's width, with no owner to tell. Answers false, having changed nothing,
// when any of that does not hold.
[[gnu::always_inline]] inline bool char_in_place(Cell& s, u32 cp) {
    Buffer* b = node::buffer(s.w2);
    const u32 width = b->unit();
    if (ownership::owned(b) || width_for_char(cp) > width || !b->room_at_tail(width)) return false;
    unicode::write_unit(b->tail_ptr(), width, cp);
    b->tail += width;
    s.w1 = 0;
    return true;
}

// append's general path: any value, /part, /dup, growth and widening, both notifications.
// Kept out of line so that the append done in place pays none of its set-up.
[[gnu::noinline]] Cell* append_text(Cell* series, const Cell* value, i32 part, bool only, i32 dup, bool notify) {
    if (dup < 1) return series;
    Cell s = *series;
    const Cell v = *value;
    const i32 told = part < 0 ? 1 : part;
    const u32 before = total_length(s);
    if (notify) series::notify(s, words::append, static_cast<i32>(before), told, &v);
    std::optional<Output> formed;
    const Source src = source_of(v, part, only, Mode::append, formed);
    const u32 written = splice(s.w2, total_length(s), 0, src, dup);
    if (notify) series::notify(s, words::appended, static_cast<i32>(before), told, &v);
    if (written > 0) s.w1 = 0;
    *series = s;
    return series;
}

// The common append of a text: the characters of another series from its position, at the
// string's own width (no tag!, whose brackets are added), copied to the tail of a string
// whose buffer has room for them, with no owner to tell. Anything else goes on to the
// general path, which also converts widths. Kept apart from append, so that the char!
// append there needs few registers.
[[gnu::noinline]] Cell* text_in_place(Cell* series, const Cell* value, bool only, bool notify) {
    Cell& s = *series;
    const Cell& v = *value;
    Buffer* b = node::buffer(s.w2);
    if (ownership::owned(b) || !series::any_string(v.type()) || v.is(Type::tag) || v.w2 == s.w2)
        return append_text(series, value, -1, only, 1, notify);
    Buffer* const t = node::buffer(v.w2);
    const u32 shift = t->shift();
    const u32 units = t->used() >> shift;
    const u32 bytes = (units - v.w1) << shift;
    if (t->unit() != b->unit() || v.w1 >= units || !b->room_at_tail(bytes))
        return append_text(series, value, -1, only, 1, notify);
    u8* at = b->tail_ptr();
    const u8* from = t->head_ptr() + (u64{v.w1} << shift);
    b->tail += bytes;
    s.w1 = 0;
    if (bytes > 16) return copy_long(series, at, from, bytes);
    copy_short(at, from, bytes);
    return series;
}

}  // namespace

Cell* append(Cell* series, const Cell* value, i32 part, bool only, i32 dup, bool notify) {
    if (part >= 0 || dup != 1) return append_text(series, value, part, only, dup, notify);
    if (!value->is(Type::char_)) return text_in_place(series, value, only, notify);
    if (char_in_place(*series, value->w2)) return series;
    return append_text(series, value, -1, only, 1, notify);
}

Cell* insert(Cell* series, const Cell* value, i32 part, bool only, i32 dup, bool) {
    if (dup < 1) return series;
    Cell s = *series;
    const Cell v = *value;
    const u32 at = s.w1 = std::min(s.w1, total_length(s));
    const i32 told = part < 0 ? 1 : part;
    series::notify(s, words::insert, static_cast<i32>(at), told, &v);
    if (at >= total_length(s)) {
        append(&s, &v, part, only, dup, false);
        s.w1 = total_length(s);
    } else {
        std::optional<Output> formed;
        const Source src = source_of(v, part, only, Mode::insert, formed);
        const u32 written = splice(s.w2, at, 0, src, dup);
        s.w1 = std::min(at + written, total_length(s));
    }
    series::notify(s, words::inserted, static_cast<i32>(at), told, &v);
    *series = s;
    return series;
}

Cell* change(Cell* series, const Cell* value, i32 part, bool only, i32 dup) {
    if (dup < 1) return series;
    Cell s = *series;
    const Cell v = *value;
    const u32 at = s.w1 = std::min(s.w1, total_length(s));
    const u32 left = total_length(s) - at;
    u64 told = part >= 0 ? static_cast<u64>(part) : static_cast<u64>(dup);
    if (part < 0 && series::any_block(v.type()))
        told *= static_cast<u64>(std::max(0, static_cast<i32>(series::buffer_length(v)) - static_cast<i32>(v.w1)));
    series::notify(s, words::change, static_cast<i32>(at), static_cast<i32>(std::min<u64>(told, left)), &v);
    u32 written;
    if (at >= total_length(s)) {
        append(&s, &v, -1, only, dup, false);
        written = total_length(s) - at;
    } else {
        std::optional<Output> formed;
        const Source src = source_of(v, -1, only, Mode::change, formed);
        const u64 w = u64{src.count} * static_cast<u64>(dup);
        const u64 replaced = part >= 0 ? static_cast<u64>(part) : w;
        written = splice(s.w2, at, static_cast<u32>(std::min<u64>(replaced, 0xFFFFFFFF)), src, dup);
    }
    series::notify(s, words::changed, static_cast<i32>(at), static_cast<i32>(written), &v);
    s.w1 = std::min(at + written, total_length(s));
    *series = s;
    return series;
}

}  // namespace zel::string
