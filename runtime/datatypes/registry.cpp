#include "runtime/datatypes/registry.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "runtime/core/hooks.h"
#include "runtime/core/raise.h"
#include "runtime/core/type-families.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/error.h"
#include "runtime/datatypes/standard.h"
#include "runtime/datatypes/word.h"
#include "runtime/memory/heap.h"

namespace zel {

// The record of a type whose actions are not built: every slot unsupported.
constinit const ActionRecord no_actions{};

namespace {

constexpr TypeInfo no_type{"", 0, Type{0}};

struct TypeTable {
    TypeInfo rows[max_type_id + 1]{};
    constexpr TypeTable() {
        for (TypeInfo& row : rows) row = no_type;
        // Parents are named by their C++ names; their ids come from the same table.
#define ZEL_TYPE(id, cpp, text, parent, families) \
    rows[id] = TypeInfo{text, static_cast<u32>(std::char_traits<char>::length(text)) - 1, Type{parent_id(#parent)}};
#include "runtime/core/types.def"
#undef ZEL_TYPE
    }
    static constexpr u8 parent_id(std::string_view parent) {
#define ZEL_TYPE(id, cpp, text, parent_name, families) \
    if (parent == #cpp) return id;
#include "runtime/core/types.def"
#undef ZEL_TYPE
        return 0;
    }
};

constexpr TypeTable type_table{};

// A registration fault is a build fault of the runtime: report it and stop.
[[noreturn]] void datatype_error(const char* what, Type t, const char* detail_label = nullptr, u32 detail = 0) {
    std::fprintf(stderr, "*** Datatype Error: %s for type: %u\n", what, static_cast<u32>(t));
    if (detail_label) std::fprintf(stderr, "*** %s: %u\n", detail_label, detail);
    std::fflush(stderr);
    heap::free_all();
    std::_Exit(1);
}

}  // namespace

const TypeInfo& type_info(Type t) {
    return type_table.rows[static_cast<u8>(t) <= max_type_id ? static_cast<u8>(t) : 0];
}

void Registry::register_type(Type t, const ActionRecord& record) {
    const u32 id = static_cast<u8>(t);
    if (id == 0 || id > max_type_id) datatype_error("invalid type id", t, "Expected at most", max_type_id);
    if (registered_[id]) datatype_error("registered twice", t);
    const Type parent = type_info(t).parent;
    const u32 parent_id = static_cast<u8>(parent);
    if (parent_id != 0 && !registered_[parent_id]) datatype_error("parent not registered", t, "Parent", parent_id);

    const ActionRow& inherited = rows_[parent_id];
    ActionRow& row = rows_[id];
#define ZEL_ACTION(slot, name, text)                                                          \
    if (record.on_##name.inherits) {                                                         \
        if (parent_id == 0) datatype_error("inherited action without a parent", t, "Slot", slot); \
        row.on_##name = inherited.on_##name;                                                 \
    } else {                                                                                 \
        row.on_##name = record.on_##name.fn;                                                 \
    }
#include "runtime/core/action-slots.def"
#undef ZEL_ACTION

    registered_[id] = true;
    if (id > highest_) highest_ = id;
}

Registry& registry() {
    static Registry instance;
    return instance;
}

void register_datatypes() {
#define ZEL_REGISTER(type, record) registry().register_type(Type::type, record);
#include "runtime/datatypes/registration-order.def"
#undef ZEL_REGISTER
    hooks::compare_values = compare_values;
    // An error raised before the catalogue exists travels without its error! value.
    hooks::make_error = [](ErrorId id, const Cell* arg1, const Cell* arg2, const Cell* arg3) {
        return standard::ready() ? error::create(id, arg1, arg2, arg3) : none_cell;
    };
}

namespace {
bool call_open() { return hooks::call_open && hooks::call_open(); }
}  // namespace

Cell calling_word() { return call_open() ? hooks::current_call_word() : unset_cell; }

void raise_expect_arg(const Cell& value, u32 parameter) {
    const Cell type = datatype::of(value.type());
    if (!call_open()) raise(ErrorId::script_expect_arg, &unset_cell, &type, &unset_cell);
    const Cell call = hooks::current_call_word();
    const Cell word = hooks::current_param_word(parameter);
    raise(ErrorId::script_expect_arg, &call, &type, &word);
}

Type dispatch_type(const Cell& first) {
    return first.is(Type::datatype) ? static_cast<Type>(first.w1) : first.type();
}

bool compare_truth(const Cell& value1, const Cell& value2, i32 result, i32 code) {
    if (result == not_comparable && compare_code::asks_order(code))
        raise(ErrorId::script_invalid_compare, &value1, &value2);
    return ordering_truth(result, code);
}

bool compare_values(const Cell& value1, const Cell& value2, i32 code) {
    const sig::on_compare compare = actions_of(value1).on_compare;
    const i32 result = compare ? compare(&value1, &value2, code) : not_comparable;
    return compare_truth(value1, value2, result, code);
}

namespace {

// The types that have no order under the ordering codes, yet place two of their values in
// a raw ordering all the same: by their sort order, whatever the code asked.
bool ordered_by_sort_alone(Type t) {
    switch (t) {
    case Type::logic:
    case Type::native:
    case Type::action:
    case Type::op:
    case Type::function:
    case Type::routine: return true;
    default: return false;
    }
}

}  // namespace

i32 compare_result(const Cell& value1, const Cell& value2, i32 code) {
    const Type t = value1.type();
    if (value2.type() == t && ordered_by_sort_alone(t)) code = compare_code::sort;
    const sig::on_compare compare = actions_of(value1).on_compare;
    return compare ? compare(&value1, &value2, code) : not_comparable;
}

i32 compare_elements(const Cell& element1, const Cell& element2, i32 code) {
    const Type t1 = element1.type();
    const Type t2 = element2.type();
    const bool related = t1 == t2 || (word::any_word_type(t1) && word::any_word_type(t2)) || (in_family(t1, family::number) && in_family(t2, family::number));
    if (!related) return (t1 > t2) - (t1 < t2);
    return compare_result(element1, element2, code);
}

}  // namespace zel
