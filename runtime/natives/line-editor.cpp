#include "runtime/natives/line-editor.h"

#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/posix/terminal.h"
#include "platform/posix/write-all.h"
#include "runtime/core/hooks.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/logic.h"
#include "runtime/datatypes/series.h"
#include "runtime/eval/exits.h"
#include "runtime/eval/stack.h"
#include "runtime/names/context.h"
#include "runtime/names/symbol.h"
#include "runtime/text/char-width.h"
#include "runtime/text/string-units.h"
#include "runtime/text/string-utf8.h"
#include "runtime/text/utf8.h"

namespace zel::line_editor {
namespace {

using Text = std::u32string;

Text text_of(const Cell& str) {
    const unicode::Units u = unicode::units_of(str, -1);
    Text t;
    t.reserve(u.count);
    for (u32 i = 0; i < u.count; ++i) t += static_cast<char32_t>(unicode::read_unit(u.start + i * u.unit, u.unit));
    return t;
}

std::string utf8_of(const Text& t) {
    std::string s;
    for (char32_t c : t) {
        u8 bytes[4];
        const int n = unicode::encode_utf8_char(static_cast<u32>(c), bytes);
        s.append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(n));
    }
    return s;
}

int width_of(const Text& t, std::size_t from, std::size_t to) {
    int w = 0;
    for (std::size_t i = from; i < to; ++i) w += unicode::char_width(static_cast<u32>(t[i]));
    return w;
}

// Word-wise moves and deletions stop at these characters.
bool delimiter(char32_t c) {
    static constexpr char32_t set[] = U"/\\^[](){}\":;@ \t";
    return std::find(std::begin(set), std::end(set) - 1, c) != std::end(set) - 1;
}

// An undo record: `count` characters inserted at `index`, or `removed` taken out there.
struct Edit {
    std::size_t index;
    bool inserted;
    std::size_t count;
    Text removed;
};

class Editor {
public:
    Editor(const Cell& prompt, bool hide, const Cell& history)
        : prompt_(text_of(prompt)), hide_(hide), history_(history) {}

    Cell run() {
        redraw();
        for (;;) {
            const platform::Key key = platform::read_key();
            if (key.name == platform::Key::end_of_input) return end_of_input();
            if (key.name != platform::Key::character) {
                named_key(key);
                continue;
            }
            switch (key.ch) {
            case '\r':
            case '\n': return finish(false);
            case 27:   // Escape
            case 3:    // Ctrl+C
                return finish(true);
            case 4:    // Ctrl+D: the end of input on an empty line
                if (line_.empty()) return end_of_input();
                break;
            case 127: delete_backward(false); break;  // Backspace
            case 8: delete_backward(true); break;     // Ctrl+H, Ctrl+Backspace: the word before
            case 9: complete(); break;
            case 1: pos_ = 0; break;                  // Ctrl+A
            case 5: pos_ = line_.size(); break;       // Ctrl+E
            case 11:                                  // Ctrl+K: the input cleared, not undone
                line_.clear();
                pos_ = 0;
                break;
            case 12: clear_screen(); break;           // Ctrl+L
            case 26: undo(undo_, redo_); break;       // Ctrl+Z
            case 25: undo(redo_, undo_); break;       // Ctrl+Y
            default:
                if (key.ch > 31) insert(key.ch);
                break;
            }
            redraw();
        }
    }

private:
    void named_key(const platform::Key& key) {
        switch (key.name) {
        case platform::Key::left:
            pos_ = key.ctrl ? pos_ - jump_left() : pos_ > 0 ? pos_ - 1 : 0;
            break;
        case platform::Key::right:
            pos_ = key.ctrl ? pos_ + jump_right() : std::min(pos_ + 1, line_.size());
            break;
        case platform::Key::up: fetch_history(1); break;
        case platform::Key::down: fetch_history(-1); break;
        case platform::Key::home: pos_ = 0; break;
        case platform::Key::end: pos_ = line_.size(); break;
        case platform::Key::del: delete_forward(key.ctrl); break;
        default: return;
        }
        redraw();
    }

