// The path! family: path!, lit-path!, set-path! and get-path!, blocks whose elements are
// written joined by "/". They take block!'s actions but for their construction and their
// printed forms, which never break lines; they cannot be sorted, trimmed or shuffled.
#include "runtime/core/raise.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/memory/node.h"
#include "runtime/text/cycle.h"

namespace zel::path {
namespace {

u32 cells_in(const Cell& b) { return node::buffer(b.w2)->cell_count(); }

Cell* make(Cell* prototype, const Cell* spec, Type target) {
    const Type t = spec->type();
    if (!series::any_block(t) && t != Type::integer && t != Type::float_ && t != Type::percent) {
        const Cell type = datatype::of(target);
        raise(ErrorId::script_bad_make_arg, &type, spec);
    }
    Cell number = *spec;
    if (t == Type::percent) cell::set_type(&number, Type::float_);
    return block::make(prototype, &number, target);
}

Cell* to(Cell* prototype, const Cell* spec, Type target) {
    const Type t = spec->type();
    if (t == Type::object || t == Type::typeset || t == Type::map) {
        const Cell value = *spec;
        block::make_at(prototype, 1);
        block::append_value(*prototype, value);
        prototype->header = header_of(target);
        return prototype;
    }
    return block::to(prototype, spec, target);
}

// Writes the elements joined by "/", molded or formed.
i32 write_elements(const Cell& path, Output& out, bool mold, MoldFlags flags, const Cell* part, i32 limit) {
    if (cycle::write_marker_if_seen(path, out.value().w2, &limit, mold)) return limit;
    cycle::Entry guard(path.w2);
    for (u32 i = path.w1; i < cells_in(path); ++i) {
        if (has_part(part) && limit < 1) break;
        if (i != path.w1) {
            out.append_char('/');
            --limit;
        }
        const Cell element = *block::cell_at(path, i);
        limit = mold ? mold_value(element, out, MoldFlags{flags.only, flags.all, flags.flat}, part, limit, 0)
                     : form_value(element, out, part, limit);
    }
    return limit;
}

i32 form(const Cell* value, Output& out, const Cell* part, i32 limit) {
    return write_elements(*value, out, false, {}, part, limit);
}

i32 mold(const Cell* value, Output& out, MoldFlags flags, const Cell* part, i32 limit, i32) {
    return write_elements(*value, out, true, flags, part, limit);
}

i32 mold_lit_path(const Cell* value, Output& out, MoldFlags flags, const Cell* part, i32 limit, i32) {
    out.append_char('\'');
    return write_elements(*value, out, true, flags, part, limit - 1);
}

i32 mold_get_path(const Cell* value, Output& out, MoldFlags flags, const Cell* part, i32 limit, i32) {
    out.append_char(':');
    return write_elements(*value, out, true, flags, part, limit - 1);
}

i32 mold_set_path(const Cell* value, Output& out, MoldFlags flags, const Cell* part, i32 limit, i32) {
    limit = write_elements(*value, out, true, flags, part, limit);
    out.append_char(':');
    return limit - 1;
}

constexpr ActionRecord child_of_path(sig::on_mold mold_action) {
    ActionRecord r;
#define ZEL_ACTION(slot, name, text) r.on_##name = inherit;
#include "runtime/core/action-slots.def"
#undef ZEL_ACTION
    r.on_mold = mold_action;
    return r;
}

}  // namespace
}  // namespace zel::path

namespace zel {

constinit const ActionRecord path_actions = [] {
    ActionRecord r;
#define ZEL_ACTION(slot, name, text) r.on_##name = inherit;
#include "runtime/core/action-slots.def"
#undef ZEL_ACTION
    r.on_make = path::make;
    r.on_to = path::to;
    r.on_form = path::form;
    r.on_mold = path::mold;
    r.on_copy = block::copy;
    r.on_random = nullptr;
    r.on_sort = nullptr;
    r.on_trim = nullptr;
    return r;
}();

constinit const ActionRecord lit_path_actions = path::child_of_path(path::mold_lit_path);
constinit const ActionRecord set_path_actions = path::child_of_path(path::mold_set_path);
constinit const ActionRecord get_path_actions = path::child_of_path(path::mold_get_path);

}  // namespace zel
