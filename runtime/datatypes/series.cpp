#include "runtime/datatypes/series.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "runtime/core/cell-views.h"
#include "runtime/core/raise.h"
#include "runtime/core/type-families.h"
#include "runtime/datatypes/char.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/logic.h"
#include "runtime/datatypes/ownership.h"
#include "runtime/datatypes/random.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/vector.h"
#include "runtime/datatypes/word.h"
#include "runtime/hash/hashtable.h"
#include "runtime/memory/fatal.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/names/runtime-words.h"
#include "runtime/names/symbol.h"
#include "runtime/text/string-units.h"

namespace zel::series {
namespace {

// Where `move origin target` has its target, for the error naming it.
constexpr u32 move_target_parameter = 1;

Buffer* buffer_of(const Cell& s) { return node::buffer(as_series(s).node); }
u32 units_in(Buffer* b) { return b->used() >> b->shift(); }
u8* unit_at(Buffer* b, u32 i) { return b->head_ptr() + (static_cast<u64>(i) << b->shift()); }

[[noreturn]] void bad_refine(const Cell* word, const Cell& arg) {
    raise(ErrorId::script_invalid_refine_arg, word ? word : &unset_cell, &arg);
}

// The element `i` units from the head, as `pick` answers it.
Cell element(const Cell& s, u32 i) {
    Buffer* b = buffer_of(s);
    if (any_block(s.type())) return b->cells()[b->head / sizeof(Cell) + i];
    if (s.is(Type::vector)) return vector::element(s, i);
    const u32 v = unicode::read_unit(unit_at(b, i), b->unit());
    if (s.is(Type::binary)) return integer::cell(static_cast<i32>(v));
    return char_::cell(v);
}

// The element index of `pick` and `poke`, or -1 for none.
i64 element_index(const Cell& s, const Cell& n) {
    if (!n.is(Type::integer)) raise(ErrorId::script_invalid_arg, &n);
    const i64 k = integer::get(n);
    if (k == 0) return -1;
    const i64 e = i64{as_series(s).index} + (k > 0 ? k - 1 : k);
    return e < 0 || e >= buffer_length(s) ? -1 : e;
}

// A hash!'s table follows the cells of its block from `from` on.
void keep_table(const Cell& s, u32 from) {
    if (s.is(Type::hash) && as_series(s).extra) hashtable::reindex_from(as_series(s).extra, from);
}

// Tells the owner of a change of `count` units at the series' index.
void notify_at_index(const Cell& s, const Cell* action, i64 count) {
    notify(s, action, static_cast<i32>(as_series(s).index), static_cast<i32>(count));
}

// ---- navigation --------------------------------------------------------------------

Cell* head(Cell* s) {
    as_series(*s).index = 0;
    return s;
}
Cell* tail(Cell* s) {
    as_series(*s).index = buffer_length(*s);
    return s;
}
Cell* back(Cell* s) {
    u32& index = as_series(*s).index;
    if (index > 0) --index;
    return s;
}
Cell* next(Cell* s) {
    advance(*s, 1);
    return s;
}
Cell* at(Cell* s, const Cell* n) { return offset_index(s, n, true); }
Cell* skip(Cell* s, const Cell* n) { return offset_index(s, n, false); }
Cell* head_q(Cell* s) {
    *s = logic::cell(as_series(*s).index == 0);
    return s;
}
Cell* tail_q(Cell* s) {
    *s = logic::cell(at_tail(*s));
    return s;
}
Cell* index_q(Cell* s) {
    *s = integer::cell(static_cast<i32>(as_series(*s).index + 1));
    return s;
}
i32 length_q(Cell* s) { return static_cast<i32>(remaining_length(*s, false)); }

// ---- elements ----------------------------------------------------------------------

Cell* pick(Cell* s, const Cell* n) {
    const i64 e = element_index(*s, *n);
    *s = e < 0 ? none_cell : element(*s, static_cast<u32>(e));
    return s;
}

void store_unit(const Cell& s, u32 e, const Cell& value) {
    Buffer* b = buffer_of(s);
    if (any_block(s.type())) {
        b->cells()[b->head / sizeof(Cell) + e] = value;
        return;
    }
    if (s.is(Type::vector)) {
        vector::write_value(s, e, value);
        return;
    }
    if (s.is(Type::binary)) {
        const i64 byte = value.is(Type::char_) ? i64{as_char(value).code_point} : integer::get(value);
        if (byte < 0 || byte > 255) raise(ErrorId::script_out_of_range, &value);
        b->head_ptr()[e] = static_cast<u8>(byte);
        return;
    }
    const u32 cp = as_char(value).code_point;
    if (unicode::unit_for(cp) > b->unit()) b = unicode::widen(b, unicode::unit_for(cp));
    unicode::write_unit(unit_at(b, e), b->unit(), cp);
}

Cell* poke(Cell* s, const Cell* n, const Cell* value) {
    const i64 e = element_index(*s, *n);
    if (e < 0) raise(ErrorId::script_out_of_range, n);
    if (s->is(Type::vector)) vector::check_value(*value);
    if (s->is(Type::binary) && !value->is(Type::integer) && !value->is(Type::char_))
        raise(ErrorId::script_invalid_arg, value);
    if (any_string(s->type()) && !value->is(Type::char_)) raise(ErrorId::script_invalid_arg, value);
    const Cell series = *s;
    const Cell poked = *value;
    notify(series, words::poke, static_cast<i32>(e), 1, &poked);
    // The hook may have shortened the series.
    if (e < buffer_length(series)) store_unit(series, static_cast<u32>(e), poked);
    notify(series, words::poked, static_cast<i32>(e), 1, &poked);
    *s = poked;
    return s;
}

// ---- removal and reordering --------------------------------------------------------

Cell* remove(Cell* s, const Cell* part, const Cell* key) {
    i64 count = part ? part_count(*s, *part) : 1;
    if (count < 1) return s;
    if (key) {
        Cell found = *s;
        FindRefinements exact;
        exact.case_ = true;
        const sig::on_find find = actions_of(*s).on_find;
        if (!find) raise(ErrorId::internal_not_done);
        find(&found, key, exact);
        if (!found.is(s->type())) {
            *s = none_cell;
            return s;
        }
        as_series(*s).index = as_series(found).index;
        ++count;
    }
    if (remaining_length(*s, false) == 0) return s;
    const Cell series = *s;
    notify_at_index(series, words::remove, count);
    drop_units(series, as_series(series).index, static_cast<u32>(std::min<i64>(count, 0x7FFFFFFF)));
    notify_at_index(series, words::removed, 0);
    return s;
}

void reverse_records(const Cell& s, u32 from, u32 count, u32 record) {
    Buffer* b = buffer_of(s);
    const u32 length = units_in(b);
    if (from >= length) return;
    count = std::min(count, length - from);
    count -= count % record;
    const std::size_t bytes = static_cast<std::size_t>(record) << b->shift();
    std::vector<u8> scratch(bytes);
    for (u32 i = 0, j = count / record; i + 1 < j; ++i, --j) {
        u8* x = unit_at(b, from + i * record);
        u8* y = unit_at(b, from + (j - 1) * record);
        std::memcpy(scratch.data(), x, bytes);
        std::memcpy(x, y, bytes);
        std::memcpy(y, scratch.data(), bytes);
    }
}

Cell* reverse(Cell* s, const Cell* part, const Cell* skip_arg) {
    const u32 remaining = remaining_length(*s, false);
    i64 count = part ? i64{part_count(*s, *part)} : i64{remaining};
    if (count < 1) return s;
    count = std::min<i64>(count, remaining);
    i64 record = 1;
    if (skip_arg) {
        if (!skip_arg->is(Type::integer)) bad_refine(words::skip, *skip_arg);
        record = integer::get(*skip_arg);
        if (record == count) return s;
        if (record < 1) raise(ErrorId::script_out_of_range, skip_arg);
        if (count < record || count % record != 0) bad_refine(words::skip, *skip_arg);
    }
    if (count < 2) return s;
    const Cell series = *s;
    notify_at_index(series, words::reverse, count);
    reverse_records(series, as_series(series).index, static_cast<u32>(count), static_cast<u32>(record));
    notify_at_index(series, words::reversed, count);
    return s;
}

Cell* clear(Cell* s) {
    const u32 remaining = remaining_length(*s, false);
    if (remaining == 0) return s;
    const Cell series = *s;
    notify_at_index(series, words::clear, remaining);
    const u32 index = as_series(series).index;
    Buffer* b = buffer_of(series);
    if (index < units_in(b)) b->tail = b->head + (index << b->shift());
    notify_at_index(series, words::cleared, 0);
    return s;
}

// ---- move --------------------------------------------------------------------------

void move_within(const Cell& s, u32 from, u32 count, u32 to) {
    Buffer* b = buffer_of(s);
    const u32 length = units_in(b);
    if (from >= length) return;
    count = std::min(count, length - from);
    to = std::min(to, length);
    if (to >= from && to <= from + count) return;
    const u32 shift = b->shift();
    std::vector<u8> moved(unit_at(b, from), unit_at(b, from + count));
    if (to > from) {
        std::memmove(unit_at(b, from), unit_at(b, from + count), static_cast<std::size_t>(to - from - count) << shift);
        std::memcpy(unit_at(b, to - count), moved.data(), moved.size());
    } else {
        std::memmove(unit_at(b, to + count), unit_at(b, to), static_cast<std::size_t>(from - to) << shift);
        std::memcpy(unit_at(b, to), moved.data(), moved.size());
    }
}

void move_across(const Cell& source, u32 count, const Cell& target) {
    const u32 from = as_series(source).index;
    const u32 length = units_in(buffer_of(source));
    if (from >= length) return;
    count = std::min(count, length - from);
    const u32 unit = buffer_of(source)->unit();
    Buffer* tb = buffer_of(target);
    if (unit > tb->unit() && unit != sizeof(Cell)) tb = unicode::widen(tb, unit, count);
    const u32 to = std::min(as_series(target).index, units_in(tb));
    tb = open_units(target, to, count);
    // The units go straight from the source, read after the target grew: the addresses
    // hold until they are copied.
    const memory::NoAllocation steady;
    Buffer* sb = buffer_of(source);
    if (unit == sizeof(Cell)) {
        std::memcpy(unit_at(tb, to), unit_at(sb, from), static_cast<std::size_t>(count) * sizeof(Cell));
    } else {
        for (u32 i = 0; i < count; ++i)
            unicode::write_unit(unit_at(tb, to + i), tb->unit(), unicode::read_unit(unit_at(sb, from + i), unit));
    }
    drop_units(source, from, count);
}

Cell* move(Cell* s, Cell* target, const Cell* part) {
    if (!any_series(target->type())) raise_expect_arg(*target, move_target_parameter);
    const Cell source = *s;
    const Cell destination = *target;
    if (remaining_length(*s, false) == 0) {
        *s = destination;
        return s;
    }
    i64 count = part ? part_count(source, *part, PartRule::count_only) : 1;
    count = std::min<i64>(count, remaining_length(*s, false));
    if (count < 1) {
        *s = destination;
        return s;
    }
    const auto from = as_series(source);
    if (from.node == as_series(destination).node) {
        const u32 to = std::min(as_series(destination).index, buffer_length(destination));
        if (to >= from.index && to <= from.index + count) return s;
        notify_at_index(source, words::move, count);
        move_within(source, from.index, static_cast<u32>(count), to);
        keep_table(source, std::min(to, from.index));
        notify_at_index(source, words::moved, count);
        *s = destination;
        return s;
    }
    const bool blocks = any_block(source.type());
    const u32 source_unit = buffer_of(source)->unit();
    const u32 target_unit = buffer_of(destination)->unit();
    const bool raw = source.is(Type::binary) || source.is(Type::vector) || destination.is(Type::binary) ||
                     destination.is(Type::vector);
    if (blocks != any_block(destination.type()) || (raw && source_unit != target_unit)) {
        const Cell from_type = datatype::of(source.type());
        const Cell to_type = datatype::of(destination.type());
        raise(ErrorId::script_move_bad, &from_type, &to_type);
    }
    notify_at_index(source, words::move, count);
    notify_at_index(destination, words::move, count);
    move_across(source, static_cast<u32>(count), destination);
    notify_at_index(source, words::moved, count);
    notify_at_index(destination, words::moved, count);
    *s = destination;
    return s;
}

// ---- random ------------------------------------------------------------------------

Cell* random_action(Cell* s, bool seed, bool secure, bool only) {
    const u32 remaining = remaining_length(*s, false);
    if (seed) {
        // A string seeds by its characters, so equal strings seed alike whatever width
        // their buffers have grown to.
        if (in_family(s->type(), family::any_string)) {
            random::seed(hashtable::hash_string(*s, true));
        } else {
            Buffer* b = buffer_of(*s);
            const std::size_t bytes = static_cast<std::size_t>(remaining) << b->shift();
            random::seed(hashtable::murmur3_bytes(unit_at(b, as_series(*s).index), bytes));
        }
        *s = unset_cell;
        return s;
    }
    if (only) {
        if (remaining == 0) {
            *s = none_cell;
            return s;
        }
        notify_at_index(*s, words::random, remaining);
        const i32 k = random::int_up_to(secure, static_cast<i32>(remaining_length(*s, false)));
        *s = k < 1 ? none_cell : element(*s, as_series(*s).index + static_cast<u32>(k) - 1);
        return s;
    }
    if (remaining < 2) return s;
    const Cell series = *s;
    notify_at_index(series, words::random, remaining);
    Cell at_now = series;
    const u32 length = remaining_length(at_now, false);
    const u32 index = as_series(series).index;
    const u32 shift = buffer_of(series)->shift();
    std::vector<u8> scratch(std::size_t{1} << shift);
    for (u32 i = 0; i + 1 < length; ++i) {
        const u32 j = i + static_cast<u32>(random::int_up_to(secure, static_cast<i32>(length - i))) - 1;
        if (j == i) continue;
        Buffer* b = buffer_of(series);
        u8* x = unit_at(b, index + i);
        u8* y = unit_at(b, index + j);
        std::memcpy(scratch.data(), x, scratch.size());
        std::memcpy(x, y, scratch.size());
        std::memcpy(y, scratch.data(), scratch.size());
    }
    notify_at_index(series, words::randomized, length);
    return s;
}

bool names_owned(const Cell& field) {
    return word::any_word_type(field.type()) &&
           symbol::canonical_id(as_word(field).symbol) == symbol::canonical_id(sym::owned);
}

}  // namespace

void drop_units(const Cell& s, u32 at, u32 count) {
    Buffer* b = buffer_of(s);
    const u32 length = units_in(b);
    if (at >= length) return;
    count = std::min(count, length - at);
    const u32 shift = b->shift();
    std::memmove(unit_at(b, at), unit_at(b, at + count), static_cast<std::size_t>(length - at - count) << shift);
    b->tail -= count << shift;
}

Buffer* open_units(const Cell& s, u32 at, u32 count) {
    Buffer* b = buffer_of(s);
    const u64 needed = static_cast<u64>(b->used()) + (static_cast<u64>(count) << b->shift());
    if (needed > max_series_bytes) memory::raise_no_memory();
    if (b->head + needed > b->size) b = series_buffer::expand(b, static_cast<i64>(std::min<u64>(needed * 2, max_series_bytes)));
    const u32 shift = b->shift();
    const u32 length = units_in(b);
    std::memmove(unit_at(b, at + count), unit_at(b, at), static_cast<std::size_t>(length - at) << shift);
    b->tail += count << shift;
    return b;
}

// ---- ownership field ---------------------------------------------------------------

Cell* reflect(Cell* s, const Cell* field) {
    if (!names_owned(*field)) raise(ErrorId::internal_not_done);
    const Cell* owner = ownership::owner_of(as_series(*s).node);
    *s = owner ? *owner : none_cell;
    return s;
}

Cell* modify(Cell* s, const Cell* field, const Cell* value, bool) {
    if (!names_owned(*field)) return s;
    if (value->is(Type::none)) {
        ownership::release(*s);
    } else if (value->is(Type::block)) {
        // [owner word] at the block's position.
        const u32 index = as_series(*value).index;
        if (u64{index} + 2 <= buffer_length(*value))
            ownership::claim(*s, element(*value, index), element(*value, index + 1));
    }
    return s;
}

bool any_block(Type t) { return in_family(t, family::any_block); }
bool any_string(Type t) { return in_family(t, family::any_string); }
bool any_series(Type t) { return in_family(t, family::series); }

bool at_tail(const Cell& s) { return as_series(s).index >= buffer_length(s); }

// An image's units are its pixels, counted from its size word (an empty image has no node).
u32 buffer_length(const Cell& s) {
    if (s.is(Type::image)) return (s.w3 & 0xFFFF) * (s.w3 >> 16);
    return units_in(buffer_of(s));
}

bool advance(Cell& s, i32 n) {
    u32& index = as_series(s).index;
    const i64 to = i64{index} + n;
    if (to >= 0 && to <= buffer_length(s)) index = static_cast<u32>(to);
    return at_tail(s);
}

Cell* offset_index(Cell* s, const Cell* offset, bool at) {
    if (!offset->is(Type::integer)) raise(ErrorId::script_invalid_arg, offset);
    const i64 n = integer::get(*offset);
    u32& index = as_series(*s).index;
    const i64 to = i64{index} + (at && n >= 1 ? n - 1 : n);
    index = static_cast<u32>(std::clamp<i64>(to, 0, buffer_length(*s)));
    return s;
}

u32 remaining_length(Cell& s, bool from_head) {
    const u32 length = buffer_length(s);
    u32& index = as_series(s).index;
    if (index > length) {
        index = length;
        return 0;
    }
    return from_head ? length : length - index;
}

PartRange part_range(const Cell& s, const Cell& part, PartRule rule) {
    const auto pos = as_series(s);
    const i64 index = pos.index;
    if (part.is(Type::integer)) return {index, integer::get(part)};
    if (rule == PartRule::range && part.is(Type::pair)) {
        const i64 x = as_pair(part).x;
        const i64 y = as_pair(part).y;
        return {std::max<i64>(index + (x > 0 ? x - 1 : x), 0), y < x ? 0 : y - x};
    }
    if (rule != PartRule::count_only && part.type() == s.type() && as_series(part).node == pos.node)
        return {index, i64{std::min(as_series(part).index, buffer_length(part))} - index};
    if (rule == PartRule::insertion && !any_series(part.type())) raise(ErrorId::script_invalid_part, &part);
    bad_refine(words::part, part);
}

void notify(const Cell& s, const Cell* action, i32 index, i32 count, const Cell* new_value) {
    // Before the owner's hook runs language code that may search it, a hash!'s table
    // follows its block: after a change, the cells from the change on are entered again.
    keep_table(s, static_cast<u32>(std::max(index, 0)));
    ownership::notify(s, action, new_value ? *new_value : none_cell, index, count);
}

SearchRange search_range(Cell& series, u32 total, const FindRefinements& r, SearchRule rule) {
    SearchRange range;
    u32& index = as_series(series).index;
    index = std::min(index, total);
    range.index = index;
    range.end = total;
    range.last = r.last;
    range.reverse = r.reverse;
    range.match = r.match;
    range.rule = rule;
    if (total == 0 || (range.index >= total && !r.reverse)) {
        range.none = true;
        return range;
    }
    if (rule == SearchRule::units && (r.any || r.with)) raise(ErrorId::internal_not_done);
    if (r.skip) {
        if (!r.skip->is(Type::integer)) bad_refine(words::skip, *r.skip);
        range.step = integer::get(*r.skip);
        if (range.step < 1) raise(ErrorId::script_out_of_range, r.skip);
    }
    if (r.part) {
        range.count = part_count(series, *r.part);
        if (range.count < 1 && (rule == SearchRule::units || r.part->is(Type::integer))) {
            range.none = true;
            return range;
        }
        range.end = std::min<i64>(range.index + range.count, total);
    }
    return range;
}

SearchWindow search_window(const SearchRange& range, u32 sought) {
    SearchWindow w;
    w.match = range.match;
    if (range.none) return w;
    const bool cells = range.rule == SearchRule::cells;
    if (range.last) {
        w.first = range.end - sought;
        w.last = cells ? 0 : range.index;
    } else if (range.reverse) {
        w.first = range.index - sought;
        w.last = cells || range.count < 0 ? 0 : std::max<i64>(range.index - range.count, 0);
    } else {
        w.first = range.index;
        w.last = range.end - sought;
        w.step = range.step;
        return w;
    }
    w.step = -range.step;
    // A backward start before the head finds nothing.
    if (w.first < 0) w.last = w.first + 1;
    return w;
}

Cell* found(Cell* series, const Match& match, bool tail) {
    if (match.at < 0) {
        *series = none_cell;
    } else {
        as_series(*series).index = static_cast<u32>(match.at + (tail ? match.length : 0));
    }
    return series;
}

Cell* selected(Cell* series, const Match& match) {
    const u64 after = static_cast<u64>(match.at) + match.length;
    *series = match.at < 0 || after >= buffer_length(*series) ? none_cell : element(*series, static_cast<u32>(after));
    return series;
}

namespace {

// The record size of a /skip argument, 1 without one.
u32 set_record_size(const Cell* skip) {
    if (!skip) return 1;
    if (!skip->is(Type::integer) || integer::get(*skip) < 1) bad_refine(words::skip, *skip);
    return static_cast<u32>(integer::get(*skip));
}

// The record keys already seen of one or both series of a set operation: open addressing
// with the hash tables' probe over references to records, bit 31 telling the second series.
class RecordIndex {
public:
    RecordIndex(const Cell* series[2], bool case_sensitive, const SetRecords& how, u32 expected)
        : series_(series), case_(case_sensitive), how_(how),
          slots_(hashtable::next_pow2(std::max<u32>(expected * 2, 8)), empty_slot) {}

