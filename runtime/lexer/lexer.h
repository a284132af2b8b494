// The lexer: turns UTF-8 source text into values. One table-driven scanner finds each
// token's extent and kind; a handler per final state checks it and a loader builds its
// value on the scanned-value buffer, where nested blocks, parens, maps and paths are open
// as marker cells until their closer collects them. The buffer may move when it grows:
// scans keep indexes into it, never cell addresses.
#pragma once
#include "runtime/core/cell.h"

namespace zel::lexer {

// Trace events, as bits of the callback's event mask.
namespace event {
constexpr u32 prescan = 1;
constexpr u32 scan = 2;
constexpr u32 load = 4;
constexpr u32 open = 8;
constexpr u32 close = 16;
constexpr u32 error = 32;
constexpr u32 all = 63;
}  // namespace event

// Token kinds given instead of a datatype for tokens that make no value.
enum class TokenKind : i32 {
    none = 0,
    comment = -1,
};

// What a trace callback is told. Positions are indexes into the input: bytes for UTF-8
// input, characters when a string! is scanned.
struct TraceEvent {
    u32 event;        // one bit of `event`
    Type type;        // the token's datatype, Type{0} when it has none
    TokenKind kind;   // for tokens without a datatype
    u32 line;         // 1-based
    const Cell* value;  // the loaded value of a `load` event, else null
    u32 start;        // the token: 1-based start
    u32 end;          // and exclusive end, in the same numbering
};

// A trace callback: sees the events of its mask and answers whether the scan goes on as
// usual (load the value, raise the error...). `input` arrives at the token's start; a
// callback that moves it makes the scan resume there.
class Tracer {
public:
    virtual ~Tracer() = default;
    virtual u32 mask() const { return event::all; }
    virtual bool on_event(const TraceEvent& e, u32& input) = 0;
};

struct Options {
    bool single = false;     // stop after the first complete value
    bool prescan = false;    // classify tokens only: check nothing, load nothing
    bool scan_only = false;  // check tokens, load nothing, write no result
    bool block = false;      // with `single`: the result is a block all the same
    Tracer* tracer = nullptr;
    // Appends the values to this block instead of making a new one.
    const Cell* into = nullptr;
};

struct Result {
    Cell value;         // the block of values, the single value, or none
    u32 consumed;       // input read: bytes, or characters for a string!
    Type last_type;     // the last token's datatype
};

// Installs the lexer as the scanner that conversions of text and names to words use.
void init();

// Scans `length` bytes of UTF-8 text. Syntax faults raise syntax errors.
Result scan_utf8(const u8* text, u32 length, const Options& options);
// Scans the first `count` characters of a string! value from its index (all when
// negative).
Result scan_string(const Cell& string, i32 count, const Options& options);

// The value of a text that holds exactly one value; false when it holds none or more.
bool load_exactly_one(const Cell& string, Cell& out);

// Calls `visit` on every cell that active scans hold (the collector's marking hook).
void for_each_scanned_cell(void (*visit)(const Cell&, void* context), void* context);

}  // namespace zel::lexer
