#include "runtime/text/utf8.h"

namespace zel::unicode {
namespace {

// Byte classes: what a byte can be in a sequence.
enum ByteClass : u8 {
    ascii = 0,
    cont_80_8f = 1,   // continuation that may follow F4 (and any lead but E0, F0)
    lead_2 = 2,       // C2-DF
    lead_3 = 3,       // E1-EC, EE-EF
    lead_ed = 4,      // ED: its next byte must stay below A0 (no surrogates)
    lead_f4 = 5,      // F4: its next byte must stay below 90 (no value above U+10FFFF)
    lead_4 = 6,       // F1-F3
    cont_a0_bf = 7,   // continuation that may follow E0 and F0
    never = 8,        // C0-C1 (overlong only) and F5-FF
    cont_90_9f = 9,   // continuation that may follow F0 but not E0, ED or F4
    lead_e0 = 10,     // E0: its next byte must be A0 or above (no overlong form)
    lead_f0 = 11,     // F0: its next byte must be 90 or above (no overlong form)
};

// States, each a row of transitions.
enum State : u8 {
    accept = utf8_accept,
    reject = utf8_reject,
    need_1 = 24,        // one continuation byte to go
    need_2 = 36,        // two to go
    after_e0 = 48,      // then A0-BF, then one more
    after_ed = 60,      // then 80-9F, then one more
    after_f0 = 72,      // then 90-BF, then two more
    after_f1_f3 = 84,   // then any continuation, then two more
    after_f4 = 96,      // then 80-8F, then two more
    state_end = 108,
};

struct ClassRange {
    u8 first, last;
    ByteClass cls;
};

constexpr ClassRange class_ranges[] = {
    {0x00, 0x7F, ascii},      {0x80, 0x8F, cont_80_8f}, {0x90, 0x9F, cont_90_9f},
    {0xA0, 0xBF, cont_a0_bf}, {0xC0, 0xC1, never},      {0xC2, 0xDF, lead_2},
    {0xE0, 0xE0, lead_e0},    {0xE1, 0xEC, lead_3},     {0xED, 0xED, lead_ed},
    {0xEE, 0xEF, lead_3},     {0xF0, 0xF0, lead_f0},    {0xF1, 0xF3, lead_4},
    {0xF4, 0xF4, lead_f4},    {0xF5, 0xFF, never},
};

struct Transition {
    State from;
    ByteClass cls;
    State to;
};

// Every transition not listed goes to reject.
constexpr Transition transitions[] = {
    {accept, ascii, accept},         {accept, lead_2, need_1},
    {accept, lead_3, need_2},        {accept, lead_e0, after_e0},
    {accept, lead_ed, after_ed},     {accept, lead_f0, after_f0},
    {accept, lead_4, after_f1_f3},   {accept, lead_f4, after_f4},
    {need_1, cont_80_8f, accept},    {need_1, cont_90_9f, accept},
    {need_1, cont_a0_bf, accept},    {need_2, cont_80_8f, need_1},
    {need_2, cont_90_9f, need_1},    {need_2, cont_a0_bf, need_1},
    {after_e0, cont_a0_bf, need_1},  {after_ed, cont_80_8f, need_1},
    {after_ed, cont_90_9f, need_1},  {after_f0, cont_90_9f, need_2},
    {after_f0, cont_a0_bf, need_2},  {after_f1_f3, cont_80_8f, need_2},
    {after_f1_f3, cont_90_9f, need_2}, {after_f1_f3, cont_a0_bf, need_2},
    {after_f4, cont_80_8f, need_2},
};

constexpr std::array<u8, 256 + state_end> build_automaton() {
    std::array<u8, 256 + state_end> table{};
    for (const ClassRange& r : class_ranges)
        for (unsigned b = r.first; b <= r.last; ++b) table[b] = r.cls;
    for (unsigned i = 256; i < table.size(); ++i) table[i] = reject;
    for (const Transition& t : transitions) table[std::size_t{256} + t.from + t.cls] = t.to;
    return table;
}

}  // namespace

constinit const std::array<u8, 364> utf8_automaton = build_automaton();

namespace {

struct Step {
    std::size_t length;  // bytes that belong to the character (or to the broken sequence)
    u32 state;
    u32 code;
};

// Runs the automaton from p until it accepts, rejects or reaches end. A rejecting byte
// other than the first is not counted: it may start the next character.
Step run(const u8* p, const u8* end) {
    u32 state = accept, code = 0;
    std::size_t n = 0;
    while (p + n < end) {
        u8 byte = p[n];
        u32 cls = utf8_automaton[byte];
        code = state == accept ? (0xFFu >> cls) & byte : (code << 6) | (byte & 0x3Fu);
        state = utf8_automaton[256 + state + cls];
        if (state == reject) return {n == 0 ? 1 : n, state, 0};
        ++n;
        if (state == accept) return {n, state, code};
    }
    return {n, state, code};
}

}  // namespace

i32 decode_utf8_char(const u8* p, std::size_t& available) {
    Step s = run(p, p + available);
    if (s.state == accept) {
        available = s.length;
        return static_cast<i32>(s.code);
    }
    if (s.state == reject) {
        available = s.length;
        return utf8_invalid;
    }
    return utf8_truncated;
}

int utf8_size_of_char(u32 cp) {
    if (cp < 0x80) return 1;
    if (cp < 0x800) return 2;
    if (cp < 0x10000) return 3;
    return cp <= max_code_point ? 4 : 0;
}

int encode_utf8_char(u32 cp, u8* out) {
    int n = utf8_size_of_char(cp);
    switch (n) {
    case 1:
        out[0] = static_cast<u8>(cp);
        break;
    case 2:
        out[0] = static_cast<u8>(0xC0 | cp >> 6);
        out[1] = static_cast<u8>(0x80 | (cp & 0x3F));
        break;
    case 3:
        out[0] = static_cast<u8>(0xE0 | cp >> 12);
        out[1] = static_cast<u8>(0x80 | (cp >> 6 & 0x3F));
        out[2] = static_cast<u8>(0x80 | (cp & 0x3F));
        break;
    case 4:
        out[0] = static_cast<u8>(0xF0 | cp >> 18);
        out[1] = static_cast<u8>(0x80 | (cp >> 12 & 0x3F));
        out[2] = static_cast<u8>(0x80 | (cp >> 6 & 0x3F));
        out[3] = static_cast<u8>(0x80 | (cp & 0x3F));
        break;
    }
    return n;
}

}  // namespace zel::unicode
