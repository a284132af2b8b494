// An evaluator to drive from C++ (the evaluator's tests and benchmarks): the runtime started
// once with its library, source text loaded as code and run, and what it answers or raises
// read back as text. A program that includes this links the library (zel_library).
#pragma once
#include <string>
#include <string_view>

#include "boot/library.h"
#include "boot/runtime.h"
#include "runtime/datatypes/error.h"
#include "runtime/datatypes/standard.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/eval/exits.h"
#include "runtime/eval/interpreter.h"
#include "runtime/eval/stack.h"
#include "runtime/lexer/load-code.h"

namespace zel::test {

struct RaisedError {
    std::string id;
    std::string where;
    std::string near;
};

// Starts the runtime and loads the library, which leaves collection on; later calls do
// nothing.
inline void start_runtime() {
    static const bool started = (runtime::init(), library::load(library::sources, library::source_count), true);
    (void)started;
}

// Scans UTF-8 source into a block whose words are bound to the global context (names it
// lacks are added, unset).
inline Cell load(std::string_view source) {
    return lexer::load_code(reinterpret_cast<const u8*>(source.data()), static_cast<u32>(source.size()));
}

inline std::string molded(const Cell& value) {
    Output out;
    mold(value, MoldFlags{}, nullptr, out);
    return out.utf8();
}

// Evaluates source text: the molded value, or "error: <id>" with the stacks put back.
inline std::string run(std::string_view source) {
    const Cell code = load(source);
    const exits::Mark mark = exits::mark();
    try {
        interp::eval_block(code, false);
        const Cell value = *stack::top_cell();
        exits::restore(mark);
        return molded(value);
    } catch (const ErrorThrow& e) {
        exits::restore(mark);
        return std::string("error: ") + error_info(e.id).name;
    }
}

// The id of the error that evaluating the source raises, with its where and near molded;
// an empty id when it raises none.
inline RaisedError raised(std::string_view source) {
    const Cell code = load(source);
    const exits::Mark mark = exits::mark();
    try {
        interp::eval_block(code, false);
    } catch (const ErrorThrow& e) {
        exits::restore(mark);
        return {error_info(e.id).name, molded(*error::field(e.value, standard::Field::error_where)),
                molded(*error::field(e.value, standard::Field::error_near))};
    }
    exits::restore(mark);
    return {};
}

}  // namespace zel::test
