// The token loaders: one per kind of value token. Each checks its token and, asked to
// build, pushes the value with push_cell; a fault raises `invalid` with the datatype the
// token was read as.
#include <cctype>
#include <cmath>
#include <cstring>
#include <string>

#include "runtime/core/cell-views.h"
#include "runtime/core/date-word.h"
#include "runtime/core/raise.h"
#include "runtime/lexer/lexer-decoders.h"
#include "runtime/lexer/lexer-scan.h"
#include "runtime/lexer/lexer-tables.h"
#include "runtime/lexer/lexer-text.h"
#include "runtime/lexer/lexer-words.h"
#include "runtime/text/base-codecs.h"
#include "runtime/text/utf8.h"

namespace zel::lexer {

namespace {

struct Text {
    const u8* p;
    u32 length;
    u8 operator[](u32 i) const { return p[i]; }
    const u8* end() const { return p + length; }
};

Text text_of(const Scan& s, const Token& t) { return {s.input + t.start, t.end - t.start}; }

void push(Scan& s, const Cell& value) {
    u32 i = push_cell(s);
    Cell& c = cell_at(i);
    c = Cell{(c.header & cellflag::new_line) | value.header, value.w1, value.w2, value.w3};
}

Cell double_cell(Type type, double value) {
    Cell c{header_of(type), 0, 0, 0};
    set_float_payload(c, value);
    return c;
}

// Characters of [p, end) with escapes when the token has a "^"; raises for `type`.
std::u32string decoded(Scan& s, const Token& t, const u8* p, const u8* end, Type type) {
    std::u32string chars;
    if (!decode_text(p, end, (t.flags & tokenflag::caret) != 0, chars)) raise_invalid(s, t, type);
    return chars;
}

std::u32string raw_chars(Scan& s, const Token& t, const u8* p, const u8* end, Type type) {
    std::u32string chars;
    if (!decode_text(p, end, false, chars)) raise_invalid(s, t, type);
    return chars;
}

void load_string(Scan& s, const Token& t, bool build) {
    Text x = text_of(s, t);
    std::u32string chars = decoded(s, t, x.p + 1, x.end() - 1, Type::string);
    if (build) push(s, make_text(Type::string, chars));
}

void load_raw_string(Scan& s, const Token& t, bool build) {
    Text x = text_of(s, t);
    u32 n = 0;
    while (n < x.length && x[n] == '%') ++n;
    // n "%" signs, "{", the text, "}", then the same n "%" signs.
    bool closed = x.length >= 2 * n + 2 && x[n] == '{' && x[x.length - n - 1] == '}';
    for (u32 i = x.length - n; closed && i < x.length; ++i) closed = x[i] == '%';
    if (!closed) raise_invalid(s, t, Type::string);
    std::u32string chars = raw_chars(s, t, x.p + n + 1, x.end() - n - 1, Type::string);
    if (build) push(s, make_text(Type::string, chars));
}

void load_word(Scan& s, const Token& t, bool build) {
    Type kind = word_kind(s, t);
    Text x = text_of(s, t);
    u32 from = kind == Type::get_word || kind == Type::lit_word ? 1 : 0;
    u32 to = kind == Type::set_word ? x.length - 1 : x.length;
    std::u32string chars;
    if (!decode_text(x.p + from, x.p + to, false, chars)) raise_invalid(s, t, kind);
    if (build) push(s, make_word(kind, x.p + from, to - from));
}

void load_issue(Scan& s, const Token& t, bool build) {
    Text x = text_of(s, t);
    u32 from = 0;
    while (from < x.length && x[from] != '#') ++from;
    ++from;
    std::u32string chars;
    if (from >= x.length || !decode_text(x.p + from, x.end(), false, chars))
        raise_invalid(s, t, Type::issue);
    if (build) push(s, make_word(Type::issue, x.p + from, x.length - from));
}

void load_refinement(Scan& s, const Token& t, bool build) {
    Text x = text_of(s, t);
    std::u32string chars;
    if (x.length < 2 || !decode_text(x.p + 1, x.end(), false, chars)) raise_invalid(s, t, Type::refinement);
    if (build) push(s, make_word(Type::refinement, x.p + 1, x.length - 1));
}

void load_float_text(Scan& s, const Token& t, const u8* p, u32 length, Type type, int exponent,
                     bool build) {
    i32 error = 0;
    double value = decode_float(p, length, 1, error, exponent);
    if (error) raise_invalid(s, t, Type::float_);
    if (build) push(s, double_cell(type, value));
}

void load_float(Scan& s, const Token& t, bool build) {
    Text x = text_of(s, t);
    load_float_text(s, t, x.p, x.length, Type::float_, 0, build);
}

void load_percent(Scan& s, const Token& t, bool build) {
    Text x = text_of(s, t);
    load_float_text(s, t, x.p, x.length - 1, Type::percent, -2, build);
}

// "1.#NaN", "1.#INF", "+1.#INF", "-1.#INF".
bool special_float(const u8* p, u32 length, double& value) {
    auto same = [](const u8* a, const char* b, u32 n) {
        for (u32 i = 0; i < n; ++i)
            if (std::tolower(a[i]) != std::tolower(static_cast<u8>(b[i]))) return false;
        return true;
    };
    bool negative = false;
    if (length > 0 && (p[0] == '+' || p[0] == '-')) {
        negative = p[0] == '-';
        ++p;
        --length;
    }
    if (length == 6 && same(p, "1.#inf", 6)) {
        value = negative ? -HUGE_VAL : HUGE_VAL;
        return true;
    }
    if (length == 6 && same(p, "1.#nan", 6) && !negative) {
        value = std::nan("");
        return true;
    }
    return false;
}

void load_special_float(Scan& s, const Token& t, bool build) {
    Text x = text_of(s, t);
    double value = 0;
    if (!special_float(x.p, x.length, value)) raise_invalid(s, t, Type::float_);
    if (build) push(s, double_cell(Type::float_, value));
}

void load_integer(Scan& s, const Token& t, bool build) {
    Text x = text_of(s, t);
    for (u32 i = 1; i < x.length; ++i)
        if (x[i] == '\'' && x[i - 1] == '\'') raise_invalid(s, t, Type::integer);
    u32 digits = 0;
    for (u32 i = 0; i < x.length; ++i) digits += x[i] >= '0' && x[i] <= '9';
    i32 error = 0;
    i32 value = digits > 10 ? 0 : decode_integer(x.p, x.length, 1, error);
    if (digits > 10 || error == decode_overflow) {
        load_float(s, t, build);
        return;
    }
    if (error) raise_invalid(s, t, Type::integer);
    if (build) push(s, Cell{header_of(Type::integer), 0, static_cast<u32>(value), 0});
}

void load_hex_integer(Scan& s, const Token& t, bool build) {
    Text x = text_of(s, t);
    u32 digits = x.length - 1;
    if (digits < 2 || digits > 8) raise_invalid(s, t, Type::integer);
    u32 value = 0;
    for (u32 i = 0; i < digits; ++i) {
        u8 d = hex_digit(x[i]);
        if (d == 255) raise_invalid(s, t, Type::integer);
        value = value << 4 | d;
    }
    if (build) push(s, Cell{header_of(Type::integer), 0, value, 0});
}

void load_char(Scan& s, const Token& t, bool build) {
    Text x = text_of(s, t);
    // #"c": the character between the quotes.
    std::u32string chars = decoded(s, t, x.p + 2, x.end() - 1, Type::char_);
    if (chars.size() != 1 || chars[0] > unicode::max_code_point) raise_invalid(s, t, Type::char_);
    if (build) push(s, Cell{header_of(Type::char_), 0, static_cast<u32>(chars[0]), 0});
}

void load_file(Scan& s, const Token& t, bool build) {
    Text x = text_of(s, t);
    std::u32string chars;
    if (x.length >= 2 && x[1] == '"') {
        if (x.length < 3 || x[x.length - 1] != '"') raise_invalid(s, t, Type::file);
        chars = decoded(s, t, x.p + 2, x.end() - 1, Type::file);
    } else {
        chars = percent_decode(raw_chars(s, t, x.p + 1, x.end(), Type::file));
    }
    if (build) push(s, make_text(Type::file, chars));
}

void load_url(Scan& s, const Token& t, bool build) {
    Text x = text_of(s, t);
    if (x[0] == ':') raise_invalid(s, t, Type::get_word);
    if (x[0] == '\'') raise_invalid(s, t, Type::lit_word);
    std::u32string chars = raw_chars(s, t, x.p, x.end(), Type::url);
    if (t.flags & tokenflag::percent) chars = percent_decode(chars);
    if (build) push(s, make_text(Type::url, chars));
}

void load_email(Scan& s, const Token& t, bool build) {
    Text x = text_of(s, t);
    std::u32string chars = raw_chars(s, t, x.p, x.end(), Type::email);
    if (build) push(s, make_text(Type::email, chars));
}

void load_ref(Scan& s, const Token& t, bool build) {
    Text x = text_of(s, t);
    std::u32string chars = raw_chars(s, t, x.p + 1, x.end(), Type::ref);
    if (build) push(s, make_text(Type::ref, chars));
}

void load_tag(Scan& s, const Token& t, bool build) {
    Text x = text_of(s, t);
    if (x.length < 2 || x[0] != '<') raise_invalid(s, t, Type::tag);
    std::u32string chars = raw_chars(s, t, x.p + 1, x.end() - 1, Type::tag);
    if (build) push(s, make_text(Type::tag, chars));
}

void load_binary(Scan& s, const Token& t, bool build) {
    Text x = text_of(s, t);
    u32 hash = 0;
    while (x[hash] != '#') ++hash;
    u32 base = 16;
    if (hash > 0) {
        i32 error = 0;
        i32 value = decode_integer(x.p, hash, 1, error);
        if (error || value < 0) raise_invalid(s, t, Type::binary);
        base = static_cast<u32>(value);
    }
    // A literal is written in base 2, 16 or 64; enbase's base 58 has none.
    std::string bytes;
    const std::string_view digits(reinterpret_cast<const char*>(x.p + hash + 2),
                                  static_cast<std::size_t>(x.end() - 1 - (x.p + hash + 2)));
    if (base == 58 || !base_codec::decode(base, digits, bytes)) raise_invalid(s, t, Type::binary);
    if (build) push(s, make_bytes(Type::binary, reinterpret_cast<const u8*>(bytes.data()),
                                  static_cast<u32>(bytes.size())));
}

void load_tuple(Scan& s, const Token& t, bool build) {
    Text x = text_of(s, t);
    TupleParts parts = decode_tuple(x.p, x.length, 1);
    if (parts.count < 3) raise_invalid(s, t, Type::tuple);
    if (!build) return;
    Cell c{header_of(Type::tuple) | parts.count << 19, 0, 0, 0};
    std::memcpy(&c.w1, parts.parts, parts.count);
    push(s, c);
}

void load_pair(Scan& s, const Token& t, bool build) {
    Text x = text_of(s, t);
    u32 cross = 0;
    while (cross < x.length && x[cross] != 'x' && x[cross] != 'X') ++cross;
    i32 error_x = 0, error_y = 0;
    i32 px = decode_integer(x.p, cross, 1, error_x);
    i32 py = cross < x.length ? decode_integer(x.p + cross + 1, x.length - cross - 1, 1, error_y)
                              : (error_y = decode_bad_text);
    if (error_x || error_y) raise_invalid(s, t, Type::pair);
    if (build) push(s, Cell{header_of(Type::pair), 0, static_cast<u32>(px), static_cast<u32>(py)});
}

// "(x, y)" or "(x, y, z)": coordinates between blanks, separated by ",".
void load_point(Scan& s, const Token& t, bool build) {
    Text x = text_of(s, t);
    float coordinates[3];
    u32 count = 0;
    u32 p = 1;
    while (p < x.length && x[p] != ')') {
        while (p < x.length && (x[p] == ' ' || x[p] == '\t')) ++p;
        u32 start = p;
        while (p < x.length && x[p] != ',' && x[p] != ')' && x[p] != ' ' && x[p] != '\t') ++p;
        u32 end = p;
        while (p < x.length && (x[p] == ' ' || x[p] == '\t')) ++p;
        Type type = count < 2 ? Type::point2d : Type::point3d;
        if (count == 3 || end == start || p >= x.length) raise_invalid(s, t, type);
        double value = 0;
        bool special = std::memchr(x.p + start, '#', end - start) != nullptr;
        if (special ? !special_float(x.p + start, end - start, value) : false) raise_invalid(s, t, type);
        if (!special) {
            i32 error = 0;
            value = decode_float(x.p + start, end - start, 1, error);
            if (error) raise_invalid(s, t, type);
        }
        coordinates[count++] = static_cast<float>(value);
        if (x[p] == ',') ++p;
        else if (x[p] != ')') raise_invalid(s, t, type);
    }
    if (count < 2) raise_invalid(s, t, Type::point2d);
    if (!build) return;
    Cell c{header_of(count == 2 ? Type::point2d : Type::point3d), 0, 0, 0};
    std::memcpy(&c.w1, coordinates, count * sizeof(float));
    push(s, c);
}

void load_time(Scan& s, const Token& t, bool build) {
    Text x = text_of(s, t);
    double seconds = 0;
    if (t.flags & tokenflag::exponent || !decode_time(x.p, x.length, seconds)) raise_invalid(s, t, Type::time);
    if (build) push(s, double_cell(Type::time, seconds));
}

void load_date(Scan& s, const Token& t, bool build) {
    Text x = text_of(s, t);
    DateParts parts;
    if (!decode_date(x.p, x.length, parts)) raise_invalid(s, t, Type::date);
    if (build) {
        const date_word::Fields day{parts.year, parts.month, parts.day};
        push(s, date_word::cell(day, date_word::zone_bits(parts.zone_minutes), parts.has_time, parts.seconds));
    }
}

void load_money(Scan& s, const Token& t, bool build) {
    Text x = text_of(s, t);
    Cell money;
    if (!decode_money(x.p, x.length, money)) raise_invalid(s, t, Type::money);
    if (build) push(s, money);
}

}  // namespace

Type word_kind(Scan& s, const Token& t) {
    Text x = text_of(s, t);
    bool leading_colon = x[0] == ':';
    bool leading_quote = x[0] == '\'';
    bool trailing_colon = x.length > 1 && x[x.length - 1] == ':';
    for (u32 i = 1; i + 1 < x.length; ++i)
        if (x[i] == ':') raise_invalid(s, t, Type::word);
    if (trailing_colon && leading_quote) raise_invalid(s, t, Type::lit_word);
    if (trailing_colon && leading_colon) raise_invalid(s, t, Type::word);
    if (leading_colon) return Type::get_word;
    if (leading_quote) return Type::lit_word;
    if (trailing_colon) return Type::set_word;
    return Type::word;
}

void load_construction(Scan& s, const Token& t, bool build) {
    Text x = text_of(s, t);
    // "#(" name ")"
    std::string name(reinterpret_cast<const char*>(x.p + 2), x.length - 3);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<u8>(c)));
    Cell value{};
    if (name == "true") value = true_cell;
    else if (name == "false") value = false_cell;
    else if (name == "none") value = none_cell;
    else if (name == "unset") value = unset_cell;
    else {
        struct Named {
            const char* name;
            Type type;
        };
        static constexpr Named types[] = {
#define ZEL_TYPE(id, cpp_name, text, parent, families) {text, Type::cpp_name},
#include "runtime/core/types.def"
#undef ZEL_TYPE
        };
        bool found = false;
        for (const Named& n : types) {
            std::string lowered(n.name);
            for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<u8>(c)));
            if (lowered == name) {
                value = Cell{header_of(Type::datatype), static_cast<u32>(n.type), 0, 0};
                found = true;
                break;
            }
        }
        if (!found) raise_syntax_error(s, t.start, malconstruct);
    }
    if (build) push(s, value);
}