    static u32 reference(bool second, u32 at) { return at | (second ? second_bit : 0); }

    // Whether a record with the referenced one's key is in the index; adds it when not and
    // asked to.
    bool contains(u32 ref, bool add) {
        const Cell& s = *series_[ref >> 31];
        const u32 at = ref & ~second_bit;
        for (hashtable::Probe p(how_.hash(s, at, case_), static_cast<u32>(slots_.size())); p.more(); p.next()) {
            const u32 slot = slots_[p.at()];
            if (slot == empty_slot) {
                if (add) slots_[p.at()] = ref;
                return false;
            }
            if (how_.equal(s, at, *series_[slot >> 31], slot & ~second_bit, case_)) return true;
        }
        return false;
    }

private:
    static constexpr u32 second_bit = 0x80000000;
    static constexpr u32 empty_slot = 0xFFFFFFFF;
    const Cell** series_;
    bool case_;
    const SetRecords& how_;
    std::vector<u32> slots_;
};

}  // namespace

void set_operation(SetOp op, const Cell& first_arg, const Cell* second_arg, const Cell* skip, bool case_,
                   const SetRecords& how, void* result) {
    const u32 record = set_record_size(skip);
    Cell first = first_arg;
    Cell second = second_arg && op != SetOp::unique ? *second_arg : first;
    u32& start1 = as_series(first).index;
    u32& start2 = as_series(second).index;
    start1 = std::min(start1, how.length(first));
    start2 = std::min(start2, how.length(second));
    const Cell* series[2] = {&first, &second};
    const u32 length1 = how.length(first) - start1;
    const u32 length2 = how.length(second) - start2;
    RecordIndex taken(series, case_, how, length1 + length2);
    // Takes each record of series `from` whose membership in `other` is `wanted` and that
    // is new to the result.
    auto pass = [&](bool from_second, RecordIndex* other, bool wanted) {
        const Cell& from = *series[from_second];
        for (u64 at = as_series(from).index; at + record <= how.length(from); at += record) {
            const u32 ref = RecordIndex::reference(from_second, static_cast<u32>(at));
            if (other && other->contains(ref, false) != wanted) continue;
            if (taken.contains(ref, true)) continue;
            how.take(result, from, static_cast<u32>(at), record);
        }
    };
    // Every record of one series in an index, for the membership test of the other.
    auto index_of = [&](bool second_series, u32 length) {
        RecordIndex index(series, case_, how, length);
        const Cell& s = *series[second_series];
        for (u64 at = as_series(s).index; at + record <= how.length(s); at += record)
            index.contains(RecordIndex::reference(second_series, static_cast<u32>(at)), true);
        return index;
    };
    switch (op) {
    case SetOp::unique:
        pass(false, nullptr, true);
        break;
    case SetOp::union_:
        pass(false, nullptr, true);
        pass(true, nullptr, true);
        break;
    case SetOp::intersect:
    case SetOp::exclude: {
        RecordIndex in_second = index_of(true, length2);
        pass(false, &in_second, op == SetOp::intersect);
        break;
    }
    case SetOp::difference: {
        RecordIndex in_second = index_of(true, length2);
        pass(false, &in_second, false);
        RecordIndex in_first = index_of(false, length1);
        pass(true, &in_first, false);
        break;
    }
    default:
        fatal::exit_with_error(fatal::no_switch_match);
    }
}

void swap_elements(const Cell& a, const Cell& b, void (*exchange)(const Cell& a, const Cell& b)) {
    if (at_tail(a) || at_tail(b)) return;
    notify_at_index(a, words::swap, 1);
    notify_at_index(b, words::swap, 1);
    if (!at_tail(a) && !at_tail(b)) exchange(a, b);
    notify_at_index(a, words::swaped, 1);
    notify_at_index(b, words::swaped, 1);
}

Cell* copy(Cell* value, Cell* result, const Cell* part, bool, const Cell*) {
    const auto pos = as_series(*value);
    const i64 length = buffer_length(*value);
    const i64 index = pos.index;
    i64 start = index;
    i64 count = index > length ? 0 : length - index;
    if (part) {
        const PartRange range = part_range(*value, *part, PartRule::range);
        start = range.start;
        count = range.count;
        if (count < 0) {
            count = -count;
            start -= count;
            if (start < 0) {
                start = 0;
                count = index;
            }
        }
    }
    start = std::min(start, length);
    count = std::min(count, length - start);
    const Node slice = series_buffer::copy_slice(pos.node, static_cast<u32>(start), static_cast<u32>(count));
    Cell copied = series_cell(value->type(), slice);
    copied.header |= value->header & cellflag::new_line;
    if (value->is(Type::vector)) as_series(copied).extra = pos.extra;
    *result = copied;
    return result;
}

Cell* take(Cell* s, const Cell* part, bool last, bool* single) {
    *single = false;
    const u32 remaining = remaining_length(*s, false);
    if (remaining == 0) {
        *s = none_cell;
        return s;
    }
    const Cell source = *s;
    const i64 index = as_series(source).index;
    const i64 end = index + remaining;
    i64 count = 1;
    if (!part) {
        *single = true;
    } else if (part->is(Type::integer)) {
        const i64 n = integer::get(*part);
        if (n > 0) {
            count = std::min<i64>(n, remaining);
        } else {
            // A count below 1 takes backwards from just before the position; nothing with
            // /last, for 0, or when fewer units lie before the position.
            count = last || n == 0 || index < -n ? 0 : -n;
            last = false;
        }
    } else {
        // A position counts from the series' index, or with /last from it to the tail.
        const i64 span = part_count(source, *part);
        count = std::clamp<i64>(last ? remaining - span : span, 0, remaining);
    }
    i64 start = last ? end - count : index;
    if (part && part->is(Type::integer) && integer::get(*part) < 0) start = index - count;
    if (count > 0) notify(source, words::take, static_cast<i32>(start), static_cast<i32>(count));
    // The hook may have changed the series: take what is still there.
    const i64 length = buffer_length(source);
    start = std::min(start, length);
    count = std::min(count, length - start);
    Cell taken{};
    Cell from = source;
    as_series(from).index = static_cast<u32>(start);
    const Cell count_cell = integer::cell(static_cast<i32>(count));
    copy(&from, &taken, &count_cell, false, nullptr);
    taken.header = header_of(source.type());
    if (count > 0) {
        drop_units(source, static_cast<u32>(start), static_cast<u32>(count));
        notify(source, words::taken, static_cast<i32>(start), static_cast<i32>(count));
    }
    *single = *single && count == 1;
    *s = taken;
    return s;
}

namespace {
Cell* take_action(Cell* s, const Cell* part, bool, bool last) {
    bool single;
    return take(s, part, last, &single);
}
}  // namespace

}  // namespace zel::series

namespace zel {

constinit const ActionRecord series_actions = [] {
    using namespace series;
    ActionRecord r;
    r.on_random = random_action;
    r.on_reflect = reflect;
    r.on_at = at;
    r.on_back = back;
    r.on_clear = clear;
    r.on_copy = copy;
    r.on_head = head;
    r.on_head_q = head_q;
    r.on_index_q = index_q;
    r.on_length_q = length_q;
    r.on_move = move;
    r.on_next = next;
    r.on_pick = pick;
    r.on_poke = poke;
    r.on_remove = remove;
    r.on_reverse = reverse;
    r.on_skip = skip;
    r.on_tail = tail;
    r.on_tail_q = tail_q;
    r.on_take = take_action;
    r.on_modify = modify;
    return r;
}();

}  // namespace zel
