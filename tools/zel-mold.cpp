// zel-mold: reads a UTF-8 source file, scans it and prints the mold of each top-level
// value on its own line, or the report of the syntax error that stopped the scan.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "boot/runtime.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/lexer/lexer.h"
#include "runtime/memory/node.h"
#include "tools/mold-text.h"

namespace {

std::string formed(const zel::Cell& arg) {
    zel::Output out;
    zel::form(arg, nullptr, out);
    return out.utf8();
}

// The error's message: its template with each :argN replaced by that argument formed.
int report(const zel::ErrorThrow& e) {
    const zel::ErrorInfo& info = zel::error_info(e.id);
    std::string message;
    std::string templ = info.templ;
    for (std::size_t i = 0; i < templ.size();) {
        if (templ.compare(i, 4, ":arg") == 0 && i + 4 < templ.size()) {
            zel::u32 n = static_cast<zel::u32>(templ[i + 4] - '1');
            if (n < e.arg_count) message += (message.empty() ? "" : " ") + formed(e.args[n]);
            i += 5;
        } else if (templ[i] == '"') {
            std::size_t close = templ.find('"', i + 1);
            message += (message.empty() ? "" : " ") + templ.substr(i + 1, close - i - 1);
            i = close + 1;
        } else {
            ++i;
        }
    }
    std::printf("*** %s: %s\n", zel::error_category_info(info.category).title, message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: zel-mold FILE\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "zel-mold: cannot read %s\n", argv[1]);
        return 2;
    }
    std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The runtime as far as scanning and molding need it.
    zel::runtime::init(zel::runtime::Stage::names);
    int status = 0;
    try {
        zel::lexer::Result r = zel::lexer::scan_utf8(reinterpret_cast<const zel::u8*>(source.data()),
                                                     static_cast<zel::u32>(source.size()), {});
        const zel::u32 count = zel::node::buffer(r.value.w2)->cell_count();
        for (zel::u32 i = 0; i < count; ++i) {
            zel::Buffer* b = zel::node::buffer(r.value.w2);
            const zel::Cell value = b->cells()[b->head / sizeof(zel::Cell) + i];
            std::printf("%s\n", zel::tools::mold_text(value).c_str());
        }
    } catch (const zel::ErrorThrow& e) {
        status = report(e);
    }
    zel::runtime::shutdown();
    return status;
}