    // Delimiters, then word characters, from the caret on.
    std::size_t jump_right() const {
        std::size_t i = pos_;
        while (i < line_.size() && delimiter(line_[i])) ++i;
        while (i < line_.size() && !delimiter(line_[i])) ++i;
        return i - pos_;
    }
    std::size_t jump_left() const {
        std::size_t i = pos_;
        while (i > 0 && delimiter(line_[i - 1])) --i;
        while (i > 0 && !delimiter(line_[i - 1])) --i;
        return pos_ - i;
    }

    void insert(char32_t c) {
        line_.insert(pos_, 1, c);
        undo_.push_back({pos_, true, 1, {}});
        redo_.clear();
        ++pos_;
    }

    void remove(std::size_t at, std::size_t count) {
        if (count == 0) return;
        undo_.push_back({at, false, 0, line_.substr(at, count)});
        redo_.clear();
        line_.erase(at, count);
    }

    void delete_backward(bool word) {
        if (pos_ == 0) return;
        const std::size_t n = word ? jump_left() : 1;
        pos_ -= n;
        remove(pos_, n);
    }

    void delete_forward(bool word) {
        if (pos_ >= line_.size()) return;
        remove(pos_, word ? jump_right() : 1);
    }

    void undo(std::vector<Edit>& from, std::vector<Edit>& to) {
        if (from.empty()) return;
        const Edit e = from.back();
        from.pop_back();
        if (e.inserted) {
            const std::size_t n = std::min(e.count, line_.size() - std::min(e.index, line_.size()));
            to.push_back({e.index, false, 0, line_.substr(e.index, n)});
            line_.erase(e.index, n);
            pos_ = e.index;
        } else {
            line_.insert(e.index, e.removed);
            to.push_back({e.index, true, e.removed.size(), {}});
            pos_ = e.index + e.removed.size();
        }
    }

    // Up (1) and Down (-1): the edited line is kept while the history shows.
    void fetch_history(int direction) {
        const i32 count = history_.is(Type::block) ? block::length(history_) : 0;
        if (hist_idx_ == 0) {
            hist_line_ = line_;
            hist_pos_ = pos_;
        }
        hist_idx_ += direction;
        if (hist_idx_ < 0) {
            hist_idx_ = 0;
            return;
        }
        if (hist_idx_ > count) hist_idx_ = count;
        if (hist_idx_ == 0) {
            line_ = hist_line_;
            pos_ = hist_pos_;
            return;
        }
        const Cell entry = *block::cell_at(history_, history_.w1 + static_cast<u32>(hist_idx_ - 1));
        line_ = series::any_string(entry.type()) ? text_of(entry) : Text();
        pos_ = line_.size();
        redo_.clear();
    }

    // Tab: the completion of the word before the caret, from the console's own function.
    // Hidden input is not completed: the candidates would show what it holds.
    void complete() {
        if (line_.empty() || hide_) return;
        Cell fn;
        context::global_value(symbol::intern("zel-complete-input"), fn);
        if (!fn.is(Type::function)) return;
        Cell* slot = stack::push_slot();
        *slot = unicode::string_of_utf8(utf8_of(prompt_ + line_));
        slot->w1 = static_cast<u32>(prompt_.size() + pos_);
        Cell args[2] = {*slot, true_cell};
        const exits::Mark mark = exits::mark();
        Cell result;
        try {
            result = hooks::call(symbol_word(), fn, args, 2, 0);
        } catch (const ErrorThrow&) {
            exits::restore(mark);
            return;
        }
        *slot = result;
        const i32 n = result.is(Type::block) ? block::length(result) : 0;
        if (n == 0) {
            stack::drop(1);
            return;
        }
        if (n > 1) {
            // The candidates stay on screen after the prompt, the input on a line below.
            std::string shown = utf8_of(prompt_);
            for (i32 i = 1; i < n; ++i) {
                const Cell item = *block::cell_at(*slot, slot->w1 + static_cast<u32>(i));
                if (i > 1) shown += ' ';
                if (series::any_string(item.type())) shown += utf8_of(text_of(item));
            }
            clear_input();
            shown += "\r\n";
            out(shown);
            cursor_row_ = 0;
        }
        const Cell first = *block::cell_at(*slot, slot->w1);
        if (series::any_string(first.type())) {
            Cell whole = first;
            const u32 caret = whole.w1;
            whole.w1 = 0;
            const Text t = text_of(whole);
            if (t.size() >= prompt_.size()) {
                line_ = t.substr(prompt_.size());
                pos_ = std::min<std::size_t>(caret >= prompt_.size() ? caret - prompt_.size() : 0, line_.size());
                redo_.clear();
            }
        }
        stack::drop(1);
    }

