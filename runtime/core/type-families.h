// Type families: the groups of datatypes that the language names as typesets (number!,
// any-word!, any-block!, series!, ...) and that the C++ code tests. Membership is the
// families column of the types table and nothing else, so the two cannot drift apart.
#pragma once
#include "runtime/core/cell.h"

namespace zel {

namespace family {
enum : u32 {
    none = 0,
    number = 1u << 0,
    any_word = 1u << 1,  // the four word forms
    all_word = 1u << 2,  // the word forms, refinement! and issue!
    any_list = 1u << 3,
    any_path = 1u << 4,
    any_block = 1u << 5,
    any_function = 1u << 6,
    any_object = 1u << 7,
    any_string = 1u << 8,
    series = 1u << 9,
};
}  // namespace family

// The language's name of each family, as the global word its typeset is bound to.
struct FamilyName {
    u32 family;
    const char* word;
};
inline constexpr FamilyName family_names[] = {
    {family::number, "number!"},         {family::any_word, "any-word!"},       {family::all_word, "all-word!"},
    {family::any_list, "any-list!"},     {family::any_path, "any-path!"},       {family::any_block, "any-block!"},
    {family::any_function, "any-function!"}, {family::any_object, "any-object!"}, {family::any_string, "any-string!"},
    {family::series, "series!"},
};

namespace type_families_detail {
struct Table {
    u32 rows[256]{};
    constexpr Table() {
        // The column names the families bare; these locals give them their bits.
        constexpr u32 none = family::none, number = family::number, any_word = family::any_word,
                      all_word = family::all_word, any_list = family::any_list, any_path = family::any_path,
                      any_block = family::any_block, any_function = family::any_function,
                      any_object = family::any_object, any_string = family::any_string, series = family::series;
#define ZEL_TYPE(id, cpp, text, parent, families) rows[id] = (families);
#include "runtime/core/types.def"
#undef ZEL_TYPE
    }
};
inline constexpr Table table{};
}  // namespace type_families_detail

// The families of a type id, a bit per family.
constexpr u32 families_of(Type t) { return type_families_detail::table.rows[static_cast<u8>(t)]; }
constexpr bool in_family(Type t, u32 f) { return (families_of(t) & f) != 0; }

}  // namespace zel
