// The natives that reach the process's surroundings: the environment variables
// (set-env, get-env, list-env) and wait.
#include <string>

#include "platform/posix/environment.h"
#include "platform/posix/sleep.h"
#include "runtime/core/cell-views.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/map.h"
#include "runtime/datatypes/word.h"
#include "runtime/names/symbol.h"
#include "runtime/natives/frame-args.h"
#include "runtime/natives/natives.h"
#include "runtime/text/string-utf8.h"

namespace zel::natives {
namespace {

// A variable's name from a string-like value or a word's spelling. A name the system
// cannot hold (empty, or holding "=" or a NUL character) raises script/invalid-arg.
std::string variable_name(const Cell& var) {
    std::string name = word::any_word_type(var.type()) ? std::string(symbol::name(var.w2)) : unicode::utf8_of(var);
    if (name.empty() || name.find('=') != std::string::npos || name.find('\0') != std::string::npos)
        raise(ErrorId::script_invalid_arg, &var);
    return name;
}

}  // namespace

void set_env(const i32*) {
    const Cell var = arg(0);
    const Cell value = arg(1);
    const std::string name = variable_name(var);
    bool ok = false;
    if (value.is(Type::none)) {
        ok = platform::set_env(name.c_str(), nullptr);
    } else {
        const std::string text = unicode::utf8_of(value);
        if (text.find('\0') != std::string::npos) raise(ErrorId::script_invalid_arg, &value);
        ok = platform::set_env(name.c_str(), text.c_str());
    }
    if (!ok) raise(ErrorId::script_invalid_arg, &var);
    set_result(value);
}

void get_env(const i32*) {
    const std::string name = variable_name(arg(0));
    std::string value;
    set_result(platform::get_env(name.c_str(), value) ? unicode::string_of_utf8(value) : none_cell);
}

void list_env(const i32*) {
    const auto pairs = platform::environment();
    Cell data;
    block::make_at(&data, static_cast<i32>(pairs.size() * 2));
    for (const auto& [name, value] : pairs) {
        block::append_value(data, unicode::string_of_utf8(name));
        block::append_value(data, unicode::string_of_utf8(value));
    }
    Cell result;
    map::make_in_cell(&result, data.w2, 0);
    set_result(result);
}

// Seconds from a number or a time!; blocks and none are not waited on.
void wait(const i32*) {
    const Cell value = arg(0);
    double seconds = 0;
    if (value.is(Type::integer)) seconds = as_integer(value).value;
    else if (value.is(Type::float_) || value.is(Type::percent) || value.is(Type::time)) seconds = float_payload(value);
    else raise(ErrorId::script_invalid_arg, &value);
    set_result(none_cell);
    platform::sleep_seconds(seconds);
}

}  // namespace zel::natives
