#include "runtime/natives/codec-routines.h"

#include "runtime/core/cell-views.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/action-signatures.h"
#include "runtime/eval/action.h"
#include "runtime/eval/stack.h"
#include "runtime/io/zelbin.h"
#include "runtime/natives/natives.h"

namespace zel::routines {

void image_codec_encode(const Cell&, const Cell*, Cell&) { raise(ErrorId::internal_feature_na); }

void image_codec_decode(const Cell&, const Cell*, Cell&) { raise(ErrorId::internal_feature_na); }

void zelbin_codec_encode(const Cell&, const Cell* args, Cell& result) {
    result = zelbin::encode(args[0], as_logic(args[1]).value != 0);
}

void zelbin_codec_decode(const Cell&, const Cell* args, Cell& result) {
    // The payload is read in a stack slot of its own, which keeps the bytes reachable while
    // the reader allocates.
    Cell* payload = stack::push_slot();
    *payload = args[0];
    if (payload->is(Type::file) || payload->is(Type::url)) {
        ReadRefinements binary;
        binary.binary = true;
        payload = action::lookup<&ActionRow::on_read>(*payload)(payload, binary);
    }
    if (!payload->is(Type::binary)) raise(ErrorId::script_invalid_data, payload);
    result = natives::zelbin_decode_binary(*payload);
}

}  // namespace zel::routines
