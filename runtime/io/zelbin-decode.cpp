// The Zelbin reader, for both forms. Every value is built in place: its cell is appended to
// the block (or context, or error) that holds it before its contents are read, so that a
// half-built value is always reachable by the collector, and by the reference paths that
// lead into it. Cells are named by (node, index) and re-read after each allocation.
#include <algorithm>
#include <cmath>
#include <iterator>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "runtime/codec/lz.h"
#include "runtime/core/action-slots.h"
#include "runtime/core/cell-views.h"
#include "runtime/core/date-word.h"
#include "runtime/core/money-word.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/error.h"
#include "runtime/datatypes/function.h"
#include "runtime/datatypes/hash.h"
#include "runtime/datatypes/map.h"
#include "runtime/datatypes/native.h"
#include "runtime/datatypes/object.h"
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/standard.h"
#include "runtime/datatypes/tuple.h"
#include "runtime/datatypes/vector.h"
#include "runtime/eval/routine-code.h"
#include "runtime/eval/stack.h"
#include "runtime/hash/hashtable.h"
#include "runtime/io/zelbin.h"
#include "runtime/memory/gc.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/names/context.h"
#include "runtime/names/runtime-words.h"
#include "runtime/names/symbol.h"
#include "runtime/text/utf8.h"

namespace zel::zelbin {
namespace {

constexpr u32 highest_type = static_cast<u32>(Type::event);

bool word_like(Type t) { return t >= Type::word && t <= Type::refinement; }

Cell* cells_of(Node series) { return reinterpret_cast<Cell*>(node::buffer(series)->head_ptr()); }
u32 cell_count(Node series) { return node::buffer(series)->cell_count(); }

// Where a decoded value goes: a cell of a series (a block, a context's values), a cell of
// the evaluation stack (series 0), or a part of the function! held at (series, index): its
// spec (part 0) or its body (part 1).
struct Slot {
    Node series = 0;
    u32 index = 0;
    i32 part = -1;

    Cell& own() const { return series ? cells_of(series)[index] : *stack::at(index); }
    Cell get() const {
        if (part < 0) return own();
        const Cell fn = own();
        return part == 0 ? block_cell(as_function(fn).spec) : *function::record_cell(fn, function::record::body);
    }
    void set(const Cell& c) const {
        if (part < 0) {
            own() = c;
            return;
        }
        if (part == 1) {
            *function::record_cell(own(), function::record::body) = c;
            return;
        }
        Cell& fn = own();
        as_function(fn).spec = as_series(c).node;
        context::owner_slot(as_function(fn).context) = fn;
    }
};

Slot append_slot(Node block) {
    *series_buffer::append_cell(node::buffer(block)) = unset_cell;
    return {block, cell_count(block) - 1};
}

class Decoder {
public:
    Decoder(const u8* body, std::size_t size, Node destination, Mode mode, std::span<const Cell> kept)
        : body_(body), p_(body), end_(body + size), dest_(destination), mode_(mode),
          dest_start_(cell_count(destination)), kept_(kept) {}

    void run(bool compact, bool symbols);

private:
    // The canonical symbols of func, function and has (a parameter block and a body follow) and of
    // does (a body follows), looked for in the boot image's blocks.
    u32 with_spec_[3] = {};
    u32 does_ = 0;
    void mark_body_literals(Node block) const;

    const u8* body_;
    const u8* p_;
    const u8* end_;
    Node dest_;
    Mode mode_;
    u32 dest_start_;
    std::span<const Cell> kept_;
    bool compact_ = true;
    u32 depth_ = 0;
    // The symbol table: names at offsets in the strings; ids interned on first use.
    const u8* offsets_ = nullptr;
    const u8* strings_ = nullptr;
    u32 strings_size_ = 0;
    std::vector<u32> symbol_ids_;
    // The global word's slot index of each symbol-table entry plus one (0: not looked up
    // yet): the boot image names the same global words thousands of times, and each lookup
    // by name costs a probe of the global word table.
    std::vector<u32> global_words_;
    // A word whose context's owner record is being read: bound as soon as the context
    // exists, before the owner's values, which may lead back through it.
    bool binding_word_ = false;
    Slot pending_word_;
    u32 pending_index_ = 0;
    // Boot image: the word record being read follows an owned-word lead, so it carries its
    // owner's record or a reference path rather than a root index.
    bool owned_word_ = false;
    // Boot image: the context nodes of the object and function records open around the
    // current record, innermost last. Each is reachable from the destination through the
    // value whose record is being read, which holds its context before its contents.
    std::vector<u32> open_owners_;
    Cell read_enclosing_word(Type t, const u8* at);
    // Reads an enclosing-word record (its lead, at most one new-line mark, a word type byte)
    // into the block's next cell; false, reading nothing, for any other record.
    bool enclosing_word_record(Node block);

