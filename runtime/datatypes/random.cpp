#include "runtime/datatypes/random.h"

#include <sys/random.h>

#include <cerrno>

#include "runtime/memory/fatal.h"

namespace zel::random {
namespace {

constexpr int state_size = 624;
constexpr int shift_size = 397;
constexpr u32 matrix_a = 0x9908B0DF;
constexpr u32 upper_mask = 0x80000000;
constexpr u32 lower_mask = 0x7FFFFFFF;
constexpr u32 start_seed = 19650218;

struct Generator {
    u32 state[state_size];
    int index = state_size;

    void seed(u32 value) {
        state[0] = value;
        for (int i = 1; i < state_size; ++i) {
            state[i] = 1812433253u * (state[i - 1] ^ (state[i - 1] >> 30)) + static_cast<u32>(i);
        }
        index = state_size;
    }

    void regenerate() {
        for (int i = 0; i < state_size; ++i) {
            const u32 y = (state[i] & upper_mask) | (state[(i + 1) % state_size] & lower_mask);
            state[i] = state[(i + shift_size) % state_size] ^ (y >> 1) ^ ((y & 1) ? matrix_a : 0);
        }
        index = 0;
    }

    u32 next() {
        if (index >= state_size) regenerate();
        u32 y = state[index++];
        y ^= y >> 11;
        y ^= (y << 7) & 0x9D2C5680;
        y ^= (y << 15) & 0xEFC60000;
        y ^= y >> 18;
        return y;
    }
};

Generator& generator() {
    static Generator g = [] {
        Generator fresh;
        fresh.seed(start_seed);
        return fresh;
    }();
    return g;
}

}  // namespace

void seed(u32 value) { generator().seed(value); }

u32 next() { return generator().next(); }

u32 secure_int31() {
    u32 bytes = 0;
    ssize_t got = 0;
    do {
        got = getrandom(&bytes, sizeof bytes, 0);
    } while (got < 0 && errno == EINTR);
    // Without the kernel's generator there is no secure draw; never answer a predictable one.
    if (got != static_cast<ssize_t>(sizeof bytes)) fatal::exit_with_error(fatal::unknown_error);
    return bytes & 0x7FFFFFFF;
}

u32 int31(bool secure) { return secure ? secure_int31() : next() & 0x7FFFFFFF; }

i32 int_up_to(bool secure, i32 n) {
    if (n == 0) return 0;
    // The magnitude of n fits 31 bits except for the minimum integer, whose 2^31 outcomes
    // are exactly the 31-bit draws.
    if (n == INT32_MIN) return -1 - static_cast<i32>(int31(secure));
    const u32 bound = static_cast<u32>(n < 0 ? -n : n);
    const u32 limit = 0x7FFFFFFFu - 0x7FFFFFFFu % bound;
    u32 draw = int31(secure);
    while (draw >= limit) draw = int31(secure);
    const i32 value = static_cast<i32>(draw % bound) + 1;
    return n < 0 ? -value : value;
}

}  // namespace zel::random