    static Cell symbol_word() {
        return Cell{header_of(Type::word), 0, symbol::intern("zel-complete-input"), 0};
    }

    void clear_screen() {
        out("\x1b[H\x1b[2J");
        cursor_row_ = 0;
    }

    Cell finish(bool escape) {
        pos_ = line_.size();
        redraw();
        out("\r\n");
        if (escape) {
            line_ += U'\x1b';
        } else if (!hide_ && !line_.empty()) {
            record();
        }
        return unicode::string_of_utf8(utf8_of(line_));
    }

    Cell end_of_input() {
        out("\r\n");
        return none_cell;
    }

    // A line enters the history unless it repeats the newest entry exactly.
    void record() {
        if (!history_.is(Type::block)) return;
        const Cell line = unicode::string_of_utf8(utf8_of(line_));
        if (block::length(history_) > 0) {
            const Cell newest = *block::cell_at(history_, history_.w1);
            if (series::any_string(newest.type()) && text_of(newest) == line_) return;
        }
        block::insert_value(history_, line, false, false);
    }

    int columns() const {
        int c = 0;
        int r = 0;
        return platform::terminal_size(c, r) ? c : 80;
    }

    void out(const std::string& s) { platform::write_all(STDOUT_FILENO, s.data(), s.size()); }

    // Back to the prompt's first row and everything below it erased.
    void clear_input() {
        std::string s;
        if (cursor_row_ > 0) s += "\x1b[" + std::to_string(cursor_row_) + "A";
        s += "\r\x1b[J";
        out(s);
        cursor_row_ = 0;
    }

    void redraw() {
        const int cols = std::max(1, columns());
        const Text shown = hide_ ? Text(line_.size(), U'*') : line_;
        const int prompt_w = width_of(prompt_, 0, prompt_.size());
        const int total = prompt_w + width_of(shown, 0, shown.size());
        const int caret = prompt_w + width_of(shown, 0, pos_);
        clear_input();
        std::string s = utf8_of(prompt_) + utf8_of(shown);
        // At the right edge the terminal waits to wrap: move to the next row at once.
        if (total > 0 && total % cols == 0) s += "\r\n";
        const int end_row = total / cols;
        const int caret_row = caret / cols;
        if (end_row > caret_row) s += "\x1b[" + std::to_string(end_row - caret_row) + "A";
        s += "\r";
        if (caret % cols > 0) s += "\x1b[" + std::to_string(caret % cols) + "C";
        out(s);
        cursor_row_ = caret_row;
    }

    Text prompt_;
    bool hide_;
    Cell history_;
    Text line_;
    std::size_t pos_ = 0;
    std::vector<Edit> undo_;
    std::vector<Edit> redo_;
    int hist_idx_ = 0;
    Text hist_line_;
    std::size_t hist_pos_ = 0;
    int cursor_row_ = 0;
};

}  // namespace

Cell read(const Cell& prompt, bool hide, const Cell& history) {
    const platform::RawMode raw;
    Editor editor(prompt, hide, history);
    return editor.run();
}

}  // namespace zel::line_editor
