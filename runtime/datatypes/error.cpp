#include "runtime/datatypes/error.h"

#include "runtime/core/hooks.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/object.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/names/context.h"
#include "runtime/names/runtime-words.h"
#include "runtime/names/symbol.h"

namespace zel::error {
namespace {

using standard::Field;

constexpr i32 message_item_chars = 80;
constexpr i32 near_chars = 40;
// The first room of a kept call trace: most traces are a few calls deep.
constexpr i32 stack_trace_room = 20;

Cell word_of(const char* name) {
    return Cell{header_of(Type::word), 0, symbol::intern_cstring(name), context::no_index};
}

Cell integer(u32 v) { return Cell{header_of(Type::integer), 0, v, 0}; }

u32 length_of(const Cell& block) {
    const u32 n = node::buffer(block.w2)->cell_count();
    return block.w1 < n ? n - block.w1 : 0;
}

Cell item(const Cell& block, u32 i) {
    return reinterpret_cast<Cell*>(node::buffer(block.w2)->head_ptr())[block.w1 + i];
}

const Cell& catalogue() { return *standard::refs.errors; }

// The catalogue field a word names (any case), or -1; the object it holds, when it is one.
i32 lookup(const Cell& obj, const Cell& word, Cell* found) {
    if (!word.is(Type::word)) return -1;
    const i32 i = object::field_index(obj, word);
    if (i >= 0 && found) *found = *object::select_field(obj, word);
    return i;
}

// A new error! over a copy of the prototype, with nothing set.
Cell blank() {
    const Cell copy = object::clone(*standard::refs.error, false, nullptr, false);
    return object::make_value(copy.w1, standard::class_id::error_value, 0, Type::error);
}

void set_field(const Cell& err, Field f, const Cell& value) { *field(err, f) = value; }

[[noreturn]] void invalid_spec_field(const char* name) {
    const Cell word = word_of(name);
    raise(ErrorId::script_invalid_spec_field, &word);
}

// Checks `type` and `id` against the catalogue and sets `code` from their positions.
void settle_code(const Cell& err) {
    Cell category;
    const i32 c = lookup(catalogue(), *field(err, Field::error_type), &category);
    if (c < 0 || !category.is(Type::object)) invalid_spec_field("type");
    const i32 i = lookup(category, *field(err, Field::error_id), nullptr);
    if (i < 2) invalid_spec_field("id");
    set_field(err, Field::error_code, integer(static_cast<u32>(c) * 100 + static_cast<u32>(i) - 2));
}

void from_code(const Cell& err, const Cell& spec) {
    const i32 code = static_cast<i32>(spec.w2);
    const Cell errors = catalogue();
    if (code < 0 || static_cast<u32>(code / 100) >= object::field_count(errors))
        raise(ErrorId::script_out_of_range, &spec);
    const u32 c = static_cast<u32>(code / 100);
    const Cell category = object::values_head(errors)[c];
    const u32 i = static_cast<u32>(code % 100) + 2;
    if (!category.is(Type::object) || i >= object::field_count(category)) raise(ErrorId::script_out_of_range, &spec);
    const Cell type = *object::node_word_at(errors.w1, c);
    const Cell id = *object::node_word_at(category.w1, i);
    set_field(err, Field::error_code, spec);
    set_field(err, Field::error_type, Cell{header_of(Type::word), errors.w1, type.w2, c});
    set_field(err, Field::error_id, Cell{header_of(Type::word), category.w1, id.w2, i});
}

void from_names(const Cell& err, const Cell& spec) {
    const Cell type = item(spec, 0);
    Cell category;
    if (lookup(catalogue(), type, &category) < 0 || !category.is(Type::object)) invalid_spec_field("type");
    set_field(err, Field::error_type, type);
    if (length_of(spec) < 2) invalid_spec_field("id");
    const Cell id = item(spec, 1);
    if (!id.is(Type::word)) raise(ErrorId::script_invalid_arg, &id);
    if (lookup(category, id, nullptr) < 2) invalid_spec_field("id");
    set_field(err, Field::error_id, id);
    settle_code(err);
}

void from_set_words(const Cell& err, const Cell& spec) {
    context::bind_block(spec, err.w1, true);
    Cell ignored;
    hooks::run(spec, ignored);
    settle_code(err);
}

Cell user_message(const Cell& text) {
    return create(word_of("user"), word_of("message"), &text, nullptr, nullptr);
}

}  // namespace

Cell* field(const Cell& err, Field f) { return object::values_head(err) + standard::index_of(f); }

Cell create(const Cell& category, const Cell& id, const Cell* arg1, const Cell* arg2, const Cell* arg3) {
    const Node names = memory::alloc_cells(2);
    const Cell spec{header_of(Type::block), 0, names, 0};
    *series_buffer::append_cell(spec) = category;
    *series_buffer::append_cell(spec) = id;
    const Cell err = make(spec);
    const Field args[3] = {Field::error_arg1, Field::error_arg2, Field::error_arg3};
    const Cell* given[3] = {arg1, arg2, arg3};
    for (u32 i = 0; i < 3; ++i)
        if (given[i]) set_field(err, args[i], *given[i]);
    return err;
}

Cell create(ErrorId id, const Cell* arg1, const Cell* arg2, const Cell* arg3) {
    const ErrorInfo& info = error_info(id);
    const Cell errors = catalogue();
    const u32 c = static_cast<u32>(info.category);
    const Cell category = object::values_head(errors)[c];
    const Cell type = *object::node_word_at(errors.w1, c);
    const Cell name = *object::node_word_at(category.w1, info.position);
    return create(Cell{header_of(Type::word), errors.w1, type.w2, c},
                  Cell{header_of(Type::word), category.w1, name.w2, info.position}, arg1, arg2, arg3);
}

Cell make(const Cell& spec) {
    const Cell err = blank();
    switch (spec.type()) {
    case Type::integer:
        from_code(err, spec);
        break;
    case Type::block: {
        const Type first = length_of(spec) ? item(spec, 0).type() : Type::none;
        if (first == Type::word) from_names(err, spec);
        else if (first == Type::set_word) from_set_words(err, spec);
        else raise(ErrorId::internal_invalid_error);
        break;
    }
    case Type::string:
        return user_message(spec);
    default: {
        const Cell type = datatype::of(Type::error);
        raise(ErrorId::script_bad_make_arg, &type, &spec);
    }
    }
    return object::of_context(err.w1);
}

void set_where_default(const Cell& err, const Cell& word) {
    if (field(err, Field::error_where)->is(Type::none)) set_field(err, Field::error_where, word);
}

u32 type_symbol(const Cell& err) { return field(err, Field::error_type)->w2; }

void fill_stack_trace(const Cell& err) {
    if (!err.is(Type::error) || !hooks::collect_call_words) return;
    const Cell position = *field(err, Field::error_stack);
    if (!position.is(Type::integer)) return;
    const Cell depth = standard::stack_trace();
    const u32 level = depth.is(Type::integer) && static_cast<i32>(depth.w2) > 0 ? depth.w2 : 1;
    Cell words;
    block::make_at(&words, stack_trace_room);
    set_field(err, Field::error_stack, words);
    hooks::collect_call_words(level, position.w2, words);
}

namespace {

// Appends a string's characters from its position as they are.
i32 write_text(Output& out, const Cell& text, i32 limit) {
    const u32 n = chars_from_position(text);
    for (u32 i = 0; i < n; ++i) out.append_char(char_at(text, i));
    return limit - static_cast<i32>(n);
}

// Appends the text of `piece`, cut to `max` characters.
i32 append_cut(Output& out, const Output& piece, i32 max, i32 limit) {
    const u32 n = std::min<u32>(piece.length(), static_cast<u32>(max));
    for (u32 i = 0; i < n; ++i) out.append_char(piece.at(i));
    return limit - static_cast<i32>(n);
}

// The category and message template an error's report is written from, after the
// fallback to internal/invalid-error for names the catalogue does not know, or for a
// template that is neither a string nor a block.
struct Message {
    Cell category;
    Cell templ;
    Cell arg1;
    bool fallback = false;
};

Message resolve(const Cell& err) {
    const Cell type = *field(err, Field::error_type);
    const Cell id = *field(err, Field::error_id);
    Message m{none_cell, none_cell, *field(err, Field::error_arg1)};
    auto fall_back = [&](const Cell& offending) {
        m.arg1 = offending;
        m.fallback = true;
        m.category = *object::select_field(catalogue(), *words::internal);
        m.templ = *object::select_field(m.category, *words::invalid_error);
    };
    if (lookup(catalogue(), type, &m.category) < 0 || !m.category.is(Type::object)) {
        fall_back(type);
        return m;
    }
    if (lookup(m.category, id, nullptr) < 2) {
        fall_back(id);
        return m;
    }
    m.templ = *object::select_field(m.category, id);
    if (m.templ.is(Type::word)) m.templ = *object::select_field(err, m.templ);
    if (!m.templ.is(Type::string) && !m.templ.is(Type::block)) fall_back(type);
    return m;
}

// The value of the error field a template word names: arg1 as the report sees it.
Cell argument(const Cell& err, const Message& m, const Cell& word) {
    const Cell named{header_of(Type::word), 0, word.w2, context::no_index};
    if (symbol::canonical_id(word.w2) == symbol::canonical_id(symbol::intern_cstring("arg1"))) return m.arg1;
    return *object::select_field(err, named);
}

// Forms or molds a value the report shows. A value that cannot be written (its type has
// no text yet) must not lose the report: its type's name stands in for it.
void describe(const Cell& value, Output& piece, bool formed, MoldFlags flags) {
    const u32 start = piece.length();
    try {
        if (formed) form_value(value, piece, nullptr, no_limit);
        else mold_value(value, piece, flags, nullptr, no_limit, 0);
    } catch (const Throw&) {
        piece.limit_length(start);
        const std::string_view name = type_info(value.type()).name;
        piece.append_ascii("?");
        piece.append_ascii(name.substr(0, name.size() - 1));
        piece.append_ascii("?");
    }
}

i32 write_message(const Cell& err, const Message& m, bool syntax, Output& out, i32 limit) {
    if (m.templ.is(Type::string)) return write_text(out, m.templ, limit);
    const u32 n = length_of(m.templ);
    for (u32 i = 0; i < n; ++i) {
        const Cell part = item(m.templ, i);
        if (part.is(Type::string)) {
            limit = write_text(out, part, limit);
        } else if (part.is(Type::word) || part.is(Type::get_word)) {
            const Cell value = argument(err, m, part);
            Output piece;
            describe(value, piece, syntax, MoldFlags{false, false, true});
            limit = append_cut(out, piece, message_item_chars, limit);
        }
        if (i + 1 < n) limit = append_text(out, " ", limit);
    }
    return limit;
}

}  // namespace

i32 report(const Cell& err, Output& out, i32 limit) {
    limit = append_text(out, "*** ", limit);
    const Message m = resolve(err);
    const Cell title = *object::select_field(m.category, *words::type);
    if (title.is(Type::string)) limit = write_text(out, title, limit);
    limit = append_text(out, ": ", limit);
    const bool syntax = !m.fallback && symbol::canonical_id(type_symbol(err)) == symbol::canonical_id(words::syntax->w2);
    limit = write_message(err, m, syntax, out, limit);

    limit = append_text(out, "\n*** Where: ", limit);
    const Cell where = *field(err, Field::error_where);
    if (where.is(Type::word)) limit = form_value(where, out, nullptr, limit);
    else if (where.is(Type::string)) limit = write_text(out, where, limit);
    else limit = append_text(out, "???", limit);

    limit = append_text(out, "\n*** Near : ", limit);
    Output near;
    describe(*field(err, Field::error_near), near, false, MoldFlags{true, false, true});
    limit = append_cut(out, near, near_chars, limit);

    const Cell depth = standard::stack_trace();
    const Cell stack = *field(err, Field::error_stack);
    if (depth.is(Type::integer) && static_cast<i32>(depth.w2) > 0) {
        if (stack.is(Type::integer) && hooks::form_call_trace) {
            limit = append_text(out, "\n*** Stack: ", limit);
            limit = hooks::form_call_trace(depth.w2, stack.w2, out, limit);
        } else if (stack.is(Type::block)) {
            limit = append_text(out, "\n*** Stack: ", limit);
            limit = form_value(stack, out, nullptr, limit);
        }
    }
    const Cell files = *field(err, Field::error_files);
    if (files.is(Type::block)) {
        limit = append_text(out, "\n*** Files: ", limit);
        Output text;
        describe(files, text, false, MoldFlags{true, false, true});
        limit = append_cut(out, text, near_chars, limit);
    }
    return limit;
}

namespace {

Cell* make_action(Cell* result, const Cell* spec, Type) {
    *result = make(*spec);
    return result;
}

i32 form(const Cell* value, Output& out, const Cell*, i32 limit) { return report(*value, out, limit); }

i32 mold(const Cell* value, Output& out, MoldFlags flags, const Cell* part, i32 limit, i32 indent) {
    return object::mold_as(*value, "make error! [", out, flags, part, limit, indent);
}

}  // namespace
}  // namespace zel::error

namespace zel {

constinit const ActionRecord error_actions = [] {
    ActionRecord r;
    r.on_make = error::make_action;
    r.on_reflect = inherit;
    r.on_form = error::form;
    r.on_mold = error::mold;
    r.on_eval_path = inherit;
    r.on_compare = inherit;
    r.on_copy = inherit;
    r.on_select = inherit;
    return r;
}();

}  // namespace zel
