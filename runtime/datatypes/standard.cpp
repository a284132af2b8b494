#include "runtime/datatypes/standard.h"

#include "runtime/datatypes/error-catalog.h"
#include "runtime/datatypes/object.h"
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
}

void reset() {
    refs = References{};
}

bool ready() { return refs.errors != nullptr; }

}  // namespace zel::standard
