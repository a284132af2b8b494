// Helpers of the datatype tests: values made by hand, actions called through the
// registry's rows, errors caught as their ids, and text of form and mold.
#pragma once
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "boot/runtime.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/text/string-utf8.h"

namespace zel::test {

// The memory manager (form and mold write into series) and the registered datatypes, started
// once for the test program.
inline void ensure_datatypes() {
    static const bool started = (runtime::init(runtime::Stage::datatypes), true);
    (void)started;
}

inline Cell float_cell(double value, Type t = Type::float_) {
    Cell cell{header_of(t), 0, 0, 0};
    std::memcpy(reinterpret_cast<char*>(&cell) + 8, &value, sizeof value);
    return cell;
}

// A string! of UTF-8 text, at a position.
inline Cell string_cell(const std::string& utf8, u32 position = 0) {
    const Node node = unicode::load_utf8_new(reinterpret_cast<const u8*>(utf8.data()), static_cast<u32>(utf8.size()));
    return Cell{header_of(Type::string), position, node, 0};
}

// A binary! of the bytes, at a position.
inline Cell binary_cell(const std::string& bytes, u32 position = 0) {
    const Node node = memory::alloc_bytes(static_cast<u32>(bytes.size()));
    Buffer* b = node::buffer(node);
    std::memcpy(b->head_ptr(), bytes.data(), bytes.size());
    b->tail = b->head + static_cast<u32>(bytes.size());
    return Cell{header_of(Type::binary), position, node, 0};
}

// The id of the error that f raises, or nothing.
template <class F>
std::optional<ErrorId> error_of(F&& f) {
    try {
        f();
    } catch (const ErrorThrow& e) {
        return e.id;
    }
    return std::nullopt;
}

// The value an action leaves, or the error it raises instead.
struct Outcome {
    std::optional<ErrorId> error;
    Cell value{};
};
inline Outcome fails(ErrorId id) { return {id, {}}; }

// Runs `call` (which answers the action's result cell) and checks it against `expected`:
// the same error, or a value equal in every word.
template <class F>
void expect_outcome(const Outcome& expected, F&& call, const std::string& what) {
    Cell result{};
    const std::optional<ErrorId> error = error_of([&] { result = *call(); });
    if (expected.error) {
        EXPECT_EQ(error, expected.error) << what;
        return;
    }
    ASSERT_FALSE(error) << what << " raised error " << static_cast<int>(*error);
    EXPECT_EQ(result.type(), expected.value.type()) << what;
    EXPECT_EQ(static_cast<i32>(result.w2), static_cast<i32>(expected.value.w2)) << what;
    EXPECT_EQ(result.w1, expected.value.w1) << what;
    EXPECT_EQ(result.w3, expected.value.w3) << what;
}

// A binary action (add ... xor~) of two values, run through the left value's row.
struct BinaryCase {
    const char* name;
    sig::on_add ActionRow::*action;
    Cell left;
    Cell right;
    Outcome expected;
};

inline void expect_binary(const BinaryCase& c) {
    expect_outcome(c.expected, [&] {
        Cell left = c.left, right = c.right;
        return (registry().actions(left.type()).*c.action)(&left, &right);
    }, c.name);
}

// make and to of `spec` through a row, each against the expected outcome.
inline void expect_make_and_to(const ActionRow& row, Type target, const Cell& spec, const Outcome& expected,
                               const std::string& what) {
    for (auto action : {&ActionRow::on_make, &ActionRow::on_to}) {
        expect_outcome(expected, [&] {
            Cell prototype{header_of(target), 0, 0, 0};
            return (row.*action)(&prototype, &spec, target);
        }, what);
    }
}

// The refinements of `round`, one at a time.
inline constexpr RoundFlags round_none{};
inline constexpr RoundFlags round_even{.even = true};
inline constexpr RoundFlags round_down{.down = true};
inline constexpr RoundFlags round_half_down{.half_down = true};
inline constexpr RoundFlags round_floor{.floor = true};
inline constexpr RoundFlags round_ceiling{.ceiling = true};
inline constexpr RoundFlags round_half_ceiling{.half_ceiling = true};

// `round` of a value through its row; scale is the /to argument.
struct RoundCase {
    const char* name;
    Cell value;
    std::optional<Cell> scale;
    RoundFlags flags;
    Outcome expected;
};

inline void expect_round(const RoundCase& c) {
    expect_outcome(c.expected, [&] {
        Cell value = c.value;
        return registry().actions(value.type()).on_round(&value, c.scale ? &*c.scale : nullptr, c.flags);
    }, c.name);
}

// Seeding `random` with `seed` answers unset, and the draws up to `bound` that follow
// are the same after each seeding.
inline void expect_seed_replays(const ActionRow& row, const Cell& seed, const Cell& bound) {
    auto draws = [&] {
        Cell seeded = seed;
        EXPECT_TRUE(row.on_random(&seeded, true, false, false)->is(Type::unset));
        std::vector<u64> seen;
        for (int i = 0; i < 8; ++i) {
            Cell drawn = bound;
            row.on_random(&drawn, false, false, false);
            seen.push_back(u64{drawn.w3} << 32 | drawn.w2);
        }
        return seen;
    };
    EXPECT_EQ(draws(), draws());
}

inline std::string molded(const Cell& value, MoldFlags flags = {}, const Cell* part = nullptr) {
    Output out;
    mold(value, flags, part, out);
    return out.utf8();
}

inline std::string formed(const Cell& value, const Cell* part = nullptr) {
    Output out;
    form(value, part, out);
    return out.utf8();
}

}  // namespace zel::test
