#include "runtime/lexer/lexer-words.h"

#include <string>

#include "runtime/lexer/lexer.h"
#include "runtime/memory/gc.h"
#include "runtime/names/context.h"
#include "runtime/names/symbol.h"

namespace zel::lexer {

namespace {

// Notes where the first token starts, and ends the scan at the first syntax fault
// instead of raising it.
class NameScan : public Tracer {
public:
    u32 mask() const override { return event::scan | event::error; }
    bool on_event(const TraceEvent& e, u32&) override {
        if (e.event == event::error) {
            faulted = true;
            return false;
        }
        if (!first_start) first_start = e.start;
        return true;
    }
    bool faulted = false;
    u32 first_start = 0;
};

}  // namespace

Cell make_word(Type kind, const u8* spelling, u32 length) {
    const u32 symbol = symbol::intern(spelling, length);
    const Node bound = kind == Type::issue ? context::global : 0;
    return Cell{header_of(kind), bound, symbol, context::no_index};
}

Type scan_name(std::string_view name) {
    // A copy: the name may sit in a symbol's buffer, which a scan's allocations may move.
    const std::string text(name);
    NameScan watch;
    Options options;
    options.single = true;
    options.scan_only = true;
    options.tracer = &watch;
    const Result r = scan_utf8(reinterpret_cast<const u8*>(text.data()), static_cast<u32>(text.size()), options);
    const bool whole = watch.first_start == 1 && r.consumed == text.size();
    return watch.faulted || !whole ? Type{0} : r.last_type;
}

namespace {

// Values a scan has made but not yet put in a block live only in the scan's buffer.
void mark_scanned_values(void*) {
    for_each_scanned_cell([](const Cell& c, void*) { gc::mark_cells(&c, &c + 1); }, nullptr);
}

}  // namespace

void init() {
    gc::remove_mark_callback(mark_scanned_values);
    gc::add_mark_callback(mark_scanned_values);
}

}  // namespace zel::lexer
