// What the collector reads in a value cell: for each type id, which payload words name
// something to keep alive and how. One table over the type ids; a type without a row holds
// nothing the collector cares for.
#pragma once
#include <array>
#include <cstddef>

#include "runtime/core/cell.h"

namespace zel::gc {

enum class Use : u8 {
    nothing,
    series,       // a node: its buffer, and its cells when it holds cells
    table,        // a hash table's node: the series, then the table's own series
    values,       // context!: the values block, unless the values live on the evaluation stack
    op_context,   // op!: the wrapped function's context, when it wraps a function! or routine!
    event_block,  // event!: a block, when the header says the event was made from values
    resource,     // handle!: the native resource entry of that index, when not negative
};

struct Rule {
    Use w1 = Use::nothing;
    Use w2 = Use::nothing;
    Use w3 = Use::nothing;
};

namespace mark_rules {

struct Row {
    Type type;
    Rule rule;
};

constexpr Use o = Use::nothing;
constexpr Use s = Use::series;

constexpr Row rows[] = {
    {Type::block, {o, s, o}},
    {Type::paren, {o, s, o}},
    {Type::path, {o, s, o}},
    {Type::lit_path, {o, s, o}},
    {Type::set_path, {o, s, o}},
    {Type::get_path, {o, s, o}},
    {Type::bitset, {o, s, o}},
    {Type::vector, {o, s, o}},
    {Type::binary, {o, s, o}},
    {Type::image, {o, s, o}},
    // Word 3 of a string is its conversion buffer.
    {Type::string, {o, s, s}},
    {Type::file, {o, s, s}},
    {Type::url, {o, s, s}},
    {Type::tag, {o, s, s}},
    {Type::email, {o, s, s}},
    {Type::ref, {o, s, s}},
    {Type::symbol, {o, s, s}},
    {Type::context, {Use::table, Use::values, o}},
    {Type::word, {s, o, o}},
    {Type::set_word, {s, o, o}},
    {Type::lit_word, {s, o, o}},
    {Type::get_word, {s, o, o}},
    {Type::refinement, {s, o, o}},
    {Type::native, {o, s, s}},
    {Type::action, {o, s, s}},
    {Type::op, {Use::op_context, s, s}},
    {Type::function, {s, s, s}},
    {Type::routine, {s, s, s}},
    {Type::object, {s, o, s}},
    {Type::error, {s, o, s}},
    {Type::port, {s, o, s}},
    {Type::hash, {o, s, Use::table}},
    {Type::map, {o, s, Use::table}},
    {Type::handle, {o, o, Use::resource}},
    {Type::event, {o, Use::event_block, o}},
};

constexpr std::array<Rule, 256> build() {
    std::array<Rule, 256> table{};
    for (const Row& r : rows) table[static_cast<u8>(r.type)] = r.rule;
    return table;
}

}  // namespace mark_rules

inline constexpr std::array<Rule, 256> mark_rule = mark_rules::build();

// Types whose cells name nothing to keep alive: the cells of a large block of data
// (numbers, chars, logic values) are passed over with this one test each.
inline constexpr std::array<bool, 256> names_nothing = [] {
    std::array<bool, 256> table{};
    for (std::size_t t = 0; t < table.size(); ++t)
        table[t] = mark_rule[t].w1 == Use::nothing && mark_rule[t].w2 == Use::nothing && mark_rule[t].w3 == Use::nothing;
    return table;
}();

}  // namespace zel::gc