    [[noreturn]] void fail(const u8* at) const {
        const Cell offset{header_of(Type::integer), 0, static_cast<u32>(lead_in_size + (at - body_) + 1), 0};
        raise(ErrorId::script_zb_invalid_record, &offset);
    }
    std::size_t left() const { return static_cast<std::size_t>(end_ - p_); }
    void need(std::size_t n) const {
        if (left() < n) fail(p_);
    }
    u8 byte() {
        need(1);
        return *p_++;
    }
    u32 raw() {
        need(4);
        const u32 w = u32{p_[0]} | u32{p_[1]} << 8 | u32{p_[2]} << 16 | u32{p_[3]} << 24;
        p_ += 4;
        return w;
    }
    u32 varint() {
        if (p_ < end_ && *p_ < 0x80) return *p_++;
        const u8* at = p_;
        u32 v = 0;
        for (u32 shift = 0; shift < 35; shift += 7) {
            const u8 b = byte();
            if (shift == 28 && (b & 0xF0)) fail(at);
            v |= u32{b & 0x7Fu} << shift;
            if (!(b & 0x80)) return v;
        }
        fail(at);
    }
    i32 zigzag() {
        const u32 v = varint();
        return static_cast<i32>((v >> 1) ^ (0u - (v & 1)));
    }
    // A count or length field of either form.
    u32 count() { return compact_ ? varint() : raw(); }
    // A count of items, each taking at least `each` bytes, checked against what is left.
    u32 items(u32 each) {
        const u8* at = p_;
        const u32 n = count();
        if (u64{n} * each > left()) fail(at);
        return n;
    }
    // The symbol of a symbol-table entry, interned on its first use.
    u32 symbol(const u8* at, u32 index) {
        if (index < symbol_ids_.size() && symbol_ids_[index]) return symbol_ids_[index];
        return intern_entry(at, index);
    }
    u32 intern_entry(const u8* at, u32 index);
    // Reads a global word record (a word type byte after at most one new-line mark) into the
    // block's next cell; false, reading nothing, for any other record.
    bool global_word_record(Node block);
    // The global word of the symbol-table entry, whose symbol is `s`: a word! bound to
    // the global context, in the entry's spelling, at the slot of its name.
    Cell global_word(u32 entry, u32 s) {
        u32& known = global_words_[entry];
        if (!known) known = context::make_global_word(s).w3 + 1;
        return word_cell(Type::word, context::global, s, known - 1);
    }
    // Reads the symbol-table entry of a global word record of type `t` (its type byte read,
    // `at` the record's start) and makes its cell.
    Cell read_global_word(const u8* at, Type t, bool new_line) {
        const u32 entry = count();
        Cell w = global_word(entry, symbol(at, entry));
        return *cell::set_new_line(cell::set_type(&w, t), new_line);
    }
    Cell resolve(const u8* at);
    // The reference record that stands for a record's contents.
    Cell reference_path(const u8* at) {
        if (!compact_ && raw() != bit::reference_record) fail(at);
        return resolve(at);
    }
    // Fails unless the next record is a block!, as a function's spec and body must be.
    void expect_block(const u8* at) const;
    void bind(Slot word, Node ctx, u32 index, const u8* at);
    Node context_of(const Cell& found, const u8* at) const;
    // The function or routine that a reference record names through a value carrying its
    // context; any other owner is a bad record.
    Cell referenced_owner(Type t, const u8* at);
    void record(Slot slot);
    void compact_record(Slot slot);
    void full_record(Slot slot);
    void contents(Slot slot, Type t, bool variant, u32 bits, bool reference, const u8* at);
    void scalar(Slot slot, Type t, bool variant, u32 bits, const u8* at);
    void series(Slot slot, Type t, bool variant, u32 bits, bool reference, const u8* at);
    void any_word(Slot slot, Type t, bool variant, u32 bits, bool reference, const u8* at);
    void bind_pending(Node ctx, const u8* at);
    struct ContextHead {
        u32 kind = 0;
        bool flag = false;
        bool on_stack = false;
        bool values = false;
        std::vector<u32> symbols;
    };
    ContextHead context_head(u32 flags, const u8* at);
    void add_words(Node ctx, const ContextHead& head, const u8* at);
    ContextHead context_record(const u8* at);
    void object(Slot slot, Type t, bool variant, u32 bits, bool reference, const u8* at);
    void function(Slot slot, bool variant, bool reference, const u8* at);
    void routine(Slot slot, bool reference, const u8* at);
    void native(Slot slot, Type t, const u8* at);
    void op(Slot slot, u32 bits, const u8* at);
    void error(Slot slot, const u8* at);
};

u32 Decoder::intern_entry(const u8* at, u32 index) {
    if (index >= symbol_ids_.size()) fail(at);
    const u8* o = offsets_ + u64{index} * 4;
    const u32 offset = u32{o[0]} | u32{o[1]} << 8 | u32{o[2]} << 16 | u32{o[3]} << 24;
    if (offset >= strings_size_) fail(at);
    const u8* name = strings_ + offset;
    const auto length = static_cast<u32>(std::strlen(reinterpret_cast<const char*>(name)));
    if (length == 0) fail(at);
    for (std::size_t i = 0; i < length;) {
        if (name[i] < 0x80) {
            ++i;
            continue;
        }
        std::size_t available = length - i;
        if (unicode::decode_utf8_char(name + i, available) < 0) fail(at);
        i += available;
    }
    return symbol_ids_[index] = symbol::intern(name, length);
}

// Marks each block that the block holds as a function's body literal: the block after
// `func`, `function` or `has` and a parameter block, or after `does`.
void Decoder::mark_body_literals(Node block) const {
    const Cell* cells = cells_of(block);
    const u32 n = cell_count(block);
    for (u32 i = 0; i + 1 < n; ++i) {
        if (!cells[i].is(Type::word) || !cells[i + 1].is(Type::block)) continue;
        const u32 name = symbol::canonical_id(as_word(cells[i]).symbol);
        u32 body = 0;
        if (name == does_) body = i + 1;
        else if (std::find(std::begin(with_spec_), std::end(with_spec_), name) != std::end(with_spec_) && i + 2 < n &&
                 cells[i + 2].is(Type::block))
            body = i + 2;
        if (body && as_series(cells[body]).index == 0)
            node::buffer(as_series(cells[body]).node)->flags |= bufferflag::boot_body;
    }
}

void Decoder::run(bool compact, bool symbols) {
    if (mode_ == Mode::boot) {
        const char* names[] = {"func", "function", "has"};
        for (u32 i = 0; i < 3; ++i) with_spec_[i] = symbol::canonical_id(symbol::intern(names[i]));
        does_ = symbol::canonical_id(symbol::intern("does"));
    }
    compact_ = compact;
    const u8* at = p_;
    u32 payload = 0;
    if (compact) {
        varint();
        payload = varint();
    } else {
        raw();
        payload = raw();
    }
    if (symbols) {
        at = p_;
        const u32 n = count();
        const u32 size = count();
        if (u64{n} * 4 + size > left() || (n && !size)) fail(at);
        offsets_ = p_;
        strings_ = p_ + u64{n} * 4;
        strings_size_ = size;
        if (size && strings_[size - 1] != 0) fail(at);
        symbol_ids_.assign(n, 0);
        global_words_.assign(n, 0);
        p_ = strings_ + size;
    }
    if (payload > left()) fail(at);
    end_ = p_ + payload;
    while (p_ < end_) {
        if (!compact_) {
            while (left() >= 4 && std::memcmp(p_, "\0\0\0\0", 4) == 0) p_ += 4;
            if (p_ == end_) break;
        }
        record(append_slot(dest_));
    }
}

void Decoder::record(Slot slot) {
    if (++depth_ > max_depth) fail(p_);
    if (compact_) compact_record(slot);
    else full_record(slot);
    --depth_;
}

// The most common record of code, read without the general record's steps; the same
// checks apply.
bool Decoder::global_word_record(Node block) {
    if (!compact_ || depth_ >= max_depth) return false;
    const u8* at = p_;
    const u8* q = p_;
    const bool new_line = q < end_ && *q == lead::new_line;
    if (new_line) ++q;
    if (q == end_ || *q >= 0x40 || !word_like(static_cast<Type>(*q))) return false;
    const Type t = static_cast<Type>(*q);
    p_ = q + 1;
    *series_buffer::append_cell(node::buffer(block)) = read_global_word(at, t, new_line);
    return true;
}

void Decoder::compact_record(Slot slot) {
    const u8* at = p_;
    bool new_line = false, reference = false, set_global = false, owned = false, enclosing = false, unbound = false;
    u8 b = byte();
    for (;; b = byte()) {
        if (b == lead::new_line) new_line = true;
        else if (b == lead::reference) reference = true;
        else if (b == lead::set_global) set_global = true;
        else if (b == lead::owned_word && mode_ == Mode::boot) owned = true;
        else if (b == lead::enclosing_word && mode_ == Mode::boot) enclosing = true;
        else if (b == lead::unbound_word && mode_ == Mode::boot) unbound = true;
        else break;
    }
    // A global word, the most common record of code, made in place.
    if (b < 0x40 && !reference && !set_global && !owned && !enclosing && !unbound && word_like(static_cast<Type>(b)) &&
        slot.part < 0) {
        slot.own() = read_global_word(at, static_cast<Type>(b), new_line);
        return;
    }
    if (b >= 0x80) {
        if (reference || set_global || owned || enclosing || unbound) fail(at);
        if (b < lead::new_line) slot.set(Cell{header_of(Type::integer), 0, static_cast<u32>(b - lead::small_integer), 0});
        else if (b == lead::logic_true) slot.set(true_cell);
        else if (b == lead::logic_false) slot.set(false_cell);
        else if (b == lead::path) slot.set(resolve(at));
        else if (b == lead::global_object && mode_ == Mode::boot)
            slot.set(Cell{header_of(Type::object), context::global, 0xFFFFFFFF, 0});
        else if (b == lead::kept_value && mode_ == Mode::boot) {
            const u32 index = varint();
            if (index >= kept_.size()) fail(at);
            slot.set(kept_[index]);
        }
        else fail(at);
    } else {
        u32 id = b & 0x3F;
        if (id == 0x3F) id = varint();
        if (id == 0 || id > highest_type) fail(at);
        const Type t = static_cast<Type>(id);
        if (set_global && (mode_ != Mode::boot || !word_like(t) || slot.series == 0 || slot.part >= 0 ||
                           slot.index + 1 != cell_count(slot.series)))
            fail(at);
        if ((owned || enclosing || unbound) && (set_global || !word_like(t))) fail(at);
        if (unbound) {
            if (reference || owned || enclosing || (b & 0x40)) fail(at);
            const u32 s = symbol(at, count());
            slot.set(word_cell(t, 0, s, static_cast<u32>(zigzag())));
        } else if (enclosing) {
            if (reference || owned || !(b & 0x40)) fail(at);
            slot.set(read_enclosing_word(t, at));
        } else {
            owned_word_ = owned;
            contents(slot, t, (b & 0x40) != 0, 0, reference, at);
        }
        if (set_global) {
            const Slot value = append_slot(slot.series);
            record(value);
            Cell word = slot.get();
            word = context::make_global_word(as_word(word).symbol);
            context::set_word(word, value.get());
            node::buffer(slot.series)->tail -= 2 * static_cast<u32>(sizeof(Cell));
            return;
        }
    }
    // Most records carry no new-line mark and make a cell without one.
    if (slot.part < 0) {
        cell::set_new_line(&slot.own(), new_line);
        return;
    }
    Cell c = slot.get();
    slot.set(*cell::set_new_line(&c, new_line));
}

void Decoder::full_record(Slot slot) {
    const u8* at = p_;
    u32 header = 0;
    while ((header = raw()) == 0) at = p_;
    const u32 id = header & 0xFF;
    if (id == bit::reference_record) {
        slot.set(resolve(at));
    } else {
        if (id == 0 || id > highest_type) fail(at);
        const Type t = static_cast<Type>(id);
        const bool reference = t != Type::op && (header & bit::reference);
        contents(slot, t, false, header & 0x7FFFFF00, reference, at);
    }
    Cell c = slot.get();
    slot.set(*cell::set_new_line(&c, (header & bit::new_line) != 0));
}

void Decoder::contents(Slot slot, Type t, bool variant, u32 bits, bool reference, const u8* at) {
    if (word_like(t)) {
        any_word(slot, t, variant, bits, reference, at);
        return;
    }
    if (series_record(t)) {
        series(slot, t, variant, bits, reference, at);
        return;
    }
    if (t == Type::object || t == Type::context) {
        object(slot, t, variant, bits, reference, at);
        return;
    }
    if (t == Type::function) {
        function(slot, variant, reference, at);
        return;
    }
    if (t == Type::routine && mode_ == Mode::boot && compact_) {
        routine(slot, reference, at);
        return;
    }
    if (reference) fail(at);
    switch (t) {
    case Type::native: case Type::action: native(slot, t, at); return;
    case Type::op: op(slot, bits, at); return;
    case Type::error: error(slot, at); return;
    case Type::routine: case Type::triple: case Type::handle: case Type::port: case Type::event: {
        const Cell type = datatype::of(t);
        raise(ErrorId::access_no_codec, &type);
    }
    case Type::image: raise(ErrorId::internal_not_done);
    case Type::symbol: case Type::series: fail(at);
    default: scalar(slot, t, variant, bits, at);
    }
}

void Decoder::scalar(Slot slot, Type t, bool variant, u32 bits, const u8* at) {
    Cell c{header_of(t), 0, 0, 0};
    switch (t) {
    case Type::datatype: {
        const u32 id = count();
        if (id == 0 || id > highest_type) fail(at);
        c = datatype::of(static_cast<Type>(id));
        break;
    }
    case Type::unset: case Type::none: break;
    case Type::logic: c.w1 = raw() != 0; break;
    case Type::char_: {
        c.w2 = count();
        if (c.w2 > 0x10FFFF) fail(at);
        break;
    }
    case Type::integer: c.w2 = compact_ ? static_cast<u32>(zigzag()) : raw(); break;
    case Type::float_: case Type::time: case Type::percent: {
        if (compact_ && variant) {
            const i32 n = zigzag();
            set_float_payload(c, t == Type::percent ? n / 100.0 : static_cast<double>(n));
        } else if (compact_) {
            c.w2 = raw();
            c.w3 = raw();
        } else {
            c.w3 = raw();
            c.w2 = raw();
        }
        break;
    }
    case Type::pair: {
        c.w2 = compact_ ? static_cast<u32>(zigzag()) : raw();
        c.w3 = compact_ ? static_cast<u32>(zigzag()) : raw();
        break;
    }
    case Type::point2d: case Type::point3d: {
        c.w1 = raw();
        c.w2 = raw();
        if (t == Type::point3d) c.w3 = raw();
        break;
    }
    case Type::date: {
        c.w1 = raw();
        const bool timed = (c.w1 & date_word::time_flag) != 0;
        if (compact_) {
            if (variant != timed) fail(at);
            if (timed) {
                c.w2 = raw();
                c.w3 = raw();
            }
        } else {
            c.w3 = raw();
            c.w2 = raw();
        }
        const u32 month = date_word::month_of(c.w1);
        const u32 day = date_word::day_of(c.w1);
        if (month < 1 || month > 12 || day < 1 || day > date_word::month_length(month, date_word::year_of(c.w1)))
            fail(at);
        const double seconds = float_payload(c);
        const double local = seconds + date_word::zone_seconds(c.w1);
        if (timed ? !(local >= 0 && local < 86400) : seconds != 0) fail(at);
        break;
    }
    case Type::typeset: {
        if (compact_) {
            const u8 n = byte();
            if (n > 12) fail(at);
            need(n);
            std::memcpy(&c.w1, p_, n);
            p_ += n;
        } else {
            c.w1 = raw();
            c.w2 = raw();
            c.w3 = raw();
        }
        break;
    }
    case Type::tuple: {
        u32 n = 3;
        if (compact_) {
            if (variant) n = byte();
            if (n < 1 || n > tuple::max_count) fail(at);
            need(n);
            c = tuple::cell(p_, n);
            p_ += n;
        } else {
            n = bits >> bit::unit_shift & 0xFF;
            if (n < 1 || n > tuple::max_count) fail(at);
            u8 bytes[12];
            for (u32 i = 0; i < 3; ++i) {
                const u32 w = raw();
                std::memcpy(bytes + 4 * i, &w, 4);
            }
            c = tuple::cell(bytes, n);
        }
        break;
    }
    case Type::money: {
        need(12);
        std::memcpy(&c.w1, p_, 12);
        p_ += 12;
        const bool negative = compact_ ? variant : (bits & bit::money_negative) != 0;
        if (negative) c.header |= money_word::sign_bit;
        const u8* digits = reinterpret_cast<const u8*>(&c) + 5;
        if ((c.w1 & 0xFF) > money_word::currency_count) fail(at);
        for (u32 i = 0; i < 11; ++i)
            if ((digits[i] >> 4) > 9 || (digits[i] & 0xF) > 9) fail(at);
        break;
    }
    case Type::issue: {
        const u32 s = symbol(at, count());
        c = word_cell(Type::issue, 0, s, 0);
        break;
    }
    default: fail(at);
    }
    slot.set(c);
}

// The cells a path step walks into, and the value at `index` among them.
Cell Decoder::resolve(const u8* at) {
    const u32 n = items(compact_ ? 1 : 4);
    if (n < 1 || n > max_path) fail(at);
    Cell current = block_cell(dest_);
    for (u32 step = 0; step < n; ++step) {
        u32 index = count();
        if (step == 0) index += dest_start_;
        const bool bound = word_like(current.type()) && as_word(current).context &&
                           as_word(current).context != context::global;
        // A word bound to a function's context leads into the function.
        if (bound && (context::cell_of(as_word(current).context).header & cellflag::context_on_stack)) {
            current = context::owner_slot(as_word(current).context);
            if (!current.is(Type::function)) fail(at);
        }
        const Type t = current.type();
        Node cells = 0;
        u32 length = 0;
        Cell found{};
        if (series::any_block(t) || t == Type::map) {
            cells = as_series(current).node;
        } else if (t == Type::native || t == Type::action ||
                   (t == Type::op && (current.header & cellflag::op_wrapped_type) >> 16 != u32(Type::function))) {
            cells = as_native(current).spec;
        } else if (bound && word_like(t)) {
            cells = as_context(context::cell_of(as_word(current).context)).values;
            length = context::word_count(as_word(current).context);
        } else if (t == Type::function || t == Type::op) {
            if (index > 1) fail(at);
            found = index == 0 ? block_cell(as_function(current).spec) : *function::record_cell(current, function::record::body);
        } else if (t == Type::routine) {
            // A routine's level holds its parameter block and its second value.
            if (index > 1) fail(at);
            found = index == 0 ? block_cell(as_function(current).spec) : *function::record_cell(current, function::record::second);
        } else if (t == Type::object) {
            cells = as_context(context::cell_of(as_object(current).context)).values;
            length = context::word_count(as_object(current).context);
        } else if (t == Type::error) {
            const u32 first = standard::index_of(standard::Field::error_arg1);
            cells = as_context(context::cell_of(as_object(current).context)).values;
            if (index >= 6) fail(at);
            index += first;
        } else {
            fail(at);
        }
        if (cells) {
            const u32 present = cell_count(cells);
            if (length == 0 || length > present) length = present;
            if (index >= length) fail(at);
            found = cells_of(cells)[index];
        }
        current = found;
    }
    return current;
}

Node Decoder::context_of(const Cell& found, const u8* at) const {
    Node ctx = 0;
    const u32 wrapped = (found.header & cellflag::op_wrapped_type) >> 16;
    if (word_like(found.type())) ctx = as_word(found).context;
    else if (found.is(Type::object) || found.is(Type::function) || found.is(Type::routine)) ctx = found.w1;
    else if (found.is(Type::op) && (wrapped == u32(Type::function) || wrapped == u32(Type::routine))) ctx = found.w1;
    if (!ctx || ctx == context::global) fail(at);
    return ctx;
}

void Decoder::series(Slot slot, Type t, bool variant, u32 bits, bool reference, const u8* at) {
    const bool has_head = t != Type::map && t != Type::bitset;
    u32 head = 0;
    if (has_head) head = compact_ ? (variant ? varint() : 0) : raw();
    Cell c{header_of(t), 0, 0, 0};
    if (reference) {
        Cell found = reference_path(at);
        // A native's or action's parameter block is written in its record at the callable's
        // own place: a path to the block ends at the callable met first.
        const u32 wrapped = (found.header & cellflag::op_wrapped_type) >> 16;
        if (series::any_block(t) &&
            (found.is(Type::native) || found.is(Type::action) ||
             (found.is(Type::op) && (wrapped == u32(Type::native) || wrapped == u32(Type::action)))))
            found = block_cell(as_native(found).spec);
        const Type f = found.type();
        const bool fits = t == Type::hash || t == Type::map || t == Type::bitset || t == Type::binary || t == Type::vector
                              ? f == t
                              : series::any_block(t) ? series::any_block(f) : series::any_string(f);
        if (!fits) fail(at);
        c = found;
        c.header = header_of(t);
        // A vector's element type, a hash's or map's table, stay with the series.
        if (t != Type::hash && t != Type::map && t != Type::vector) c.w3 = 0;
    } else if (series::any_block(t) || t == Type::map) {
        const u32 n = items(compact_ ? 1 : 4);
        const Node node = memory::alloc_cells(n ? n : 1);
        c = series_cell(t == Type::map ? Type::block : t, node);
        slot.set(c);
        for (u32 i = 0; i < n; ++i)
            if (!global_word_record(node) && !enclosing_word_record(node)) record(append_slot(node));
        // Body literals matter in the code that start-up evaluates, which no object or
        // function record holds; a library function's body is library code, never taken.
        if (mode_ == Mode::boot && t == Type::block && open_owners_.empty()) mark_body_literals(node);
        if (t == Type::map) {
            if (n % 2) fail(at);
            for (u32 i = 0; i < n; i += 2)
                if (!hashtable::valid_map_key(cells_of(node)[i].type())) fail(at);
            map::make_in_cell(&c, node, 0);
        } else if (t == Type::hash) {
            hash::index(c);
        }
    } else {
        u32 unit = 1;
        u32 length = 0;
        u32 element = 0;
        if (compact_ && series::any_string(t)) {
            const u32 v = varint();
            if ((v & 3) == 3) fail(at);
            unit = 1u << (v & 3);
            length = v >> 2;
        } else if (t == Type::vector) {
            if (compact_) {
                const u8 kind = byte();
                unit = 1u << (kind & 3);
                element = kind >> 2;
                length = count();
            } else {
                unit = bits >> bit::unit_shift & 0xFF;
                length = count();
                element = raw();
            }
            if (element > highest_type || !vector::valid_kind(static_cast<Type>(element), unit)) fail(at);
        } else {
            if (!compact_ && t != Type::bitset) unit = bits >> bit::unit_shift & 0xFF;
            if (unit != 1 && ((unit != 2 && unit != 4) || !series::any_string(t))) fail(at);
            length = count();
        }
        const u64 bytes = u64{length} * unit;
        if (bytes > left()) fail(at);
        const u64 padded = compact_ ? bytes : (bytes + 3) & ~u64{3};
        need(padded);
        if (unit == 4 && t != Type::vector)
            for (u32 i = 0; i < length; ++i) {
                u32 cp;
                std::memcpy(&cp, p_ + 4 * i, 4);
                if (cp > 0x10FFFF) fail(at);
            }
        const Node node = t == Type::bitset ? memory::alloc_bytes(static_cast<u32>(bytes))
                                            : memory::alloc_units(length, unit);
        Buffer* b = node::buffer(node);
        std::memcpy(b->head_ptr(), p_, bytes);
        b->tail = b->head + static_cast<u32>(bytes);
        const bool complement = compact_ ? variant : (bits & bit::complemented) != 0;
        if (t == Type::bitset && complement) b->flags |= bufferflag::complemented;
        p_ += padded;
        c = series_cell(t, node);
        as_series(c).extra = element;
    }
    if (has_head) {
        if (head > node::buffer(c.w2)->used() / (series::any_block(t) ? 16 : node::buffer(c.w2)->unit())) fail(at);
        c.w1 = head;
    }
    slot.set(c);
}

// Binds the word to the context at the index (no_index: looked up by its symbol); false
// when the context holds no such word.
bool bind_cell(Cell& w, Node ctx, u32 index) {
    if (index == context::no_index) {
        const i32 found = context::find_symbol(ctx, as_word(w).symbol, true);
        // `self` in an object's functions names the object without a word of the context.
        if (found < 0 && w.is(Type::word) && context::kind_of(ctx) == context::kind::object &&
            symbol::canonical_id(as_word(w).symbol) == symbol::canonical_id(sym::self)) {
            as_word(w).context = ctx;
            as_word(w).index = context::no_index;
            return true;
        }
        if (found < 0) return false;
        index = static_cast<u32>(found);
    }
    if (index >= context::word_count(ctx) ||
        symbol::canonical_id(as_word(*context::word_at(ctx, index)).symbol) != symbol::canonical_id(as_word(w).symbol))
        return false;
    as_word(w).context = ctx;
    as_word(w).index = index;
    return true;
}

void Decoder::bind(Slot word, Node ctx, u32 index, const u8* at) {
    Cell w = word.get();
    if (!bind_cell(w, ctx, index)) fail(at);
    word.set(w);
}

Cell Decoder::read_enclosing_word(Type t, const u8* at) {
    const u32 entry = count();
    Cell w = word_cell(t, 0, symbol(at, entry), 0);
    const i32 index = zigzag();
    const u32 depth = varint();
    if (depth >= open_owners_.size() ||
        !bind_cell(w, open_owners_[open_owners_.size() - 1 - depth], index < 0 ? context::no_index : static_cast<u32>(index)))
        fail(at);
    return w;
}

bool Decoder::enclosing_word_record(Node block) {
    if (!compact_ || mode_ != Mode::boot || depth_ >= max_depth) return false;
    const u8* at = p_;
    const u8* q = p_;
    if (q == end_ || *q != lead::enclosing_word) return false;
    ++q;
    const bool new_line = q < end_ && *q == lead::new_line;
    if (new_line) ++q;
    if (q == end_ || (*q & 0xC0) != 0x40 || !word_like(static_cast<Type>(*q & 0x3F))) return false;
    const Type t = static_cast<Type>(*q & 0x3F);
    p_ = q + 1;
    Cell w = read_enclosing_word(t, at);
    *series_buffer::append_cell(node::buffer(block)) = *cell::set_new_line(&w, new_line);
    return true;
}

void Decoder::bind_pending(Node ctx, const u8* at) {
    if (!binding_word_) return;
    binding_word_ = false;
    bind(pending_word_, ctx, pending_index_, at);
}

// Restores the evaluation stack's top however the decoding of an owner record ends.
class StackMark {
public:
    StackMark() : top_(stack::top) {}
    ~StackMark() { stack::top = top_; }
    StackMark(const StackMark&) = delete;
    StackMark& operator=(const StackMark&) = delete;

private:
    Cell* top_;
};

void Decoder::any_word(Slot slot, Type t, bool variant, u32 bits, bool reference, const u8* at) {
    const u32 entry = count();
    const u32 s = symbol(at, entry);
    const bool global = compact_ ? !variant : (bits & bit::global_word) != 0;
    u32 index = compact_ ? 0 : raw();
    if (global) {
        if (reference) fail(at);
        Cell w = global_word(entry, s);
        cell::set_type(&w, t);
        slot.set(w);
        return;
    }
    // Unbound until its context is found.
    slot.set(word_cell(t, 0, s, 0));
    const bool owned = owned_word_;
    owned_word_ = false;
    if (compact_ && mode_ == Mode::boot && !owned) {
        const u32 root = varint();
        const i32 i = zigzag();
        if (reference || u64{dest_start_} + root >= cell_count(dest_)) fail(at);
        const Cell owner = cells_of(dest_)[dest_start_ + root];
        bind(slot, context_of(owner, at), i < 0 ? context::no_index : static_cast<u32>(i), at);
        return;
    }
    if (compact_) index = static_cast<u32>(zigzag());
    if (reference) {
        const Cell found = reference_path(at);
        bind(slot, context_of(found, at), index, at);
        return;
    }
    // The owner's record follows: it lives on the evaluation stack while it is read, and
    // binds the word as soon as its context exists.
    const StackMark mark;
    const Slot owner{0, stack::index_of(stack::push(none_cell))};
    const u8* owner_at = p_;
    bool owner_variant = false;
    u32 owner_bits = 0;
    u32 id = 0;
    if (compact_) {
        const u8 b = byte();
        id = b & 0x3Fu;
        owner_variant = (b & 0x40) != 0;
    } else {
        const u32 header = raw();
        id = header & 0xFF;
        owner_bits = header & 0x7FFFFF00;
        if (owner_bits & bit::reference) fail(owner_at);
    }
    if (id != static_cast<u32>(Type::object) && id != static_cast<u32>(Type::function)) fail(owner_at);
    binding_word_ = true;
    pending_word_ = slot;
    pending_index_ = index;
    if (++depth_ > max_depth) fail(owner_at);
    if (id == static_cast<u32>(Type::object)) object(owner, Type::object, owner_variant, owner_bits, false, owner_at);
    else function(owner, owner_variant, false, owner_at);
    --depth_;
}

Decoder::ContextHead Decoder::context_head(u32 flags, const u8* at) {
    ContextHead head;
    if (compact_) {
        if (flags > 31) fail(at);
        head.kind = flags & 3;
        head.on_stack = (flags & 4) != 0;
        head.flag = (flags & 8) != 0;
        head.values = (flags & 16) != 0;
    } else {
        head.kind = flags >> bit::kind_shift & 3;
        head.flag = (flags & bit::context_flag) != 0;
        head.on_stack = (flags & bit::on_stack) != 0;
        head.values = (flags & bit::values_follow) != 0;
    }
    const u32 n = items(compact_ ? 1 : 4);
    head.symbols.reserve(n);
    for (u32 i = 0; i < n; ++i) head.symbols.push_back(symbol(p_, count()));
    return head;
}

// A context! record nested in an object! or function! record: its type byte or header,
// then its head.
Decoder::ContextHead Decoder::context_record(const u8* at) {
    if (compact_) {
        if (byte() != static_cast<u8>(Type::context)) fail(at);
        return context_head(byte(), at);
    }
    const u32 header = raw();
    if ((header & 0xFF) != static_cast<u32>(Type::context)) fail(at);
    return context_head(header, at);
}

void Decoder::add_words(Node ctx, const ContextHead& head, const u8* at) {
    for (u32 i = 0; i < head.symbols.size(); ++i) {
        context::add_word(ctx, word_cell(Type::word, 0, head.symbols[i], 0));
        // A case variant of an earlier name would share its slot: no context holds both.
        if (context::word_count(ctx) != i + 1) fail(at);
    }
}

void Decoder::object(Slot slot, Type t, bool variant, u32 bits, bool reference, const u8* at) {
    if (reference) {
        const Cell found = object::of_context(context_of(reference_path(at), at));
        if (!found.is(Type::object)) fail(at);
        slot.set(found);
        return;
    }
    u32 class_id = 0xFFFFFFFF;
    bool handlers = false;
    ContextHead head;
    if (t == Type::context) {
        head = context_head(compact_ ? byte() : bits, at);
    } else {
        const u32 stored = compact_ ? static_cast<u32>(zigzag()) : raw();
        if (mode_ == Mode::boot) class_id = stored;
        handlers = compact_ ? variant : (bits & bit::handlers) != 0;
        if (handlers) {
            count();
            count();
        }
        head = context_record(at);
    }
    // Only a function's context keeps its values on the evaluation stack.
    if (head.on_stack) fail(at);
    const auto n = static_cast<u32>(head.symbols.size());
    const Node ctx = context::make(n, false, head.flag, 0, head.kind);
    slot.set(object::make_value(ctx, class_id, 0));
    add_words(ctx, head, at);
    bind_pending(ctx, at);
    if (head.values) {
        const Node values = as_context(context::cell_of(ctx)).values;
        open_owners_.push_back(ctx);
        for (u32 i = 0; i < n; ++i) record(Slot{values, i});
        open_owners_.pop_back();
    }
    if (handlers) slot.set(object::install_handlers(slot.get()));
}

void Decoder::expect_block(const u8* at) const {
    const u8* q = p_;
    if (compact_) {
        while (q < end_ && (*q == lead::new_line || *q == lead::reference)) ++q;
        if (q == end_ || (*q & 0xBF) != static_cast<u8>(Type::block)) fail(at);
        return;
    }
    while (end_ - q >= 4 && std::memcmp(q, "\0\0\0\0", 4) == 0) q += 4;
    if (end_ - q < 4 || *q != static_cast<u8>(Type::block)) fail(at);
}

// The words a function's spec gives its context, in order: what its context must hold.
std::vector<u32> parameter_symbols(Node spec) {
    std::vector<u32> symbols;
    for (u32 i = 0, n = cell_count(spec); i < n; ++i) {
        const Cell item = cells_of(spec)[i];
        const Type t = item.type();
        if (t != Type::word && t != Type::get_word && t != Type::lit_word && t != Type::refinement) continue;
        const u32 s = symbol::canonical_id(item.w2);
        bool known = false;
        for (u32 k : symbols) known = known || k == s;
        if (!known) symbols.push_back(s);
    }
    return symbols;
}

Cell Decoder::referenced_owner(Type t, const u8* at) {
    const Cell found = context::owner_slot(context_of(reference_path(at), at));
    if (!found.is(t)) fail(at);
    return found;
}

void Decoder::function(Slot slot, bool variant, bool reference, const u8* at) {
    if (reference) {
        slot.set(referenced_owner(Type::function, at));
        return;
    }
    // The boot image marks the library's functions: they keep their flag, and their bodies
    // are library code.
    const bool library = mode_ == Mode::boot && compact_ && variant;
    items(compact_ ? 1 : 4);
    items(compact_ ? 1 : 4);
    const ContextHead head = context_record(at);
    if (!head.on_stack) fail(at);
    const Node spec = memory::alloc_cells(1);
    slot.set(block_cell(spec));
    const Node ctx = context::make(static_cast<u32>(head.symbols.size()), true, head.flag, 0, head.kind);
    slot.set(function::make_value(block_cell(spec), nullptr, ctx, 0, 0, 0));
    add_words(ctx, head, at);
    bind_pending(ctx, at);
    const Slot spec_slot{slot.series, slot.index, 0};
    open_owners_.push_back(ctx);
    expect_block(p_);
    record(spec_slot);
    expect_block(p_);
    record(Slot{slot.series, slot.index, 1});
    open_owners_.pop_back();
    Cell fn = slot.get();
    const u32 flags = function::validate_spec(spec_slot.get());
    fn = slot.get();
    const std::vector<u32> params = parameter_symbols(as_function(fn).spec);
    if (params.size() != context::word_count(ctx)) fail(at);
    for (u32 i = 0; i < params.size(); ++i)
        if (symbol::canonical_id(as_word(*context::word_at(ctx, i)).symbol) != params[i]) fail(at);
    fn.header |= flags | (library ? function::flag::library : 0);
    slot.set(fn);
    context::owner_slot(ctx) = fn;
    if (library) function::mark_library_code(*function::record_cell(fn, function::record::body));
}

void Decoder::routine(Slot slot, bool reference, const u8* at) {
    if (reference) {
        slot.set(referenced_owner(Type::routine, at));
        return;
    }
    const u32 code = count();
    if (!routine_code::code_at(code)) fail(at);
    // The parameter block in the slot, the second value on the evaluation stack, until the
    // routine is made of them.
    expect_block(p_);
    record(slot);
    const StackMark mark;
    const Slot second{0, stack::index_of(stack::push(none_cell))};
    record(second);
    const Cell spec = slot.get();
    if (as_series(spec).index != 0) fail(at);
    function::validate_spec(spec);
    slot.set(function::make_routine_value(spec, code, second.get()));
}

void Decoder::native(Slot slot, Type t, const u8* at) {
    const u32 index = count();
    const bool known = t == Type::native
                           ? index >= 1 && index <= native::table_capacity && native::table[index - 1]
                           : index >= 1 && index <= action_slots::count && index != action_slots::empty;
    if (!known) fail(at);
    expect_block(p_);
    record(slot);
    const Node arg = memory::alloc_cells(2);
    Cell spec = slot.get();
    as_series(spec).index = 0;
    *series_buffer::append_cell(node::buffer(arg)) = spec;
    *series_buffer::append_cell(node::buffer(arg)) = Cell{header_of(Type::integer), 0, index, 0};
    const Cell make_arg = block_cell(arg);
    slot.set(make_arg);
    Cell made{};
    registry().actions(t).on_make(&made, &make_arg, t);
    slot.set(made);
}

void Decoder::op(Slot slot, u32 bits, const u8* at) {
    record(slot);
    Cell fn = slot.get();
    const Type t = fn.type();
    if (t != Type::native && t != Type::action && t != Type::function && t != Type::routine) fail(at);
    if (!compact_ && (bits >> bit::op_type_shift & 0xFF) != static_cast<u32>(t)) fail(at);
    if (!op::valid_spec(as_callable(fn).spec)) fail(at);
    fn.header &= cellflag::new_line;
    if (t == Type::function || t == Type::routine) *function::record_cell(fn, function::record::op_function) = fn;
    fn.header |= header_of(Type::op) | static_cast<u32>(t) << 16;
    slot.set(fn);
}

void Decoder::error(Slot slot, const u8* at) {
    const u32 code = count();
    if (code > 0x7FFFFFFF) fail(at);
    slot.set(error::make(Cell{header_of(Type::integer), 0, code, 0}));
    const Node values = as_context(context::cell_of(as_object(slot.get()).context)).values;
    const u32 first = standard::index_of(standard::Field::error_arg1);
    for (u32 i = 0; i < 6; ++i) record(Slot{values, first + i});
}

}  // namespace

bool series_record(Type t) {
    return series::any_block(t) || series::any_string(t) || t == Type::binary || t == Type::vector ||
           t == Type::map || t == Type::bitset;
}

void decode(const u8* data, std::size_t size, const Cell& destination, const Cell& argument, Mode mode,
            std::span<const Cell> kept) {
    const Cell refused = argument;
    if (size < lead_in_size || std::memcmp(data, magic, sizeof magic) != 0) raise(ErrorId::script_invalid_data, &refused);
    const u8 flags = data[7];
    // The codec's input may live in a series buffer that the decoding's allocations move, so
    // it is read from a copy; the boot image's input lies outside the heap and is read in place.
    std::span<const u8> body(data + lead_in_size, size - lead_in_size);
    std::vector<u8> copy;
    if (flags & flag::compressed) {
        auto expanded = lz::decompress(body);
        if (!expanded) raise(ErrorId::script_invalid_data, &refused);
        copy = std::move(*expanded);
        body = copy;
    } else if (mode != Mode::boot) {
        copy.assign(body.begin(), body.end());
        body = copy;
    }
    // The full form's body opens with two words, the root count and the payload's length.
    if (!(flags & flag::compact) && body.size() < 8) raise(ErrorId::script_invalid_data, &refused);
    // Everything the reader makes is reachable from the destination as soon as it is made, so
    // a collection while it runs could free nothing it made: it would only walk what grows.
    // Collection is off while it reads, but under the stress switch, which checks that claim.
    std::optional<gc::Disabled> no_collection;
    if (!gc::stress()) no_collection.emplace();
    Decoder decoder(body.data(), body.size(), as_series(destination).node, mode, kept);
    decoder.run((flags & flag::compact) != 0, (flags & flag::symbols) != 0);
}

}  // namespace zel::zelbin
