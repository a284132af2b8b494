// Any bytes after the Zelbin magic decode to values or raise a language error: never a
// crash, never a read outside the input, never an allocation out of proportion to it.
// Each input is read in the codec's mode and in the boot image's, and whatever decodes is
// written back in both forms, which must succeed. The run starts from zelbin-seeds/: the
// compact and full encodings (after the magic) of a block that holds itself, objects that
// share a block and bind words, series of every kind, callables and errors, and strings.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "boot/runtime.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/block.h"
#include "runtime/eval/stack.h"
#include "runtime/io/zelbin.h"
#include "runtime/memory/gc.h"

namespace {

void decode(const std::vector<std::uint8_t>& bytes, zel::zelbin::Mode mode) {
    zel::Cell* const top = zel::stack::top;
    zel::Cell* values = zel::stack::push_slot();
    zel::block::make_at(values, 1);
    try {
        zel::zelbin::decode(bytes.data(), bytes.size(), *values, zel::none_cell, mode);
    } catch (const zel::Throw&) {
    }
    for (bool compact : {true, false}) {
        try {
            zel::zelbin::encode(*values, compact);
        } catch (const zel::ErrorThrow& e) {
            // Only what the format cannot carry may be refused.
            if (e.id != zel::ErrorId::access_no_codec && e.id != zel::ErrorId::internal_not_done) throw;
        }
    }
    zel::stack::top = top;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static bool ready = (zel::runtime::init(), zel::gc::set_enabled(true), true);
    (void)ready;
    std::vector<std::uint8_t> bytes(zel::zelbin::magic, zel::zelbin::magic + sizeof zel::zelbin::magic);
    bytes.insert(bytes.end(), data, data + size);
    decode(bytes, zel::zelbin::Mode::codec);
    decode(bytes, zel::zelbin::Mode::boot);
    return 0;
}
