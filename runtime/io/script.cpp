#include "runtime/io/script.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

#include "platform/posix/directory.h"
#include "platform/posix/read-file.h"
#include "platform/posix/write-all.h"
#include "runtime/core/cell-views.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/file.h"
#include "runtime/datatypes/object.h"
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/standard.h"
#include "runtime/eval/exits.h"
#include "runtime/eval/interpreter.h"
#include "runtime/lexer/load-code.h"
#include "runtime/names/symbol.h"
#include "runtime/text/string-utf8.h"

namespace zel::script {
namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// The code of a script: its loaded values from the word `Zel` on, the header block after
// it; false when the values hold no `Zel` followed by a block.
bool split(const Cell& values, Cell& header, Cell& code) {
    const u32 zel = symbol::intern("Zel");
    const u32 n = series::buffer_length(values);
    for (u32 i = values.w1; i + 1 < n; ++i) {
        const Cell word = *block::cell_at(values, i);
        if (!word.is(Type::word) || word.w2 != zel) continue;
        header = *block::cell_at(values, i + 1);
        if (!header.is(Type::block)) continue;
        code = values;
        code.w1 = i + 2;
        return true;
    }
    return false;
}

bool contains_any_case(std::string_view text, std::string_view part) {
    for (std::size_t i = 0; i + part.size() <= text.size(); ++i) {
        std::size_t k = 0;
        while (k < part.size() && std::tolower(static_cast<unsigned char>(text[i + k])) ==
                                      std::tolower(static_cast<unsigned char>(part[k])))
            ++k;
        if (k == part.size()) return true;
    }
    return false;
}

Cell load_from_header(const std::string& text, std::size_t at) {
    return lexer::load_code(reinterpret_cast<const u8*>(text.data()) + at, static_cast<u32>(text.size() - at));
}

Cell eval_code(const Cell& code) {
    Cell* const top = stack::top;
    interp::eval_block(code, false);
    const Cell value = *stack::top_cell();
    stack::top = top;
    return value;
}

void print_error(const char* message) {
    std::fflush(nullptr);
    platform::write_all(STDERR_FILENO, message, std::char_traits<char>::length(message));
    platform::write_all(STDERR_FILENO, "\n", 1);
}

// The console's working folder is the script's own.
void enter_folder_of(const char* path) {
    const std::string_view p(path);
    const std::size_t slash = p.rfind('/');
    if (slash == std::string_view::npos) return;
    const std::string folder(p.substr(0, slash + 1));
    platform::set_cwd(folder.c_str());
}

// The header object of a script: made like `system/standard/header`, whose class it shares,
// with the header block's fields; an object of its own before `system` exists.
Cell header_object(const Cell& header) {
    const Cell* prototype = standard::system_value({standard::Field::system_standard, standard::Field::standard_header});
    if (!prototype) return object::construct(header, nullptr, false);
    const Cell copy = *prototype;
    return object::construct(header, &copy, false);
}

// The script's own `system/script` for its run: a copy of the current one with the
// script's header and folder, the current one as its parent.
void enter_script(const Cell& header) {
    using standard::Field;
    const Cell* current = standard::system_value({Field::system_script});
    if (!current) return;
    const Cell parent = *current;
    const Cell script = object::clone(parent, false, nullptr, false);
    const std::string folder = platform::current_dir();
    const Cell path = folder.empty() ? none_cell : unicode::string_of_utf8(folder, Type::file);
    Cell* fields = object::values_head(script);
    fields[standard::index_of(Field::script_header)] = header;
    fields[standard::index_of(Field::script_parent)] = parent;
    fields[standard::index_of(Field::script_path)] = path;
    standard::set_system_value({Field::system_script}, script);
    standard::set_system_value({Field::system_options, Field::options_path}, path);
}

}  // namespace

std::size_t find_header(std::string_view text) {
    for (std::size_t i = 0; i + 3 <= text.size(); ++i) {
        if (text.compare(i, 3, "Zel") != 0) continue;
        std::size_t k = i + 3;
        if (text.compare(k, 7, "/System") == 0) k += 7;
        while (k < text.size() && is_space(text[k])) ++k;
        if (k < text.size() && text[k] == '[') return i;
    }
    return no_header;
}

std::string read_file(const Cell& file) {
    const std::string path = file::os_path(file);
    std::string text;
    if (!platform::read_file(path.c_str(), text)) raise(ErrorId::access_cannot_open, &file);
    return text;
}

int run_main(const char* path) {
    const Cell file{header_of(Type::file), 0,
                    unicode::load_utf8_new(reinterpret_cast<const u8*>(path), static_cast<u32>(std::strlen(path))), 0};
    const std::string text = read_file(file);
    const std::size_t at = find_header(text);
    if (at == no_header) {
        print_error("*** Error: Zel header not found!");
        return 1;
    }
    enter_folder_of(path);
    Cell header;
    Cell code;
    if (!split(load_from_header(text, at), header, code)) {
        print_error(contains_any_case(text, "Zel/System") ? "*** Error: contains Zel/System code which requires compilation!"
                                                          : "*** Error: not a Zel program!");
        return 1;
    }
    *exits::script_header = header_object(header);
    enter_script(*exits::script_header);
    eval_code(code);
    return 0;
}

}  // namespace zel::script
