#include "runtime/memory/fatal.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "platform/posix/error-box.h"
#include "runtime/memory/heap.h"

namespace zel::fatal {
namespace {

constexpr std::size_t report_capacity = 256;

// Appends to a fixed buffer, dropping what does not fit; the last byte stays for the NUL.
struct Writer {
    char* out;
    std::size_t capacity;
    std::size_t length = 0;

    void put(char c) {
        if (length + 1 < capacity) out[length++] = c;
    }
    void text(const char* s) {
        while (*s) put(*s++);
    }
    void decimal(int n) {
        unsigned magnitude = n < 0 ? 0u - static_cast<unsigned>(n) : static_cast<unsigned>(n);
        char digits[10];
        int count = 0;
        do {
            digits[count++] = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude);
        if (n < 0) put('-');
        while (count) put(digits[--count]);
    }
    void hex8(std::uint32_t n) {
        for (int shift = 28; shift >= 0; shift -= 4) put("0123456789ABCDEF"[(n >> shift) & 0xF]);
    }
};

void show_report(int code, std::uintptr_t address) {
    char report[report_capacity];
    format_report(report, sizeof report, code, address);
    platform::error_box(caption, report);
}

}  // namespace

const char* message(int code) {
    switch (code) {
#define ZEL_FATAL(code, text) \
    case code:                \
        return text;
#include "runtime/memory/fatal-errors.def"
#undef ZEL_FATAL
    default:
        return "unknown error code!";
    }
}

std::size_t format_report(char* out, std::size_t capacity, int code, std::uintptr_t address) {
    if (capacity == 0) return 0;
    Writer w{out, capacity};
    w.text("*** Runtime Error ");
    w.decimal(code);
    w.text(": ");
    w.text(message(code));
    w.text("\n*** at: ");
    // The report keeps the 32-bit width of its format: the low half of the address.
    w.hex8(static_cast<std::uint32_t>(address));
    w.put('h');
    out[w.length] = '\0';
    return w.length;
}

void exit_with_error(int code, std::uintptr_t address) {
    std::fflush(nullptr);
    if (code != 0) show_report(code, address);
    heap::free_all();
    std::_Exit(code);
}

void exit_from_signal(int code, std::uintptr_t address) {
    show_report(code, address);
    _exit(code);
}

}  // namespace zel::fatal