void load_braced_string(Scan& s, const Token& t, bool build) {
    Text x = text_of(s, t);
    std::u32string chars = decoded(s, t, x.p + 1, x.end() - 1, Type::string);
    if (build) push(s, make_text(Type::string, chars));
}

void load_path_head(Scan& s, const Token& t) {
    Text x = text_of(s, t);
    u32 from = x[0] == '\'' || x[0] == ':' ? 1 : 0;
    std::u32string chars;
    if (!decode_text(x.p + from, x.end(), false, chars)) raise_invalid(s, t, Type::word);
    if (s.load) push(s, make_word(Type::word, x.p + from, x.length - from));
}

Loader loader_for(u8 final_state) {
    switch (final_state) {
    case F::construct: return load_construction;
    case F::string: return load_string;
    case F::word: return load_word;
    case F::issue: return load_issue;
    case F::integer: return load_integer;
    case F::refinement: return load_refinement;
    case F::char_: return load_char;
    case F::file: return load_file;
    case F::binary: return load_binary;
    case F::percent: return load_percent;
    case F::float_: return load_float;
    case F::special_float: return load_special_float;
    case F::tuple: return load_tuple;
    case F::pair: return load_pair;
    case F::point: return load_point;
    case F::time: return load_time;
    case F::tag: return load_tag;
    case F::url: return load_url;
    case F::email: return load_email;
    case F::hex_integer: return load_hex_integer;
    case F::raw_string: return load_raw_string;
    case F::ref: return load_ref;
    case F::date: return load_date;
    case F::money: return load_money;
    default: return nullptr;
    }
}

}  // namespace zel::lexer
