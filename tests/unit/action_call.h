// Helpers of the datatype tests: values made by hand, actions called through the
// registry's rows, errors caught as their ids, and text of form and mold.
#pragma once
#include <cstring>
#include <optional>
#include <string>

#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/eval/error.h"

namespace zel::test {

inline void ensure_datatypes() {
    static const bool registered = (register_datatypes(), true);
    (void)registered;
}

inline Cell float_cell(double value, Type t = Type::float_) {
    Cell cell{header_of(t), 0, 0, 0};
    std::memcpy(reinterpret_cast<char*>(&cell) + 8, &value, sizeof value);
    return cell;
}

// The id of the error that f raises, or nothing.
template <class F>
std::optional<ErrorId> error_of(F&& f) {
    try {
        f();
    } catch (const ErrorThrow& e) {
        return e.id;
    }
    return std::nullopt;
}

inline std::string molded(const Cell& value, MoldFlags flags = {}, const Cell* part = nullptr) {
    Output out;
    mold(value, flags, part, out);
    return out.utf8();
}

inline std::string formed(const Cell& value, const Cell* part = nullptr) {
    Output out;
    form(value, part, out);
    return out.utf8();
}

}  // namespace zel::test
