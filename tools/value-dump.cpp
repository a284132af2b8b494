#include "tools/value-dump.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "runtime/io/lexer-words.h"
#include "runtime/memory/node.h"
#include "runtime/text/float-text.h"
#include "runtime/text/string-units.h"
#include "runtime/text/utf8.h"

namespace zel::tools {

namespace {

void utf8(std::string& out, u32 cp) {
    u8 bytes[4];
    int n = unicode::encode_utf8_char(cp, bytes);
    out.append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(n));
}

std::u32string chars_of(const Cell& series) {
    Buffer* b = node::buffer(series.w2);
    std::u32string chars;
    for (u32 at = b->head; at < b->tail; at += b->unit()) chars.push_back(unicode::read_unit(b->data() + at, b->unit()));
    return chars;
}

void escaped(std::string& out, u32 c) {
    char hex[16];
    switch (c) {
    case '"': out += "^\""; return;
    case '^': out += "^^"; return;
    case '\n': out += "^/"; return;
    case '\t': out += "^-"; return;
    default: break;
    }
    if (c < 0x20 || c == 0x7F) {
        std::snprintf(hex, sizeof hex, "^(%02X)", c);
        out += hex;
    } else {
        utf8(out, c);
    }
}

double double_of(const Cell& c) {
    double v;
    std::memcpy(&v, &c.w2, sizeof v);
    return v;
}

std::string number(double v) { return std::string(decimal::format_double(v, 0, true).view()); }

std::string coordinate(float v) {
    std::string s = number(v);
    return s.size() > 2 && s.compare(s.size() - 2, 2, ".0") == 0 ? s.substr(0, s.size() - 2) : s;
}

void series(std::string& out, const Cell& value, const char* open, const char* separator, const char* close) {
    Buffer* b = node::buffer(value.w2);
    out += open;
    u32 count = b->used() / sizeof(Cell);
    for (u32 i = 0; i < count; ++i) {
        Cell item = node::buffer(value.w2)->cells()[b->head / sizeof(Cell) + i];
        if (i) out += (item.header & cellflag::new_line) && *separator == ' ' ? "\n" : separator;
        out += dump(item);
    }
    out += close;
}

void text(std::string& out, const Cell& value, const char* open, const char* close, bool escape) {
    out += open;
    for (u32 c : chars_of(value)) {
        if (escape) escaped(out, c);
        else utf8(out, c);
    }
    out += close;
}

}  // namespace

std::string dump(const Cell& value) {
    std::string out;
    char buffer[64];
    switch (value.type()) {
    case Type::block: series(out, value, "[", " ", "]"); break;
    case Type::paren: series(out, value, "(", " ", ")"); break;
    case Type::map: series(out, value, "#[", " ", "]"); break;
    case Type::path: series(out, value, "", "/", ""); break;
    case Type::lit_path: series(out, value, "'", "/", ""); break;
    case Type::get_path: series(out, value, ":", "/", ""); break;
    case Type::set_path: series(out, value, "", "/", ":"); break;
    case Type::word: out = lexer::word_spelling(value); break;
    case Type::set_word: out = lexer::word_spelling(value) + ":"; break;
    case Type::get_word: out = ":" + lexer::word_spelling(value); break;
    case Type::lit_word: out = "'" + lexer::word_spelling(value); break;
    case Type::refinement: out = "/" + lexer::word_spelling(value); break;
    case Type::issue: out = "#" + lexer::word_spelling(value); break;
    case Type::string: text(out, value, "\"", "\"", true); break;
    case Type::file: text(out, value, "%", "", false); break;
    case Type::url: text(out, value, "", "", false); break;
    case Type::email: text(out, value, "", "", false); break;
    case Type::ref: text(out, value, "@", "", false); break;
    case Type::tag: text(out, value, "<", ">", false); break;
    case Type::binary: {
        Buffer* b = node::buffer(value.w2);
        out += "#{";
        for (u32 i = b->head; i < b->tail; ++i) {
            std::snprintf(buffer, sizeof buffer, "%02X", b->data()[i]);
            out += buffer;
        }
        out += "}";
        break;
    }
    case Type::integer: out = std::to_string(static_cast<i32>(value.w2)); break;
    case Type::float_: out = number(double_of(value)); break;
    case Type::percent: out = number(double_of(value) * 100) + "%"; break;
    case Type::char_: out = "#\""; escaped(out, value.w2); out += "\""; break;
    case Type::pair:
        out = std::to_string(static_cast<i32>(value.w2)) + "x" + std::to_string(static_cast<i32>(value.w3));
        break;
    case Type::point2d:
    case Type::point3d: {
        float c[3];
        std::memcpy(c, &value.w1, sizeof c);
        out = "(" + coordinate(c[0]) + ", " + coordinate(c[1]);
        if (value.is(Type::point3d)) out += ", " + coordinate(c[2]);
        out += ")";
        break;
    }
    case Type::tuple: {
        u8 parts[12];
        std::memcpy(parts, &value.w1, sizeof parts);
        u32 count = (value.header & cellflag::tuple_length) >> 19;
        for (u32 i = 0; i < count; ++i) out += (i ? "." : "") + std::to_string(parts[i]);
        break;
    }
    case Type::time: {
        double t = double_of(value);
        double a = std::fabs(t);
        auto hours = static_cast<long long>(a / 3600);
        auto minutes = static_cast<int>((a - static_cast<double>(hours) * 3600) / 60);
        double seconds = a - static_cast<double>(hours) * 3600 - minutes * 60;
        std::snprintf(buffer, sizeof buffer, "%s%lld:%02d:%02d", t < 0 ? "-" : "", hours, minutes,
                      static_cast<int>(seconds));
        out = buffer;
        if (seconds != std::floor(seconds)) {
            std::string frac = number(seconds - std::floor(seconds));
            out += frac.substr(frac.find('.'));
        }
        break;
    }
    case Type::logic: out = value.w1 ? "true" : "false"; break;
    case Type::none: out = "none"; break;
    case Type::unset: out = "unset"; break;
    case Type::datatype: {
        static constexpr const char* names[] = {
            "",
#define ZEL_TYPE(id, cpp_name, text, parent) text,
#include "runtime/datatypes/types.def"
#undef ZEL_TYPE
        };
        out = value.w1 < sizeof names / sizeof *names ? names[value.w1] : "?";
        break;
    }
    default: out = "?"; break;
    }
    return out;
}

}  // namespace zel::tools
