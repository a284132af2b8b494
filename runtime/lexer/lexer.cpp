#include "runtime/lexer/lexer.h"

#include <algorithm>
#include <string>
#include <vector>

#include "runtime/core/cell-views.h"
#include "runtime/core/raise.h"
#include "runtime/hash/hashtable.h"
#include "runtime/lexer/lexer-scan.h"
#include "runtime/lexer/lexer-tables.h"
#include "runtime/lexer/lexer-text.h"
#include "runtime/memory/fatal.h"
#include "runtime/memory/heap.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/text/string-units.h"
#include "runtime/text/utf8.h"

namespace zel::lexer {

namespace {

// The scanned-value buffer, shared by every scan: each scan's slice starts at the top of
// the scan it runs inside.
struct ValueBuffer {
    Cell* cells = nullptr;
    u32 capacity = 0;
};
ValueBuffer values;
Scan* innermost = nullptr;

constexpr u32 first_capacity = 1000;
constexpr Type marker_type = Type::triple;
constexpr u32 excerpt_bytes = 30;

void grow_values() {
    if (values.capacity >= max_series_bytes / sizeof(Cell)) fatal::exit_with_error(fatal::out_of_memory);
    u32 capacity = values.capacity ? values.capacity * 2 : first_capacity;
    void* cells = heap::resize(values.cells, std::size_t{capacity} * sizeof(Cell));
    if (!cells) fatal::exit_with_error(fatal::out_of_memory);
    values.cells = static_cast<Cell*>(cells);
    values.capacity = capacity;
}

// Thrown when an error event asks the scan to go on elsewhere or to end quietly.
struct Resume {};

// Links a scan into the active list for its lifetime.
class Active {
public:
    explicit Active(Scan& s) : s_(s) {
        s.outer = innermost;
        s.base = s.top = innermost ? innermost->top : 0;
        innermost = &s;
    }
    ~Active() { innermost = s_.outer; }
    Active(const Active&) = delete;
    Active& operator=(const Active&) = delete;

private:
    Scan& s_;
};

bool is_path_type(Type t) {
    return t == Type::path || t == Type::lit_path || t == Type::set_path || t == Type::get_path;
}

Type marker_structure(const Cell& marker) { return static_cast<Type>(marker.w1 & 0xFF); }

Cell* innermost_marker(Scan& s) { return s.open_marker ? &cell_at(s.open_marker - 1) : nullptr; }

Type innermost_structure(Scan& s) {
    Cell* m = innermost_marker(s);
    return m ? marker_structure(*m) : Type{};
}

// Character index of a byte offset in the UTF-8 input (itself for byte input), counted from
// the cached position of the previous call.
u32 to_index(Scan& s, u32 byte) {
    if (!s.chars_are_units) return byte;
    auto is_lead = [](u8 b) { return (b & 0xC0) != 0x80; };
    while (s.cached_byte < byte) s.cached_char += is_lead(s.input[s.cached_byte++]);
    while (s.cached_byte > byte) s.cached_char -= is_lead(s.input[--s.cached_byte]);
    return s.cached_char;
}

// The byte offset of an input index, clamped to the input.
u32 to_byte(Scan& s, u32 index) {
    if (!s.chars_are_units) return index < s.length ? index : s.length;
    s.cached_byte = 0;
    s.cached_char = 0;
    while (s.cached_char < index && s.cached_byte < s.length) {
        ++s.cached_byte;
        while (s.cached_byte < s.length && (s.input[s.cached_byte] & 0xC0) == 0x80) ++s.cached_byte;
        ++s.cached_char;
    }
    return s.cached_byte;
}

Cell text_cell(const std::string& ascii) {
    return make_text(Type::string, std::u32string(ascii.begin(), ascii.end()));
}

// The text from `start` to the input end, a line feed or 30 bytes, whichever comes first,
// never cutting a character.
Cell excerpt(Scan& s, u32 start) {
    std::u32string chars;
    u32 p = start < s.length ? start : s.length;
    while (p < s.length && s.input[p] != '\n') {
        std::size_t available = s.length - p;
        i32 cp = unicode::decode_utf8_char(s.input + p, available);
        if (cp < 0) {
            cp = s.input[p];
            available = 1;
        }
        if (p + available - start > excerpt_bytes) break;
        chars.push_back(static_cast<char32_t>(cp));
        p += static_cast<u32>(available);
    }
    return make_text(Type::string, chars);
}

Cell missing_char(Type structure, int at) {
    char32_t c = 0;
    if (structure == Type::block || structure == Type::map) c = at == ']' ? '[' : ']';
    else if (structure == Type::paren || structure == Type::point2d) c = at == ')' ? '(' : ')';
    else return none_cell;
    return Cell{header_of(Type::char_), 0, static_cast<u32>(c), 0};
}

// Collects the cells above the innermost marker into a series of its structure's type,
// which takes the marker's place.
void collapse(Scan& s, Type as) {
    u32 marker = s.open_marker - 1;
    u32 first = marker + 1;
    u32 count = s.top - first;
    Node n = memory::alloc_cells(count);
    Buffer* b = node::buffer(n);
    for (u32 i = 0; i < count; ++i) b->cells()[i] = values.cells[first + i];
    b->tail = count * sizeof(Cell);
    Cell& m = values.cells[marker];
    s.open_marker = m.w3;
    m = Cell{(m.header & cellflag::new_line) | header_of(as), 0, n, 0};
    if (as == Type::map) m.w3 = hashtable::make_map_table(n);
    s.top = first;
    s.path_type = is_path_type(innermost_structure(s)) ? innermost_structure(s) : Type{};
}

void collapse_all(Scan& s) {
    while (s.open_marker) collapse(s, marker_structure(*innermost_marker(s)));
}

void push_marker(Scan& s, Type structure, u32 offset) {
    u32 i = push_cell(s);
    values.cells[i] = Cell{(values.cells[i].header & cellflag::new_line) | header_of(marker_type),
                           static_cast<u32>(structure), offset, s.open_marker};
    s.open_marker = i + 1;
    if (is_path_type(structure)) s.path_type = structure;
}

// Whether a "(" at `open` starts a point: what follows it, past blanks, signs, digits and
// the letters of numbers and special floats, is a "," or nothing.
bool starts_point(Scan& s, u32 open) {
    if (s.length - (open + 1) < 4) return false;
    for (u32 p = open + 1; p < s.length; ++p) {
        u8 b = s.input[p];
        bool number_byte = b == '\t' || b == ' ' || b == '#' || b == '+' || b == '-' || b == '.' ||
                           (b >= '0' && b <= '9');
        switch (b) {
        case 'A': case 'E': case 'F': case 'I': case 'N':
        case 'a': case 'e': case 'f': case 'i': case 'n':
            number_byte = true;
            break;
        default:
            break;
        }
        if (!number_byte) return b == ',';
    }
    return true;
}

void close_structure(Scan& s, const Token& t, Type closer) {
    Cell* m = innermost_marker(s);
    if (!m) raise_syntax_error(s, t.start, unmatched_closer);
    Type structure = marker_structure(*m);
    bool matches = closer == Type::block ? structure == Type::block || structure == Type::map
                                         : structure == Type::paren;
    if (!matches) raise_syntax_error(s, t.start, unmatched_closer);
    u32 open = m->w2;
    if (structure == Type::map) {
        u32 first = s.open_marker;
        if ((s.top - first) % 2 != 0) raise_invalid(s, t, Type::map);
        for (u32 k = first; k < s.top; k += 2)
            if (!hashtable::valid_map_key(values.cells[k].type())) raise_invalid(s, t, Type::map);
    }
    collapse(s, structure);
    fire_event(s, event::close, structure, TokenKind::none, nullptr, open, t.end);
}

void close_path(Scan& s) {
    Cell* m = innermost_marker(s);
    Type type = marker_structure(*m);
    u32 open = m->w2;
    collapse(s, type);
    fire_event(s, event::close, type, TokenKind::none, nullptr, open, s.pos);
}

// After an element of a path: a ":" makes it a set-path!, a delimiter or the end closes
// it, a "/" announces the next element.
void path_step(Scan& s, const Token& t) {
    auto class_at = [&s](u32 p) { return p < s.length ? class_of(s.input[p]) : Class::end; };
    Class c = class_at(s.pos);
    if (c == Class::colon) {
        Cell* m = innermost_marker(s);
        if (marker_structure(*m) != Type::path || class_at(s.pos + 1) == Class::slash)
            raise_invalid(s, t, Type::path);
        m->w1 = static_cast<u32>(Type::set_path);
        ++s.pos;
        close_path(s);
    } else if (is_path_delimiter(c)) {
        close_path(s);
    } else if (c == Class::slash) {
        ++s.pos;
        if (s.pos >= s.length) raise_invalid(s, t, s.path_type);
        s.initial_state = S::path_element;
    } else {
        raise_invalid(s, t, s.path_type);
    }
}

// Unicode blanks end a word and never start one.
bool is_unicode_blank(u32 cp) {
    switch (cp) {
    case 0x0085: case 0x00A0: case 0x1680: case 0x2028: case 0x2029: case 0x202F: case 0x205F:
    case 0x3000: case 0x180E: case 0x200B: case 0x200C:
        return true;
    default:
        return cp >= 0x2000 && cp <= 0x200A;
    }
}

// The length of the Unicode blank at p, 0 when there is none.
u32 unicode_blank_at(const Scan& s, u32 p) {
    if (s.input[p] < 0x80) return 0;
    std::size_t available = s.length - p;
    i32 cp = unicode::decode_utf8_char(s.input + p, available);
    return cp >= 0 && is_unicode_blank(static_cast<u32>(cp)) ? static_cast<u32>(available) : 0;
}

// Trims a word token to what lies between its leading Unicode blanks and the next one;
// false when only blanks are left.
bool trim_word(Scan& s, Token& t) {
    while (t.start < t.end) {
        u32 n = unicode_blank_at(s, t.start);
        if (!n) break;
        t.start += n;
    }
    if (t.start >= t.end) return false;
    for (u32 p = t.start; p < t.end; ++p) {
        if (unicode_blank_at(s, p)) {
            t.end = s.pos = p;
            break;
        }
    }
    return true;
}

// Finals whose last byte (a closer or a delimiter of the token itself) belongs to it.
bool takes_stop_byte(u8 final_state, u8 inner) {
    switch (final_state) {
    case F::open_block: case F::close_block: case F::open_paren: case F::close_paren:
    case F::open_brace: case F::close_brace: case F::open_map: case F::construct:
    case F::comma: case F::string: case F::char_: case F::binary: case F::percent:
    case F::point: case F::tag:
        return true;
    case F::file:
        return inner == S::quoted_file;
    default:
        return false;
    }
}

bool is_value_token(u8 final_state) { return final_state == F::construct || final_state >= F::string; }

void structural(Scan& s, const Token& t) {
    switch (t.final_state) {
    case F::end:
        s.pos = s.length;
        break;
    case F::invalid: {
        Type type = state_types[s.last_inner];
        u32 at = t.start;
        if (s.brace_depth) at = s.brace_start;
        else if (is_path_type(type) && s.open_marker) at = innermost_marker(s)->w2;
        if (type == Type{}) raise_syntax_error(s, at, bad_char);
        raise_syntax_error(s, at, static_cast<i32>(type));
    }
    case F::open_block:
    case F::open_map: {
        Type type = t.final_state == F::open_block ? Type::block : Type::map;
        push_marker(s, type, t.start);
        fire_event(s, event::open, type, TokenKind::none, nullptr, t.start, t.end);
        break;
    }
    case F::open_paren:
        if (starts_point(s, t.start)) {
            s.initial_state = S::point;
            fire_event(s, event::open, Type::point2d, TokenKind::none, nullptr, t.start, t.end);
        } else {
            push_marker(s, Type::paren, t.start);
            fire_event(s, event::open, Type::paren, TokenKind::none, nullptr, t.start, t.end);
        }
        break;
    case F::close_block:
        close_structure(s, t, Type::block);
        break;
    case F::close_paren:
        close_structure(s, t, Type::paren);
        break;
    case F::open_brace:
        if (s.brace_depth++ == 0) {
            s.brace_start = t.start;
            s.brace_flags = 0;
            s.brace_lines = s.lines_before;
            fire_event(s, event::open, Type::string, TokenKind::none, nullptr, t.start, t.end);
        }
        s.brace_flags |= t.flags;
        s.initial_state = S::braced;
        break;
    case F::close_brace: {
        s.brace_flags |= t.flags;
        if (--s.brace_depth > 0) {
            if (s.pos >= s.length) raise_syntax_error(s, s.brace_start, static_cast<i32>(Type::string));
            s.initial_state = S::braced;
            break;
        }
        Token whole{s.brace_start, t.end, s.brace_flags, F::close_brace};
        s.lines_before = s.brace_lines;
        load_braced_string(s, whole, false);
        if (fire_event(s, event::scan, Type::string, TokenKind::none, nullptr, whole.start, whole.end) &&
            s.load) {
            u32 before = s.top;
            load_braced_string(s, whole, true);
            if (!fire_event(s, event::load, Type::string, TokenKind::none, &cell_at(before),
                            whole.start, whole.end))
                s.top = before;
        }
        fire_event(s, event::close, Type::string, TokenKind::none, nullptr, whole.start, whole.end);
        break;
    }
    case F::open_path: {
        u8 first = s.input[t.start];
        Type type = first == '\'' ? Type::lit_path : first == ':' ? Type::get_path : Type::path;
        push_marker(s, type, t.start);
        fire_event(s, event::open, type, TokenKind::none, nullptr, t.start, t.end);
        s.lines_before = 0;
        load_path_head(s, t);
        ++s.pos;  // the "/"
        if (s.pos >= s.length) raise_invalid(s, t, type);
        s.initial_state = S::path_element;
        break;
    }
    case F::comment:
        fire_event(s, event::scan, Type{}, TokenKind::comment, nullptr, t.start, t.end);
        break;
    case F::comma:
        raise_invalid(s, t, Type::point2d);
    default:
        break;
    }
}

// Checks and loads a value token; answers its type for the events.
Type value_token(Scan& s, const Token& t) {
    Loader loader = loader_for(t.final_state);
    Type type = t.final_state == F::word ? word_kind(s, t) : state_types[t.final_state];
    if (t.final_state == F::construct) type = Type::datatype;
    bool wants_scan = s.tracer && (s.mask & event::scan);
    if (!s.load || wants_scan) loader(s, t, false);
    if (!fire_event(s, event::scan, type, TokenKind::none, nullptr, t.start, t.end) || !s.load)
        return type;
    u32 before = s.top;
    loader(s, t, true);
    if (s.top > before) {
        Type made = cell_at(before).type();
        if (!fire_event(s, event::load, made, TokenKind::none, &cell_at(before), t.start, t.end))
            s.top = before;
    }
    if (t.final_state == F::point) {
        Type point = s.top > before ? cell_at(before).type() : Type::point2d;
        fire_event(s, event::close, point, TokenKind::none, nullptr, t.start, t.end);
    }
    return type;
}

// Reads one token and handles it. True when a single-value scan has its value.
bool step(Scan& s, bool single, bool prescan, Type& last_type) {
    u32 flags = 0;
    u32 skip = 0;
    u32 lines_before = 0;
    u8 state = s.initial_state;
    bool state_started_point = state == S::point;
    s.initial_state = S::between;
    u32 p = s.pos;
    u8 next;
    for (;;) {
        Class c = Class::end;
        if (p < s.length) {
            u32 entry = byte_classes[s.input[p]];
            flags |= entry & ~tokenflag::class_mask;
            c = static_cast<Class>(entry & tokenflag::class_mask);
        }
        next = next_state(state, c);
        if (next >= first_final) break;
        if (next == S::between) {
            ++skip;
            if (c == Class::line_feed) ++lines_before;
        }
        if (c == Class::line_feed) ++s.line;
        ++p;
        state = next;
    }
    // A point's token starts at its "(", read by the handler that recognised the point.
    Token t{s.pos + skip - (state_started_point ? 1 : 0), p, flags, next};
    s.last_inner = state;
    s.lines_before = lines_before;
    if (takes_stop_byte(next, state) && p < s.length) ++p;
    t.end = s.pos = p;

    if (next == F::word && !trim_word(s, t)) return false;

    bool process = s.tracer ? state == S::braced ||
                                  fire_event(s, event::prescan, state_types[next], TokenKind::none,
                                             nullptr, t.start, t.end)
                            : true;
    Type type{};
    u32 before = s.top;
    if (process) {
        if (!is_value_token(next)) structural(s, t);
        else if (!prescan) type = value_token(s, t);
        else type = state_types[next];
    }
    bool in_path = is_path_type(innermost_structure(s));
    if (in_path && next != F::invalid && next != F::open_path && next != F::open_block &&
        next != F::open_paren && next != F::open_map && s.initial_state != S::point)
        path_step(s, t);

    // A value is made at the top level by a token, or by the closer of a block or paren
    // (which collapses its cells into one).
    bool made_value = s.top != before && s.top - s.base == 1;
    if (type != Type{} || made_value) last_type = type != Type{} ? type : cell_at(s.top - 1).type();
    if ((single || prescan) && (type != Type{} || made_value) && !s.open_marker && !s.brace_depth &&
        s.initial_state == S::between) {
        u32 count = s.top - s.base;
        return count <= 1;
    }
    return false;
}

void run(Scan& s, bool single, bool prescan, Type& last_type) {
    while (s.pos < s.length && !s.stopped) {
        try {
            if (step(s, single, prescan, last_type)) return;
        } catch (const Resume&) {
            // The scan goes on at the position the callback chose, outside any braced
            // string or path that was being read.
            s.brace_depth = 0;
            s.initial_state = S::between;
            while (s.path_type != Type{}) close_path(s);
        }
    }
}

// Appends the slice's cells to a block value.
void append_to(const Cell& target, u32 first, u32 end) {
    for (u32 i = first; i < end; ++i) {
        Cell v = values.cells[i];
        *series_buffer::append_cell(target) = v;
    }
}

Cell slice_to_block(u32 first, u32 end) {
    u32 count = end - first;
    Node n = memory::alloc_cells(count);
    Buffer* b = node::buffer(n);
    for (u32 i = 0; i < count; ++i) b->cells()[i] = values.cells[first + i];
    b->tail = count * sizeof(Cell);
    return block_cell(n);
}

Result finish(Scan& s, const Options& options, Type last_type) {
    Result r{none_cell, to_index(s, s.pos), last_type};
    if (options.prescan && s.path_type != Type{}) r.last_type = s.path_type;
    if (!s.stopped) {
        try {
            if (s.brace_depth) raise_syntax_error(s, s.brace_start, left_open);
            if (s.open_marker && !options.prescan)
                raise_syntax_error(s, innermost_marker(s)->w2, left_open);
        } catch (const Resume&) {
            return r;
        }
    }
    collapse_all(s);
    if (options.scan_only || options.prescan) return r;
    if (options.single && !options.block && s.top > s.base) {
        if (options.into) append_to(*options.into, s.base, s.base + 1);
        else r.value = values.cells[s.base];
        return r;
    }
    if (options.into) {
        append_to(*options.into, s.base, s.top);
        r.value = *options.into;
    } else {
        r.value = slice_to_block(s.base, s.top);
    }
    return r;
}

Result scan_text(const u8* text, u32 length, const Options& options, bool chars) {
    Scan s;
    Active active(s);
    s.input = text;
    s.length = length;
    s.tracer = options.tracer;
    s.mask = options.tracer ? options.tracer->mask() : 0;
    s.chars_are_units = chars;
    s.load = !options.prescan && !options.scan_only;
    Type last_type{};
    run(s, options.single, options.prescan, last_type);
    return finish(s, options, last_type);
}

}  // namespace

Cell& cell_at(u32 index) { return values.cells[index]; }

u32 push_cell(Scan& s) {
    if (s.top >= values.capacity) grow_values();
    u32 i = s.top++;
    values.cells[i] = Cell{header_of(Type::unset) | (s.lines_before ? cellflag::new_line : 0), 0, 0, 0};
    return i;
}

bool fire_event(Scan& s, u32 bit, Type type, TokenKind kind, const Cell* value, u32 start, u32 end) {
    if (!s.tracer || !(s.mask & bit)) return true;
    u32 input = to_index(s, start);
    TraceEvent e{bit, type, kind, s.line, value, input + 1, to_index(s, end) + 1};
    u32 moved = input;
    bool go_on = s.tracer->on_event(e, moved);
    if (moved != input) s.pos = to_byte(s, moved);
    return go_on;
}

void raise_syntax_error(Scan& s, u32 start, i32 type_or_code) {
    // The line of the token at fault, not the scan's: an open structure is found only at
    // the end of the text, and a token may span lines.
    const u32 end = start < s.length ? start : s.length;
    const u32 line = 1 + static_cast<u32>(std::count(s.input, s.input + end, u8{'\n'}));
    Cell position = text_cell("(line " + std::to_string(line) + ")");
    if (s.tracer && (s.mask & event::error)) {
        Type type = type_or_code > 0 ? static_cast<Type>(type_or_code)
                    : s.path_type != Type{} ? s.path_type
                                            : Type::error;
        u32 input = to_index(s, start);
        u32 moved = input;
        TraceEvent e{event::error, type, TokenKind::none, s.line, nullptr, input + 1,
                     to_index(s, s.pos > start ? s.pos : start) + 1};
        if (!s.tracer->on_event(e, moved)) {
            if (moved != input) s.pos = to_byte(s, moved);
            else s.stopped = true;
            throw Resume{};
        }
    }
    Cell text = excerpt(s, start);
    Type structure = innermost_structure(s);
    if (type_or_code > 0) {
        Cell type{header_of(Type::datatype), static_cast<u32>(type_or_code), 0, 0};
        raise(ErrorId::syntax_invalid, &position, &type, &text);
    }
    if (type_or_code == malconstruct) raise(ErrorId::syntax_malconstruct, &position, &text);
    if (type_or_code == bad_char || is_path_type(structure)) raise(ErrorId::syntax_bad_char, &position, &text);
    int at = type_or_code == unmatched_closer && start < s.length ? s.input[start] : 0;
    if (type_or_code == unmatched_closer && structure == Type{})
        structure = at == ')' ? Type::paren : Type::block;
    if (type_or_code == left_open && s.brace_depth) structure = Type::string;
    Cell missing = missing_char(structure, at);
    raise(ErrorId::syntax_missing, &position, &missing, &text);
}

Result scan_utf8(const u8* text, u32 length, const Options& options) {
    return scan_text(text, length, options, false);
}

Result scan_string(const Cell& string, i32 count, const Options& options) {
    unicode::Units units = unicode::units_of(string, count);
    std::vector<u8> utf8;
    utf8.reserve(std::size_t{units.count} * units.unit);
    for (u32 i = 0; i < units.count; ++i) {
        u8 bytes[4];
        u32 cp = unicode::read_unit(units.start + std::size_t{i} * units.unit, units.unit);
        int n = unicode::encode_utf8_char(cp, bytes);
        utf8.insert(utf8.end(), bytes, bytes + n);
    }
    if (utf8.size() > max_series_bytes) raise(ErrorId::internal_limit_hit);
    return scan_text(utf8.data(), static_cast<u32>(utf8.size()), options, true);
}

namespace {

// How many values the text holds, the first of them in `first`.
u32 load_first(const Cell& string, Cell& first) {
    Result r = scan_string(string, -1, Options{});
    Buffer* b = node::buffer(r.value.w2);
    u32 count = b->cell_count();
    if (count) first = b->cells()[b->head / sizeof(Cell)];
    return count;
}

}  // namespace

bool load_exactly_one(const Cell& string, Cell& out) { return load_first(string, out) == 1; }

void for_each_scanned_cell(void (*visit)(const Cell&, void* context), void* context) {
    if (!innermost) return;
    for (u32 i = 0; i < innermost->top; ++i) visit(values.cells[i], context);
}

}  // namespace zel::lexer
