#include "runtime/datatypes/word.h"

#include "runtime/core/raise.h"
#include "runtime/core/type-families.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/lexer/lexer-words.h"
#include "runtime/lexer/lexer.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/roots.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/names/context.h"
#include "runtime/names/name-compare.h"
#include "runtime/names/runtime-words.h"
#include "runtime/names/symbol.h"
#include "runtime/text/string-units.h"
#include "runtime/text/utf8.h"

namespace zel::word {


namespace {

[[noreturn]] void bad_to_arg(Type target, const Cell* spec) {
    const Cell type = datatype::of(target);
    raise(ErrorId::script_bad_to_arg, &type, spec);
}

bool is_plain_word_type(Type t) {
    return t == Type::word || t == Type::set_word || t == Type::lit_word || t == Type::get_word;
}

Cell one_char_string(u32 cp) {
    const u32 unit = unicode::unit_for(cp);
    const Node str = memory::alloc_units(1, unit);
    Buffer* b = node::buffer(str);
    unicode::write_unit(b->head_ptr(), unit, cp);
    b->tail = b->head + unit;
    return Cell{header_of(Type::string), 0, str, 0};
}

Cell word_of_text(const Cell& text) {
    Cell loaded;
    if (!lexer::load_exactly_one(text, loaded) || !any_word_type(loaded.type())) raise(ErrorId::script_invalid_chars);
    return loaded;
}

bool word_and_lit_word(Type t1, Type t2) {
    return (t1 == Type::word && t2 == Type::lit_word) || (t1 == Type::lit_word && t2 == Type::word);
}

i32 mold_with_prefix(const Cell* value, Output& out, const Cell* part, i32 limit, char prefix) {
    out.append_char(static_cast<u8>(prefix));
    return form(value, out, part, limit - 1);
}

i32 mold_lit_word(const Cell* value, Output& out, MoldFlags, const Cell* part, i32 limit, i32) {
    return mold_with_prefix(value, out, part, limit, '\'');
}

i32 mold_get_word(const Cell* value, Output& out, MoldFlags, const Cell* part, i32 limit, i32) {
    return mold_with_prefix(value, out, part, limit, ':');
}

i32 mold_refinement(const Cell* value, Output& out, MoldFlags, const Cell* part, i32 limit, i32) {
    return mold_with_prefix(value, out, part, limit, '/');
}

i32 mold_set_word(const Cell* value, Output& out, MoldFlags, const Cell* part, i32 limit, i32) {
    const i32 left = form(value, out, part, limit);
    out.append_char(':');
    return left - 1;
}

i32 mold_word(const Cell* value, Output& out, MoldFlags, const Cell* part, i32 limit, i32) {
    return form(value, out, part, limit);
}

Cell* index_of(Cell* value) {
    *value = value->w3 == context::no_index ? none_cell
                                            : Cell{header_of(Type::integer), 0, value->w3 + 1, 0};
    return value;
}

}  // namespace

bool any_word_type(Type t) { return in_family(t, family::all_word); }

Cell make_global(const char* name) { return context::make_global_word(symbol::intern_cstring(name), true); }

Cell* init_global(u32 sym, Cell& out) {
    const Cell named{header_of(Type::word), 0, sym, context::no_index};
    const u32 index = context::add_word(context::global, named);
    cell::set_type(&out, Type::word);
    out.w1 = context::global;
    out.w2 = sym;
    out.w3 = index;
    return &out;
}

Cell* make(Cell* result, const Cell* spec, Type target) {
    Cell out;
    switch (spec->type()) {
    case Type::word:
    case Type::set_word:
    case Type::lit_word:
    case Type::get_word:
        out = *spec;
        break;
    case Type::refinement:
    case Type::issue: {
        const Type token = lexer::scan_name(symbol::name(spec->w2));
        if (!is_plain_word_type(token)) bad_to_arg(target, spec);
        out = *spec;
        context::bind_word(context::global, out);
        break;
    }
    case Type::string:
        out = word_of_text(*spec);
        break;
    case Type::char_:
        out = word_of_text(one_char_string(spec->w2));
        break;
    case Type::datatype:
        out = Cell{header_of(Type::word), 0, 0, 0};
        init_global(symbol::intern_cstring(type_info(static_cast<Type>(spec->w1)).name), out);
        break;
    case Type::logic:
        out = Cell{header_of(Type::word), 0, 0, 0};
        init_global(spec->w1 ? sym::true_ : sym::false_, out);
        break;
    default:
        bad_to_arg(target, spec);
    }
    out.header = header_of(target);
    *result = out;
    return result;
}

i32 form(const Cell* value, Output& out, const Cell*, i32 limit) {
    const std::string_view name = symbol::name(value->w2);
    const u8* p = reinterpret_cast<const u8*>(name.data());
    const u8* end = p + name.size();
    i32 appended = 0;
    while (p < end) {
        std::size_t available = static_cast<std::size_t>(end - p);
        const i32 cp = unicode::decode_utf8_char(p, available);
        out.append_char(cp < 0 ? *p : static_cast<u32>(cp));
        p += cp < 0 ? 1 : available;
        ++appended;
    }
    return limit - appended;
}

i32 compare(const Cell* value1, const Cell* value2, i32 code) {
    const Type t1 = value1->type();
    const Type t2 = value2->type();
    if ((t2 == Type::issue && t1 != Type::issue) || !any_word_type(t2)) return not_comparable;
    const u32 s1 = value1->w2;
    const u32 s2 = value2->w2;
    const bool same_name = symbol::canonical_id(s1) == symbol::canonical_id(s2);
    switch (code) {
    case compare_code::equal:
    case compare_code::not_equal:
    case compare_code::find:
        return same_name ? 0 : 1;
    case compare_code::strict_equal:
        return t1 == t2 && s1 == s2 ? 0 : 1;
    case compare_code::same:
        return t1 == t2 && s1 == s2 && value1->w1 == value2->w1 ? 0 : 1;
    case compare_code::equality_10:
        return (word_and_lit_word(t1, t2) || t1 == t2) && s1 == s2 ? 0 : 1;
    case compare_code::equality_11:
        return (word_and_lit_word(t1, t2) || t1 == t2) && same_name ? 0 : 1;
    default:
        return compare_names(symbol::name(s1), symbol::name(s2), code);
    }
}

}  // namespace zel::word

namespace zel {

constinit const ActionRecord word_actions = [] {
    ActionRecord r;
    r.on_make = word::make;
    r.on_to = word::make;
    r.on_form = word::form;
    r.on_mold = word::mold_word;
    r.on_compare = word::compare;
    r.on_index_q = word::index_of;
    return r;
}();

namespace {

constexpr ActionRecord child_of_word(sig::on_mold mold) {
    ActionRecord r;
    r.on_make = inherit;
    r.on_to = inherit;
    r.on_form = inherit;
    r.on_mold = mold;
    r.on_compare = inherit;
    r.on_index_q = inherit;
    return r;
}

}  // namespace

constinit const ActionRecord lit_word_actions = child_of_word(word::mold_lit_word);
constinit const ActionRecord set_word_actions = child_of_word(word::mold_set_word);
constinit const ActionRecord get_word_actions = child_of_word(word::mold_get_word);
constinit const ActionRecord refinement_actions = child_of_word(word::mold_refinement);

}  // namespace zel
