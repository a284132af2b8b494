#include "runtime/datatypes/standard.h"

#include <algorithm>
#include <string_view>

#include "runtime/core/cell-views.h"
#include "runtime/core/hooks.h"
#include "runtime/core/money-word.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/error-catalog.h"
#include "runtime/datatypes/object.h"
#include "runtime/datatypes/series.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/roots.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/names/context.h"
#include "runtime/names/symbol.h"

namespace zel::standard {

References refs{};

namespace {

struct FieldInfo {
    const char* record;
    const char* name;
    u32 index;
};

constexpr u32 field_count = 0
#define ZEL_STANDARD_FIELD(record, name, text) +1
#include "runtime/datatypes/standard-fields.def"
#undef ZEL_STANDARD_FIELD
    ;

// Slot indexes count from 0 within each record, in the order of the table.
struct Fields {
    FieldInfo table[field_count]{};
    constexpr Fields() {
        u32 i = 0;
        const char* record = nullptr;
        u32 next = 0;
        auto add = [&](const char* r, const char* name) {
            if (!record || std::string_view(record) != r) next = 0;
            record = r;
            table[i++] = FieldInfo{r, name, next++};
        };
#define ZEL_STANDARD_FIELD(record, name, text) add(#record, text);
#include "runtime/datatypes/standard-fields.def"
#undef ZEL_STANDARD_FIELD
    }
};

constexpr Fields fields{};

Cell prototype(std::string_view record, u32 class_id) {
    const Cell obj = object::init_empty(8);
    for (const FieldInfo& f : fields.table) {
        if (record != f.record) continue;
        const Cell word{header_of(Type::word), 0, symbol::intern_cstring(f.name), context::no_index};
        context::put_value(obj.w1, word, none_cell);
    }
    return object::make_value(obj.w1, class_id, 0);
}

Cell* root_cell(const Cell& value) {
    Cell* cell = series_buffer::append_cell(roots::block());
    *cell = value;
    return cell;
}

}  // namespace

u32 index_of(Field f) { return fields.table[static_cast<u32>(f)].index; }

void init() {
    const Cell errors = error_catalog::build();
    const Cell error = prototype("error", class_id::error);
    const Cell port = prototype("port", class_id::port);
    const Cell url_parts = prototype("url_parts", class_id::url_parts);
    const Cell schemes{header_of(Type::block), 0, memory::alloc_cells(10), 0};
    refs.errors = root_cell(errors);
    refs.error = root_cell(error);
    refs.port = root_cell(port);
    refs.url_parts = root_cell(url_parts);
    refs.schemes = root_cell(schemes);
    refs.stack_trace = root_cell(Cell{header_of(Type::integer), 0, 1, 0});
    refs.system = root_cell(none_cell);
}

void reset() {
    refs = References{};
}

bool ready() { return refs.errors != nullptr; }

namespace {

// The class id of the object a record describes (records without a fixed class: 0).
u32 class_of_record(std::string_view record) {
    if (record == "system") return class_id::system;
    if (record == "state") return class_id::state;
    if (record == "callbacks") return class_id::callbacks;
    if (record == "locale") return class_id::locale;
    if (record == "currencies") return class_id::currencies;
    if (record == "options") return class_id::options;
    if (record == "script") return class_id::script;
    if (record == "standard") return class_id::standard;
    return 0;
}

// The field of an object: by its index in the object the start-up built (known by its
// class id), by its name in any other object put in its place; null when it has none.
const Cell* field_of(const Cell& obj, Field f) {
    const FieldInfo& info = fields.table[static_cast<u32>(f)];
    if (!obj.is(Type::object)) return nullptr;
    u32 index = info.index;
    if (as_object(obj).class_id != class_of_record(info.record)) {
        const i32 found = context::find_symbol(as_object(obj).context, symbol::intern_cstring(info.name), true);
        if (found < 0) return nullptr;
        index = static_cast<u32>(found);
    }
    if (index >= object::field_count(obj)) return nullptr;
    return object::values_head(obj) + index;
}

// The object a record describes, as `system` holds it.
const Cell* record_object(std::string_view record) {
    if (record == "system") return refs.system;
    if (record == "state") return system_value({Field::system_state});
    if (record == "callbacks") return system_value({Field::system_state, Field::state_callbacks});
    if (record == "locale") return system_value({Field::system_locale});
    if (record == "currencies") return system_value({Field::system_locale, Field::locale_currencies});
    if (record == "options") return system_value({Field::system_options});
    if (record == "script") return system_value({Field::system_script});
    if (record == "standard") return system_value({Field::system_standard});
    return nullptr;
}

// A code a script appended to system/locale/currencies/list: its position in the list.
u32 added_currency_index(const char* code) {
    const Cell* found = system_value({Field::system_locale, Field::locale_currencies, Field::currencies_list});
    if (!found || !found->is(Type::block)) return 0;
    const Cell list = *found;
    const u32 n = std::min(series::buffer_length(list), money_word::currency_limit);
    for (u32 i = money_word::currency_count; i < n; ++i) {
        const Cell item = *block::cell_at(list, i);
        if (!item.is(Type::word)) continue;
        const std::string_view name = symbol::name(as_word(item).symbol);
        u32 k = 0;
        while (k < 3 && name.size() == 3 && (name[k] & ~0x20) == (code[k] & ~0x20)) ++k;
        if (k == 3) return i + 1;
    }
    return 0;
}

bool added_currency_code(u32 index, char* code) {
    const Cell* found = system_value({Field::system_locale, Field::locale_currencies, Field::currencies_list});
    if (!found || !found->is(Type::block) || index > series::buffer_length(*found)) return false;
    const Cell item = *block::cell_at(*found, index - 1);
    if (!item.is(Type::word)) return false;
    const std::string_view name = symbol::name(as_word(item).symbol);
    if (name.size() != 3) return false;
    for (u32 k = 0; k < 3; ++k) code[k] = static_cast<char>(name[k] >= 'a' && name[k] <= 'z' ? name[k] - 32 : name[k]);
    code[3] = 0;
    return true;
}

}  // namespace

void adopt_system(const Cell& system) {
    *refs.system = system;
    hooks::added_currency_index = added_currency_index;
    hooks::added_currency_code = added_currency_code;
}

const char* misplaced_system_field() {
    for (const FieldInfo& f : fields.table) {
        if (class_of_record(f.record) == 0) continue;
        const Cell* obj = record_object(f.record);
        if (!obj || !obj->is(Type::object) || as_object(*obj).class_id != class_of_record(f.record) ||
            f.index >= object::field_count(*obj))
            return f.name;
        const Cell word = *context::word_at(as_object(*obj).context, f.index);
        if (symbol::canonical_id(as_word(word).symbol) != symbol::canonical_id(symbol::intern_cstring(f.name)))
            return f.name;
    }
    return nullptr;
}

const Cell* system_value(std::initializer_list<Field> path) {
    if (!refs.system) return nullptr;
    const Cell* at = refs.system;
    for (Field f : path) {
        at = field_of(*at, f);
        if (!at) return nullptr;
    }
    return at;
}

bool set_system_value(std::initializer_list<Field> path, const Cell& value) {
    Cell* at = const_cast<Cell*>(system_value(path));
    if (at) *at = value;
    return at != nullptr;
}

Cell stack_trace() {
    const Cell* depth = system_value({Field::system_state, Field::state_stack_trace});
    return depth ? *depth : *refs.stack_trace;
}

}  // namespace zel::standard
