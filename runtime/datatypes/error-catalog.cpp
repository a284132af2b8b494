#include "runtime/datatypes/error-catalog.h"

#include <cstring>
#include <string_view>

#include "runtime/core/error-ids.h"
#include "runtime/datatypes/object.h"
#include "runtime/datatypes/standard.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/names/context.h"
#include "runtime/names/symbol.h"
#include "runtime/text/string-utf8.h"

namespace zel::error_catalog {
namespace {

Cell named(Type t, std::string_view name) {
    return Cell{header_of(t), 0, symbol::intern(name), context::no_index};
}

// One item of a template: a quoted string, a word or a get-word; `p` moves past it.
Cell read_item(const char*& p) {
    if (*p == '"') {
        const char* end = std::strchr(p + 1, '"');
        const Node text = unicode::load_utf8_new(reinterpret_cast<const u8*>(p + 1), static_cast<u32>(end - p - 1));
        p = end + 1;
        return Cell{header_of(Type::string), 0, text, 0};
    }
    const Type t = *p == ':' ? Type::get_word : Type::word;
    if (t == Type::get_word) ++p;
    const char* start = p;
    while (*p && *p != ' ' && *p != ']') ++p;
    return named(t, std::string_view(start, static_cast<std::size_t>(p - start)));
}

void skip_spaces(const char*& p) {
    while (*p == ' ') ++p;
}

Cell object_of(std::initializer_list<std::pair<std::string_view, Cell>> fields) {
    const Cell obj = object::init_empty(static_cast<u32>(fields.size()));
    for (const auto& [name, value] : fields) context::put_value(obj.w1, named(Type::word, name), value);
    return obj;
}

Cell text(const char* s) {
    return Cell{header_of(Type::string), 0,
                unicode::load_utf8_new(reinterpret_cast<const u8*>(s), static_cast<u32>(std::strlen(s))), 0};
}

}  // namespace

Cell read_template(const char* source) {
    const char* p = source;
    if (*p != '[') return read_item(p);
    const Cell block{header_of(Type::block), 0, memory::alloc_cells(4), 0};
    ++p;
    for (skip_spaces(p); *p && *p != ']'; skip_spaces(p)) {
        const Cell item = read_item(p);
        *series_buffer::append_cell(block) = item;
    }
    return block;
}

Cell build() {
    constexpr u32 categories = 0
#define ZEL_ERROR_CATEGORY(name, text, code, title) +1
#define ZEL_ERROR(category, name, text, templ)
#include "runtime/core/error-catalog.def"
#undef ZEL_ERROR
#undef ZEL_ERROR_CATEGORY
        ;
    Cell category_objects[categories];
    for (u32 c = 0; c < categories; ++c) {
        const ErrorCategoryInfo& info = error_category_info(static_cast<ErrorCategory>(c));
        category_objects[c] = object_of({{"code", Cell{header_of(Type::integer), 0, info.code, 0}},
                                         {"type", text(info.title)}});
    }
#define ZEL_ERROR_CATEGORY(name, text, code, title)
#define ZEL_ERROR(category, name, text, templ)                                             \
    context::put_value(category_objects[static_cast<u32>(ErrorCategory::category)].w1, \
                       named(Type::word, text), read_template(templ));
#include "runtime/core/error-catalog.def"
#undef ZEL_ERROR
#undef ZEL_ERROR_CATEGORY

    const Cell errors = object::init_empty(categories);
    for (u32 c = 0; c < categories; ++c) {
        const Cell category = object::make_value(category_objects[c].w1, standard::class_id::first_category + 2 * c, 0);
        context::put_value(errors.w1, named(Type::word, error_category_info(static_cast<ErrorCategory>(c)).name),
                           category);
    }
    return object::make_value(errors.w1, standard::class_id::catalog_errors, 0);
}

}  // namespace zel::error_catalog
