#include "platform/posix/command-line.h"

#include <cstring>

namespace zel::platform {
namespace {


bool needs_quotes(const char* arg) {
    if (!*arg) return true;
    for (const char* c = arg; *c; ++c)
        if (*c == ' ' || *c == '\t' || *c == '\n' || *c == '\v' || *c == '\r' || *c == '"' || *c == '\'') return true;
    return false;
}

void append_quoted(std::string& out, const char* arg) {
    out += '"';
    std::size_t backslashes = 0;
    for (const char* c = arg; *c; ++c) {
        if (*c == '\\') {
            ++backslashes;
            continue;
        }
        if (*c == '"') {
            out.append(backslashes * 2 + 1, '\\');
        } else {
            out.append(backslashes, '\\');
        }
        backslashes = 0;
        out += *c;
    }
    out.append(backslashes * 2, '\\');
    out += '"';
}

}  // namespace

std::string command_line_of(int argc, const char* const* argv) {
    std::string text;
    for (int i = 0; i < argc; ++i) {
        if (i) text += ' ';
        if (needs_quotes(argv[i])) append_quoted(text, argv[i]);
        else text += argv[i];
    }
    return text;
}

}  // namespace zel::platform
