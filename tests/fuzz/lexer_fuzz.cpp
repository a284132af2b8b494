// Any bytes, however broken, are scanned to values or to a syntax error: never a crash,
// never a read outside the input. Each input is scanned plainly, in single mode, and with
// a callback that skips every error it sees.
#include <cstddef>
#include <cstdint>

#include "boot/runtime.h"
#include "runtime/core/raise.h"
#include "runtime/lexer/lexer.h"

namespace {

class Skipper : public zel::lexer::Tracer {
public:
    bool on_event(const zel::lexer::TraceEvent& e, zel::u32& input) override {
        if (e.event != zel::lexer::event::error) return true;
        input += 1;
        return false;
    }
};

void scan(const std::uint8_t* data, std::size_t size, const zel::lexer::Options& options) {
    try {
        zel::lexer::scan_utf8(data, static_cast<zel::u32>(size), options);
    } catch (const zel::ErrorThrow&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static bool ready = (zel::runtime::init(zel::runtime::Stage::names), true);
    (void)ready;
    zel::lexer::Options plain;
    scan(data, size, plain);
    zel::lexer::Options single;
    single.single = true;
    scan(data, size, single);
    Skipper skipper;
    zel::lexer::Options traced;
    traced.tracer = &skipper;
    scan(data, size, traced);
    return 0;
}
