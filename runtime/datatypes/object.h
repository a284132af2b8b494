// object!: a kind-2 context wrapped in a cell [32, context node, class id, handler block
// node or 0]. The context's owner slot always holds a copy of the object cell, so `self`
// and every helper that starts from a context find the object as it is now; every
// constructor here rewrites it. Objects of one shape share a class id.
#pragma once
#include <string_view>

#include "runtime/datatypes/action-signatures.h"

namespace zel::object {

// Ids taken at run time count up from here; start-up objects carry fixed small ids.
constexpr u32 first_class_id = 1000000;
u32 next_class_id();
// Restarts the count (a fresh runtime).
void reset_class_ids();
// The last id taken, and the count taken up from a given last id: a library loaded from
// its snapshot goes on counting where the library's evaluation stopped.
u32 last_class_id();
void continue_class_ids(u32 last);
// `make object! body` whose object takes the given class id instead of the next one, so
// that the objects built at start-up keep their fixed ids and the run-time count starts
// untouched. Objects made by the body take ids as usual.
Cell make_with_class(const Cell& body, u32 class_id);

// The object cell over a context, written into the context's owner slot too.
Cell make_value(Node ctx, u32 class_id, Node handlers, Type type = Type::object);
// An object with a new empty context of `slots` slots, class id 0, no handlers.
Cell init_empty(u32 slots);
// Re-reads the object from its context's owner slot.
Cell of_context(Node ctx);

// 0-based field index of the word's symbol (any case), -1 when absent.
i32 field_index(const Cell& obj, const Cell& word);
// The field's value cell, or the none! constant when absent; valid until an allocation.
const Cell* select_field(const Cell& obj, const Cell& word);
Cell* values_head(const Cell& obj);
u32 field_count(const Cell& obj);
// The word cell naming slot `index` of a context.
Cell* node_word_at(Node ctx, u32 index);
// Clears the new-line marker of every cell of the series.
void clear_new_line_marks(Node series);
// Clears the assigned mark of every word of the context.
void clear_changed_marks(Node ctx);

// Calls the object's on-change* with the field word, the old and the new value; returns
// at once when the object has no on-change*.
void call_on_change(const Cell& obj, const Cell& word, const Cell& old_value, const Cell& new_value);
// Calls the owner's on-deep-change* for a change of a series it owns (the ownership
// notifications' entry): the field word, the series, the action word, the new value, the
// index and the part count.
void call_on_deep_change(const Cell& owner, const Cell& word, const Cell& target, const Cell& action,
                         const Cell& new_value, i32 index, i32 part);
// The handler block of a context's hooks, 0 when it has neither; raises
// script/bad-field-set for a hook field that holds no function.
Node find_handlers(Node ctx);
// Stores the handlers found in the object's cell and owner slot; returns the object.
Cell install_handlers(const Cell& obj);
bool deep_handler(const Cell& obj);

// Makes call_on_change the contexts' change hook and call_on_deep_change the ownership
// notifications' hook.
void install_hooks();

struct SetFlags {
    bool any = false;
    bool only = false;
    bool some = false;
};
// The native `set` with an object target.
void set_fields(const Cell& obj, const Cell& value, SetFlags flags);

// The native `construct`: fields from the set-words of its spec block, values taken as they
// are (true/false/none words as their values unless `only`); nothing is evaluated.
Cell construct(const Cell& spec, const Cell* prototype, bool only);

// A copy of the prototype: its words, its values (series and functions copied as the
// flags say), its class id and handlers.
Cell clone(const Cell& prototype, bool deep, const Cell* types, bool rebuild_handlers);
// Deep-copies the series fields of `from` into the same slots of `to` and binds the
// block-like ones to `to`; other values are copied with `all`.
void copy_values(Node from, Node to, bool all);
// Adds every field of `source` to `ctx`; true when `ctx` gained words.
bool extend_from(Node ctx, const Cell& source);
// Replaces the function in slot `index` by an interpreted copy bound to the object.
void rebind_function(Node ctx, u32 index);

// Appends the fields as "word: value" lines; answers the remaining limit.
struct SerializeFlags {
    bool only = false;
    bool all = false;
    bool flat = false;
    bool indent = false;
    bool leading_newline = false;
};
i32 serialize_fields(const Cell& obj, Output& out, SerializeFlags flags, const Cell* part, i32 limit, i32 level);

// The fields as a new block: each a set-word followed by its value (a word or path value
// quoted).
Cell body(const Cell& obj);

// The object family's actions, shared with error! and port!.
Cell* make(Cell* prototype, const Cell* spec, Type target);
Cell* reflect(Cell* value, const Cell* field);
Cell* eval_path(Cell* parent, const Cell* element, const Cell* value_to_set, const PathStep& step);
i32 compare(const Cell* value1, const Cell* value2, i32 code);
Cell* copy(Cell* value, Cell* result, const Cell* part, bool deep, const Cell* types);
Cell* select(Cell* value, const Cell* key, const FindRefinements& refinements);
Cell* put(Cell* value, const Cell* key, const Cell* new_value, bool case_);
Cell* modify(Cell* value, const Cell* field, const Cell* new_value, bool case_);

}  // namespace zel::object

namespace zel::object {

// The mold of the object family: unless only, the prefix ("make object! [") and "]"
// around the fields, one level deeper than `indent`.
i32 mold_as(const Cell& value, std::string_view prefix, Output& out, MoldFlags flags, const Cell* part, i32 limit,
            i32 indent);

}  // namespace zel::object
