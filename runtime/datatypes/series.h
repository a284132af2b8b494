// series!: the actions every series shares, written once for every unit width (1, 2 or 4
// bytes for strings and binaries, 16 for blocks): navigation, pick and poke, remove,
// reverse, move, take, copy, clear, random and the ownership field. A series value is a
// position, read through as_series (index and node); an index may lie past the tail and is
// clamped.
#pragma once
#include "runtime/datatypes/action-signatures.h"
#include "runtime/memory/buffer.h"

namespace zel::series {

bool any_block(Type t);
bool any_string(Type t);
// Any series the actions here serve: any-block, any-string, binary!, vector!, image!.
bool any_series(Type t);

bool at_tail(const Cell& s);
// Units in the buffer, counted from its head.
u32 buffer_length(const Cell& s);
// Moves the index by n when that does not pass the tail; true when then at the tail.
bool advance(Cell& s, i32 n);
// `at` (mode 1) and `skip` (mode 0): the index moved by the integer offset, clamped to
// the buffer.
Cell* offset_index(Cell* s, const Cell* offset, bool at);
// Units from the index (from the head with the flag) to the tail; an index past the
// tail is pulled back to it.
u32 remaining_length(Cell& s, bool from_head);

// Removes `count` units at `at` (cut to the tail), moving the following ones down.
void drop_units(const Cell& s, u32 at, u32 count);
// Opens `count` units at `at` (at most the length), growing the buffer when they do not
// fit; answers the buffer after.
Buffer* open_units(const Cell& s, u32 at, u32 count);

// How a /part argument is read against a series. Every rule takes an integer! count;
// where it takes a position, the position must lie in the same series (type and buffer),
// is first pulled back to the tail, and counts from the series' index to it (negative
// before it). A series of another type or buffer raises script/invalid-refine-arg with the
// word `part`, as does any other value unless the rule says otherwise. What a negative or
// oversized count then does is the action's own choice.
enum class PartRule {
    count_or_position,  // remove, reverse, sort, find, select, take
    insertion,          // append, insert, change: a value that is no series raises script/invalid-part
    count_only,         // move
    range,              // copy: also a pair! x..y, the units x to y - 1 from the position
};
// Where the /part range starts (the series' index but for a pair) and how many units it
// covers from there.
struct PartRange {
    i64 start;
    i64 count;
};
PartRange part_range(const Cell& s, const Cell& part, PartRule rule);
// The count alone.
inline i64 part_count(const Cell& s, const Cell& part, PartRule rule = PartRule::count_or_position) {
    return part_range(s, part, rule).count;
}

// The byte copy of `copy` for every series type: the result is a new series of the
// source's type at index 0 (never owned).
Cell* copy(Cell* value, Cell* result, const Cell* part, bool deep, const Cell* types);
// The core of every `take`: the units taken, in a new series of the source's type, or
// none when nothing remains. `single` tells whether one unit was taken without /part.
Cell* take(Cell* s, const Cell* part, bool last, bool* single);

// Where `find` matched: the position (-1 for none) and the units the match covers.
struct Match {
    i64 at = -1;
    u32 length = 0;
};

// The search window of `find` and `select`, read once from the refinements for every
// series type. Blocks and texts differ only in where a backward search stops.
enum class SearchRule {
    cells,  // blocks: /last and /reverse run back to the head; /part below 1 is none only as a count
    units,  // strings, binary!, vector!: /last stops at the position, /reverse /part units
            // before it; any /part below 1 is none; /any and /with are reserved
};
struct SearchRange {
    bool none = false;  // nothing can match
    i64 index = 0;      // the series' position
    i64 end = 0;        // a match ends at or before it: the tail, or where /part ends
    i64 count = -1;     // /part's count, -1 without /part
    i64 step = 1;       // /skip
    bool last = false;
    bool reverse = false;
    bool match = false;
    SearchRule rule = SearchRule::cells;
};
// Pulls an index past the tail back to it and reads /skip (an integer! of at least 1) and
// /part. An empty series, or a position at the tail without /reverse, finds nothing;
// otherwise the reserved refinements of the rule raise internal/not-done.
SearchRange search_range(Cell& series, u32 total, const FindRefinements& r, SearchRule rule);
// The candidate starts of a match `sought` units long: from `first` to `last` in steps of
// `step` (negative backwards); /last takes precedence over /reverse.
struct SearchWindow {
    i64 first = 0;
    i64 last = -1;
    i64 step = 1;
    bool match = false;
};
SearchWindow search_window(const SearchRange& range, u32 sought);
// The first candidate at which `matches_at(i)` holds (only the first one with /match).
template <class MatchesAt>
Match scan(const SearchWindow& w, u32 sought, MatchesAt matches_at) {
    for (i64 i = w.first; w.step > 0 ? i <= w.last : i >= w.last; i += w.step) {
        if (matches_at(i)) return {i, sought};
        if (w.match) break;
    }
    return {};
}
// find's answer in the series cell: none!, or the series at the match (after it with
// `tail`).
Cell* found(Cell* series, const Match& match, bool tail);
// select's answer in the series cell: the element after the match (as `pick` gives it),
// or none when nothing matched or the match ends at the tail.
Cell* selected(Cell* series, const Match& match);
// `find` and `select` over a series type's search.
using Search = Match (*)(Cell& series, const Cell& wanted, const FindRefinements& r);
template <Search search>
Cell* find_by(Cell* series, const Cell* value, const FindRefinements& r) {
    const Cell wanted = *value;
    return found(series, search(*series, wanted, r), r.tail);
}
template <Search search>
Cell* select_by(Cell* series, const Cell* value, const FindRefinements& r) {
    const Cell wanted = *value;
    return selected(series, search(*series, wanted, r));
}

// The set operations (unique, union, intersect, exclude, difference) over records of
// /skip units, for every series type: which records of the two series the result takes.
// A record is known by its first unit, its key: each record of the first series (and for
// union and difference, with the roles exchanged, of the second) is taken whole when its
// key's membership among the other series' keys is as the operation wants and no record
// with an equal key was taken before. A type supplies how a key hashes (keys equal under
// the case rule must hash alike), when two keys are equal, and how a taken record joins
// its result.
struct SetRecords {
    u32 (*length)(const Cell& s);
    u32 (*hash)(const Cell& s, u32 at, bool case_);
    bool (*equal)(const Cell& s1, u32 at1, const Cell& s2, u32 at2, bool case_);
    void (*take)(void* result, const Cell& from, u32 at, u32 record);
};
// Runs the operation over `first` and `second` (null for unique) in records of /skip
// units, both at their positions pulled back to their tails, passing each taken record
// to `how.take`.
void set_operation(SetOp op, const Cell& first, const Cell* second, const Cell* skip, bool case_,
                   const SetRecords& how, void* result);

// The frame of every `swap`: when neither series is at its tail, tells the owners, calls
// `exchange` when both still hold an element at their positions (a hook may have
// shortened them), and tells the owners again.
void swap_elements(const Cell& a, const Cell& b, void (*exchange)(const Cell& a, const Cell& b));

// The ownership field of a series or bitset: `reflect` answers its owner object or none
// (any other field raises internal/not-done); `modify` with none releases it, with a
// block [owner word] claims it, and ignores other fields.
Cell* reflect(Cell* s, const Cell* field);
Cell* modify(Cell* s, const Cell* field, const Cell* value, bool case_);
// Calls ownership::notify for a change of `count` units at `index`.
void notify(const Cell& s, const Cell* action, i32 index, i32 count, const Cell* new_value = nullptr);

}  // namespace zel::series
