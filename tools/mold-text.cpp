#include "tools/mold-text.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "runtime/core/cell-views.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/memory/node.h"
#include "runtime/text/float-text.h"
#include "runtime/text/string-units.h"
#include "runtime/text/utf8.h"

namespace zel::tools {

namespace {

void append_utf8(std::string& out, u32 cp) {
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

std::string number(double v) { return std::string(decimal::format_double(v, 0, true).view()); }

std::string coordinate(float v) {
    std::string s = number(v);
    return s.size() > 2 && s.compare(s.size() - 2, 2, ".0") == 0 ? s.substr(0, s.size() - 2) : s;
}

void series(std::string& out, const Cell& value, const char* open, const char* separator, const char* close) {
    out += open;
    const u32 count = node::buffer(value.w2)->cell_count();
    for (u32 i = 0; i < count; ++i) {
        // Molding an item allocates: the buffer is read again for each one.
        Buffer* b = node::buffer(value.w2);
        const Cell item = b->cells()[b->head / sizeof(Cell) + i];
        if (i) out += (item.header & cellflag::new_line) && *separator == ' ' ? "\n" : separator;
        out += mold_text(item);
    }
    out += close;
}

void text(std::string& out, const Cell& value, const char* open, const char* close) {
    out += open;
    for (u32 c : chars_of(value)) append_utf8(out, c);
    out += close;
}

// Printable ASCII but space " % ; < > [ \ ] ^ ` { | }: what a url! or file! writes as it is.
bool in_url_set(u32 c) { return c > 32 && c < 127 && !std::strchr("\"%;<>[\\]^`{|}", static_cast<int>(c)); }

void url(std::string& out, const Cell& value) {
    char hex[4];
    for (u32 c : chars_of(value)) {
        u8 bytes[4];
        int n = unicode::encode_utf8_char(c, bytes);
        for (int i = 0; i < n; ++i) {
            if (in_url_set(bytes[i])) {
                out += static_cast<char>(bytes[i]);
            } else {
                std::snprintf(hex, sizeof hex, "%%%02X", bytes[i]);
                out += hex;
            }
        }
    }
}

void file(std::string& out, const Cell& value) {
    std::u32string chars = chars_of(value);
    bool quoted = chars.empty();
    for (u32 c : chars) quoted = quoted || (c < 127 && !in_url_set(c));
    text(out, value, quoted ? "%\"" : "%", quoted ? "\"" : "");
}

void time(std::string& out, double t) {
    char buffer[64];
    double a = std::fabs(t);
    auto hours = static_cast<long long>(a / 3600);
    auto minutes = static_cast<int>((a - static_cast<double>(hours) * 3600) / 60);
    double seconds = a - static_cast<double>(hours) * 3600 - minutes * 60;
    std::snprintf(buffer, sizeof buffer, "%s%lld:%02d:%02d", t < 0 ? "-" : "", hours, minutes,
                  static_cast<int>(seconds));
    out += buffer;
    if (seconds != std::floor(seconds)) {
        std::string fraction = number(seconds - std::floor(seconds));
        out += fraction.substr(fraction.find('.'));
    }
}

// Source text for the types the lexer makes whose mold is not registered.
std::string fallback_mold(const Cell& value) {
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
    case Type::file: file(out, value); break;
    case Type::url: url(out, value); break;
    case Type::email: text(out, value, "", ""); break;
    case Type::ref: text(out, value, "@", ""); break;
    case Type::tag: text(out, value, "<", ">"); break;
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
    case Type::time: time(out, float_payload(value)); break;
    default: out = "?"; break;
    }
    return out;
}

// Whether the registry molds the value and every value it holds.
bool registry_molds(const Cell& value) {
    if (!actions_of(value).on_mold) return false;
    if (!series::any_block(value.type())) return true;
    Buffer* b = node::buffer(value.w2);
    const Cell* items = b->cells() + b->head / sizeof(Cell);
    for (u32 i = 0; i < b->cell_count(); ++i)
        if (!registry_molds(items[i])) return false;
    return true;
}

}  // namespace

std::string mold_text(const Cell& value) {
    if (!registry_molds(value)) return fallback_mold(value);
    Output out;
    mold(value, MoldFlags{}, nullptr, out);
    return out.utf8();
}

}  // namespace zel::tools
