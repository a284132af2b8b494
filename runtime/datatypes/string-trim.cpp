// Trimming strings: whitespace at the ends and inside lines, every character of a set, or
// runs of whitespace collapsed to one space. Each works from the position to the tail,
// moving kept characters down in place, so it never allocates nor widens; characters
// before the position are never touched.
#include <algorithm>
#include <array>
#include <vector>

#include "runtime/core/raise.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/string-storage.h"
#include "runtime/datatypes/string.h"
#include "runtime/memory/node.h"
#include "runtime/names/runtime-words.h"

namespace zel::string {
namespace {

struct Range {
    u32 first;
    u32 last;
};

// The code points trimming takes for whitespace.
constexpr std::array<Range, 10> whitespace{{
    {1, 32}, {133, 133}, {160, 160}, {5760, 5760}, {6158, 6158},
    {8192, 8202}, {8232, 8233}, {8239, 8239}, {8287, 8287}, {12288, 12288},
}};

// The characters `trim/with` and `trim/all` remove by default.
constexpr std::array<u32, 4> default_trim_set{'\t', '\n', '\r', ' '};

bool is_whitespace(u32 c) {
    return std::any_of(whitespace.begin(), whitespace.end(), [c](Range r) { return c >= r.first && c <= r.last; });
}

// Spaces inside a line: space, tab and the whitespace beyond ASCII, never a line feed.
bool is_inner_space(u32 c) { return c == ' ' || c == '\t' || (c >= 133 && is_whitespace(c)); }

// The characters from the position, read and rewritten in place: `keep` writes a
// character at the next kept place, which never passes the one being read.
class InPlace {
public:
    explicit InPlace(const Cell& series)
        : b_(node::buffer(series.w2)), from_(std::min(series.w1, b_->used() >> b_->shift())),
          end_(b_->used() >> b_->shift()), kept_(from_) {}

    u32 begin() const { return from_; }
    u32 end() const { return end_; }
    u32 at(u32 i) const { return unicode::read_unit(b_->head_ptr() + (u64{i} << b_->shift()), b_->unit()); }
    void keep(u32 c) { unicode::write_unit(b_->head_ptr() + (u64{kept_++} << b_->shift()), b_->unit(), c); }
    // Ends the string after the last kept character.
    void finish() { b_->tail = b_->head + (kept_ << b_->shift()); }

private:
    Buffer* b_;
    u32 from_;
    u32 end_;
    u32 kept_;
};

}  // namespace

namespace {

// The characters `trim/with` removes; anything but a char!, an integer! or a text raises
// script/invalid-arg.
std::vector<u32> trim_set(const Cell* with) {
    if (!with) return {default_trim_set.begin(), default_trim_set.end()};
    if (with->is(Type::char_) || with->is(Type::integer)) return {with->w2};
    if (!series::any_string(with->type()) && !with->is(Type::binary)) raise(ErrorId::script_invalid_arg, with);
    std::vector<u32> set;
    for (u32 i = std::min(with->w1, total_length(*with)); i < total_length(*with); ++i)
        set.push_back(char_at_head(*with, i));
    return set;
}

void remove_all_of(const Cell& series, const std::vector<u32>& set) {
    InPlace text(series);
    for (u32 i = text.begin(); i < text.end(); ++i) {
        const u32 c = text.at(i);
        if (std::find(set.begin(), set.end(), c) == set.end()) text.keep(c);
    }
    text.finish();
}

}  // namespace

void collapse_spaces(const Cell& series) {
    InPlace text(series);
    bool pending_space = false;
    bool started = false;
    for (u32 i = text.begin(); i < text.end(); ++i) {
        const u32 c = text.at(i);
        if (is_whitespace(c)) {
            pending_space = started;
            continue;
        }
        if (pending_space) text.keep(' ');
        pending_space = false;
        started = true;
        text.keep(c);
    }
    text.finish();
}

void trim_spaces(const Cell& series, bool head, bool tail) {
    InPlace text(series);
    const bool only_tail = tail && !head;
    const bool only_head = head && !tail;
    u32 first = text.begin();
    u32 end = text.end();
    if (!only_tail)
        while (first < end && is_whitespace(text.at(first))) ++first;
    bool dropped_line_feed = false;
    if (!only_head) {
        while (end > first && is_whitespace(text.at(end - 1))) {
            dropped_line_feed = dropped_line_feed || text.at(end - 1) == '\n';
            --end;
        }
    }
    if (head || tail) {
        for (u32 i = first; i < end; ++i) text.keep(text.at(i));
    } else {
        // Line by line: spaces after a line feed and a run of them before one are dropped.
        bool line_start = false;
        u32 run = 0;  // inner spaces read and not yet kept
        for (u32 i = first; i < end; ++i) {
            const u32 c = text.at(i);
            if (is_inner_space(c)) {
                if (!line_start) ++run;
                continue;
            }
            if (c == '\n') {
                run = 0;
                line_start = true;
            } else {
                for (u32 k = i - run; k < i; ++k) text.keep(text.at(k));
                run = 0;
                line_start = false;
            }
            text.keep(c);
        }
        if (dropped_line_feed) text.keep('\n');
    }
    text.finish();
}

Cell* trim(Cell* series, const TrimRefinements& r) {
    const bool with_set = r.all || r.with;
    if (r.auto_ && !with_set) raise(ErrorId::internal_not_done);
    const std::vector<u32> set = with_set ? trim_set(r.with) : std::vector<u32>{};
    Cell s = *series;
    s.w1 = std::min(s.w1, total_length(s));
    series::notify(s, words::trim, static_cast<i32>(s.w1), static_cast<i32>(total_length(s) - s.w1));
    if (with_set) {
        remove_all_of(s, set);
    } else if (r.lines) {
        collapse_spaces(s);
    } else {
        trim_spaces(s, r.head, r.tail);
    }
    s.w1 = std::min(s.w1, total_length(s));
    series::notify(s, words::trimmed, static_cast<i32>(s.w1), static_cast<i32>(total_length(s) - s.w1));
    return series;
}

}  // namespace zel::string
