#include "runtime/eval/spec-cache.h"

#include "runtime/core/raise.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/function.h"
#include "runtime/datatypes/typeset.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/names/runtime-words.h"
#include "runtime/names/symbol.h"

namespace zel::spec_cache {
namespace {

Cell spec_item(Node spec, u32 i) { return reinterpret_cast<Cell*>(node::buffer(spec)->head_ptr())[i]; }

u32 spec_length(Node spec) { return node::buffer(spec)->cell_count(); }

bool is_named(const Cell& c, const Cell& name) {
    return symbol::canonical_id(as_word(c).symbol) == symbol::canonical_id(as_word(name).symbol);
}

bool is_refinement_named(const Cell& c, const Cell& name) { return c.is(Type::refinement) && is_named(c, name); }

}  // namespace

Node build(const Cell& callable) {
    const bool numbered = callable.is(Type::native) || callable.is(Type::action);
    const Node spec = as_callable(callable).spec;
    const Cell spec_block = block_cell(spec);
    const Node cache = memory::alloc_cells(spec_length(spec) + 1);
    const Cell cache_block = block_cell(cache);
    block::append_value(cache_block, info_cell(0, 0, 0));

    u32 refinements = 0;
    u32 mandatory = 0;
    u32 locals = 0;
    u32 slot = 0;
    bool returns = false;
    bool evaluated = true;
    bool leading_evaluated = true;  // no return type nor unevaluated parameter before the first refinement
    bool any_type = true;  // every parameter takes the default typeset
    u32 open_refinement = 0;  // cache index of the refinement whose parameters follow, 0 for none
    u32 i = 0;
    const u32 n = spec_length(spec);
    if (n > 0 && spec_item(spec, 0).is(Type::block)) ++i;
    for (; i < n; ++i) {
        const Cell item = spec_item(spec, i);
        const Type t = item.type();
        const bool has_types = i + 1 < n && spec_item(spec, i + 1).is(Type::block);
        if (t == Type::word || t == Type::get_word || t == Type::lit_word) {
            Cell set = has_types ? typeset::from_spec_block(spec_item(spec, i + 1)) : typeset::make_default();
            const Cell any = typeset::make_default();
            any_type &= set.w1 == any.w1 && set.w2 == any.w2 && set.w3 == any.w3;
            const u32 k = t == Type::word ? kind::evaluated : t == Type::get_word ? kind::get : kind::literal;
            evaluated &= k == kind::evaluated;
            leading_evaluated &= open_refinement || k == kind::evaluated;
            set.header = header_of(Type::typeset) | k << kind_shift;
            block::append_value(cache_block, set);
            if (open_refinement) ++as_refinement(*block::cell_at(cache_block, open_refinement)).parameters;
            else ++mandatory;
            ++slot;
            i += has_types;
        } else if (t == Type::set_word) {
            if (!is_named(item, *words::return_)) {
                raise(ErrorId::script_bad_func_def, &spec_block);
            }
            Cell set = has_types ? typeset::from_spec_block(spec_item(spec, i + 1)) : typeset::make_default();
            set.header = header_of(Type::typeset) | kind::return_type << kind_shift;
            block::append_value(cache_block, set);
            returns = true;
            leading_evaluated &= refinements > 0;
            i += has_types;
        } else if (t == Type::refinement) {
            if (is_refinement_named(item, *refinements::local)) {
                locals = static_cast<u32>(function::count_locals(spec, i, false));
                break;
            }
            ++refinements;
            const u32 name = symbol::canonical_id(as_word(item).symbol);
            block::append_value(cache_block, refinement_entry(name, numbered ? refinements : slot));
            open_refinement = static_cast<u32>(block::length(cache_block)) - 1;
            ++slot;
        }
    }
    *block::cell_at(cache_block, 0) = info_cell(refinements, locals, mandatory, !refinements && !returns, evaluated, any_type,
                                            leading_evaluated);
    cache_cell(callable) = cache_block;
    return cache;
}

}  // namespace zel::spec_cache
