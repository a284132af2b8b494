#include "runtime/io/console-output.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "platform/posix/write-all.h"
#include "runtime/io/print-hooks.h"
#include "runtime/memory/fatal.h"
#include <unistd.h>
#include "runtime/text/utf16.h"
#include "runtime/text/utf8.h"

namespace zel::stdio {
namespace {

bool console = false;

constexpr u32 replacement_character = 0xFFFD;

// Output gathered on the caller's stack and written in batches; one per write, so nested
// writes from hooks never share it.
class OutputBuffer {
  public:
    ~OutputBuffer() { flush(); }

    void put(u32 c) {
        if (length > sizeof bytes - 4) flush();
        length += static_cast<std::size_t>(unicode::encode_utf8_char(c, reinterpret_cast<u8*>(bytes + length)));
    }

    void flush() {
        if (length == 0) return;
        write_raw(bytes, length);
        length = 0;
    }

    // Bytes of other writers (the C library's buffered streams) go out first, in order.
    static void write_raw(const char* data, std::size_t size) {
        std::fflush(stdout);
        platform::write_all(STDOUT_FILENO, data, size);
    }

  private:
    char bytes[1024];
    std::size_t length = 0;
};

bool is_surrogate(u32 c) { return unicode::is_high_surrogate(c) || unicode::is_low_surrogate(c); }

// Units are copied out first: the bytes of a series need not be 2-byte aligned.
void put_utf16(OutputBuffer& out, const unsigned char* p, std::size_t count) {
    u16 units[256];
    while (count > 0) {
        std::size_t n = count < 256 ? count : 256;
        // Keep a pair together across batches: a high surrogate ending a batch waits.
        if (n < count && unicode::is_high_surrogate(static_cast<u32>(p[2 * n - 2] | p[2 * n - 1] << 8))) --n;
        std::memcpy(units, p, 2 * n);
        for (const u16* u = units; u < units + n;) {
            u32 c;
            u = unicode::decode_utf16_char(u, units + n, c);
            out.put(is_surrogate(c) ? replacement_character : c);
        }
        p += 2 * n;
        count -= n;
    }
}

void put_utf32(OutputBuffer& out, const unsigned char* p, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        u32 c;
        std::memcpy(&c, p + 4 * i, 4);
        out.put(c > 0x10FFFF || is_surrogate(c) ? replacement_character : c);
    }
}

// Writes text and hands it to the output hooks.
void print_text(const char* text, std::size_t size) {
    OutputBuffer::write_raw(text, size);
    run_output_hooks(text, size, false);
}

bool ends_in_white_space(const Arg& a) {
    char last = '\0';
    if (a.kind == Arg::Kind::character) last = a.character;
    if (a.kind == Arg::Kind::text && *a.text) last = a.text[std::strlen(a.text) - 1];
    return last == ' ' || last == '\n' || last == '\r' || last == '\t';
}

void print_arg(const Arg& a) {
    char number[64];
    int size = 0;
    switch (a.kind) {
    case Arg::Kind::logic:
        print_cstr(a.logic ? "true" : "false");
        return;
    case Arg::Kind::character:
        print_text(&a.character, 1);
        return;
    case Arg::Kind::text:
        print_cstr(a.text);
        return;
    case Arg::Kind::integer:
        size = std::snprintf(number, sizeof number, "%lld", static_cast<long long>(a.integer));
        break;
    case Arg::Kind::float32:
        size = std::snprintf(number, sizeof number, "%.7g", static_cast<double>(a.float32));
        break;
    case Arg::Kind::float64:
        size = std::snprintf(number, sizeof number, "%.16g", a.float64);
        break;
    case Arg::Kind::other:
        size = std::snprintf(number, sizeof number, "%08llX", static_cast<unsigned long long>(a.other));
        break;
    }
    print_text(number, static_cast<std::size_t>(size));
}

void print_items(std::initializer_list<Arg> items, bool separated, bool line_end) {
    const Arg* previous = nullptr;
    for (const Arg& a : items) {
        if (separated && previous && !ends_in_white_space(*previous)) print_text(" ", 1);
        print_arg(a);
        previous = &a;
    }
    if (line_end) {
        OutputBuffer::write_raw("\n", 1);
        run_output_hooks("", 0, true);
    }
    std::fflush(nullptr);
}

}  // namespace

void init() { console = isatty(STDOUT_FILENO) == 1; }

bool is_console() { return console; }

void print_typed(std::initializer_list<Arg> items, bool separated) { print_items(items, separated, false); }

void print_typed_line(std::initializer_list<Arg> items, bool separated) { print_items(items, separated, true); }

void print_cstr(const char* text) { print_text(text, std::strlen(text)); }

void write_units(const void* units, std::size_t bytes, int width, bool line_end) {
    const auto* p = static_cast<const unsigned char*>(units);
    OutputBuffer out;
    switch (width) {
    case 1:
        for (std::size_t i = 0; i < bytes; ++i) out.put(p[i]);
        break;
    case 2:
        put_utf16(out, p, bytes / 2);
        break;
    case 4:
        put_utf32(out, p, bytes / 4);
        break;
    default:
        fatal::exit_with_error(fatal::no_switch_match);
    }
    if (line_end) out.put('\n');
}

}  // namespace zel::stdio
