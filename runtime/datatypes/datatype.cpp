#include "runtime/datatypes/datatype.h"

#include <string_view>

#include "runtime/core/cell-views.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/names/context.h"
#include "runtime/names/symbol.h"

namespace zel::datatype {
namespace {

const TypeInfo& named(const Cell* value) { return type_info(static_cast<Type>(as_datatype(*value).type_id)); }

i32 form(const Cell* value, Output& out, const Cell*, i32 limit) {
    const TypeInfo& info = named(value);
    out.append_ascii(std::string_view(info.name, info.form_length));
    return limit - static_cast<i32>(info.form_length);
}

i32 mold(const Cell* value, Output& out, MoldFlags flags, const Cell*, i32 limit, i32) {
    const std::string_view name = named(value).name;
    if (flags.all) out.append_ascii("#(");
    out.append_ascii(name);
    if (flags.all) out.append_ascii(")");
    return limit - static_cast<i32>(name.size()) - (flags.all ? 3 : 0);
}

i32 compare(const Cell* value1, const Cell* value2, i32 code) {
    if (!compare_code::asks_equality(code)) return not_comparable;
    return value2->is(Type::datatype) && value2->w1 == value1->w1 ? 0 : 1;
}

}  // namespace

void set_name_words() {
#define ZEL_TYPE(id, cpp_name, name, parent, families)                          \
    {                                                                           \
        Cell word = context::make_global_word(symbol::intern_cstring(name));  \
        context::set_word(word, of(Type::cpp_name));                            \
    }
#include "runtime/core/types.def"
#undef ZEL_TYPE
}

}  // namespace zel::datatype

namespace zel {

constinit const ActionRecord datatype_actions = [] {
    ActionRecord r;
    r.on_form = datatype::form;
    r.on_mold = datatype::mold;
    r.on_compare = datatype::compare;
    return r;
}();

}  // namespace zel
