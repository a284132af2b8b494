// The native transcode: source text (UTF-8 bytes of a binary!, or a string!) to values
// through the lexer, a whole text or one value at a time, or only classified. With
// /trace a Zel function sees the lexer's events as they happen; it may veto a load,
// move the input to skip text, or end the scan quietly at an error.
#include <optional>

#include "generated/refinements.h"
#include "runtime/core/hooks.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/function.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/logic.h"
#include "runtime/datatypes/pair.h"
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/word.h"
#include "runtime/lexer/lexer.h"
#include "runtime/lexer/load-code.h"
#include "runtime/memory/node.h"
#include "runtime/natives/frame-args.h"
#include "runtime/natives/natives.h"
#include "runtime/names/symbol.h"

namespace zel::natives {
namespace {

constexpr const char* event_names[] = {"prescan", "scan", "load", "open", "close", "error"};

u32 event_bit(u32 symbol) {
    for (u32 i = 0; i < 6; ++i)
        if (symbol::canonical_id(symbol) == symbol::canonical_id(symbol::intern(event_names[i]))) return 1u << i;
    return 0;
}

const char* event_name(u32 bit) { return event_names[__builtin_ctz(bit)]; }

// Hands the lexer's events to a Zel callback: (event word, input at the token, type,
// line, token) answering whether the scan goes on as usual. The input is the source
// series itself, so a callback that changes its index moves the scan.
class CallbackTracer : public lexer::Tracer {
public:
    CallbackTracer(const Cell& callback, const Cell& source, u32 base, u32 length)
        : callback_(callback), source_(source), base_(base), length_(length) {
        mask_ = lexer::event::all;
        if (!callback.is(Type::function)) return;
        const Cell body = *function::record_cell(callback, function::record::body);
        if (!body.is(Type::block) || block::length(body) == 0) return;
        const Cell first = *block::cell_at(body, body.w1);
        if (!first.is(Type::block)) return;
        // A body that begins with a block of event names asks for those events alone.
        mask_ = 0;
        for (u32 i = first.w1, n = node::buffer(first.w2)->cell_count(); i < n; ++i) {
            const Cell name = *block::cell_at(first, i);
            if (word::any_word_type(name.type())) mask_ |= event_bit(name.w2);
        }
    }

    u32 mask() const override { return mask_; }

    bool on_event(const lexer::TraceEvent& e, u32& input) override {
        Cell args[5];
        args[0] = word::make_global(event_name(e.event));
        args[1] = source_;
        args[1].w1 = base_ + input;
        if (e.type != Type{}) args[2] = datatype::of(e.type);
        else if (e.kind == lexer::TokenKind::comment) args[2] = word::make_global("comment");
        else args[2] = none_cell;
        args[3] = integer::cell(static_cast<i32>(e.line));
        args[4] = e.value ? *e.value : pair::cell(static_cast<i32>(e.start), static_cast<i32>(e.end));
        const Cell name = word::make_global("transcode");
        const Cell answer = hooks::call(name, callback_, args, 5, hooks::trace_class::lexer);
        // The index the callback left on the series, kept within the text scanned.
        const Cell& after = args[1];
        if (after.is(source_.type()) && after.w2 == source_.w2) {
            const i64 moved = static_cast<i64>(after.w1) - base_;
            input = moved < 0 ? 0 : moved > length_ ? length_ : static_cast<u32>(moved);
        }
        return logic::condition_true(answer);
    }

private:
    Cell callback_;
    Cell source_;
    u32 base_;
    u32 length_;
    u32 mask_;
};

}  // namespace

void transcode(const i32* refinements) {
    Cell src = arg(0);
    const bool next = used(refinements, transcode_ref::next);
    const bool one = used(refinements, transcode_ref::one);
    const bool prescan = used(refinements, transcode_ref::prescan);
    const bool scan = used(refinements, transcode_ref::scan);
    const bool binary = src.is(Type::binary);

    const u32 tail = series::buffer_length(src);
    if (src.w1 > tail) src.w1 = tail;
    u32 count = tail - src.w1;
    if (used(refinements, transcode_ref::part)) {
        const Cell& part = ref_arg(refinements, transcode_ref::part);
        i64 n = 0;
        if (part.is(Type::integer)) {
            n = integer::get(part);
        } else {
            if (part.type() != src.type()) raise(ErrorId::script_not_same_type);
            n = static_cast<i64>(part.w1) - src.w1;
        }
        if (n < 0) n = 0;
        if (n < count) count = static_cast<u32>(n);
    }
    // A byte-order mark before UTF-8 text is no part of it.
    if (binary && count >= 3) {
        const u8* head = node::buffer(src.w2)->head_ptr() + src.w1;
        if (head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF) {
            src.w1 += 3;
            count -= 3;
        }
    }
    arg(0) = src;

    lexer::Options options;
    options.single = next || one || scan;
    options.prescan = prescan;
    options.scan_only = scan;
    const bool into = used(refinements, transcode_ref::into);
    if (into) options.into = &ref_arg(refinements, transcode_ref::into);
    std::optional<CallbackTracer> tracer;
    if (used(refinements, transcode_ref::trace)) {
        tracer.emplace(ref_arg(refinements, transcode_ref::trace), src, src.w1, count);
        options.tracer = &*tracer;
    }

    lexer::Result r;
    if (prescan || scan) {
        if (count == 0) {
            set_result(none_cell);
            return;
        }
        Cell kind = none_cell;
        try {
            r = binary ? lexer::scan_utf8(node::buffer(src.w2)->head_ptr() + src.w1, count, options)
                       : lexer::scan_string(src, static_cast<i32>(count), options);
            if (r.last_type != Type{}) kind = datatype::of(r.last_type);
        } catch (const ErrorThrow& e) {
            if (error_info(e.id).category != ErrorCategory::syntax) throw;
            kind = datatype::of(Type::error);
            r.consumed = count;
        }
        if (!next) {
            set_result(kind);
            return;
        }
        r.value = kind;
    } else {
        const u32 into_from = into ? series::buffer_length(*options.into) : 0;
        // The pointer into the bytes, alive on the stack through the scan, pins their buffer.
        r = binary ? lexer::scan_utf8(node::buffer(src.w2)->head_ptr() + src.w1, count, options)
                   : lexer::scan_string(src, static_cast<i32>(count), options);
        if (options.single && into) r.value = *options.into;
        if (one) {
            // Nothing but blanks and comments gives none.
            set_result(r.last_type == Type{} && !into ? none_cell : r.value);
            return;
        }
        if (!next) {
            set_result(into ? *options.into : r.value);
            // The words come bound to the global context, added there when new, as in code
            // that `do` loads from text; in a target block only the values this scan added.
            Cell made = arg(0);
            if (into) made.w1 = into_from;
            if (made.is(Type::block)) lexer::bind_global(made);
            return;
        }
    }
    // /next: the value and the source after it.
    Cell rest = src;
    rest.w1 = src.w1 + r.consumed;
    const Cell value = r.value;
    const Cell* result = block::make_at(&arg(0), 2);
    block::append_value(*result, value);
    block::append_value(*result, rest);
    if (!prescan && !scan) lexer::bind_global(arg(0));
}

}  // namespace zel::natives
