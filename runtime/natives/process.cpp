// The native call: runs another program through the platform's process runner. Values
// become bytes and paths on the way in (a string! as UTF-8, a binary! from its index, a
// file! as its path) and the captured bytes become values on the way out (appended to a
// string! as UTF-8 text, inserted into a binary! at its index).
//
// On Linux there is no console window to show or hide: /show changes nothing. /console
// gives the child our own standard streams (those not redirected) instead of the null
// device, and waits for it, since it shares the terminal with us.
#include <cstring>
#include <string>

#include "generated/refinements.h"
#include "platform/posix/process.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/string-concatenate.h"
#include "runtime/memory/node.h"
#include "runtime/natives/frame-args.h"
#include "runtime/natives/natives.h"
#include "runtime/text/string-utf8.h"

namespace zel::natives {
namespace {

// The bytes of a binary! from its index.
std::string bytes_of(const Cell& binary) {
    Buffer* b = node::buffer(binary.w2);
    const u32 from = std::min(binary.w1, b->used());
    return std::string(reinterpret_cast<const char*>(b->head_ptr() + from), b->used() - from);
}

platform::ProcessInput input_of(const Cell& in) {
    platform::ProcessInput input;
    if (in.is(Type::file)) {
        input.kind = platform::ProcessInput::Kind::file;
        input.path = unicode::utf8_of(in);
    } else {
        input.kind = platform::ProcessInput::Kind::bytes;
        input.bytes = in.is(Type::binary) ? bytes_of(in) : unicode::utf8_of(in);
    }
    return input;
}

void set_output(platform::ProcessOutput& output, const Cell& target) {
    if (target.is(Type::file)) {
        output.kind = platform::ProcessOutput::Kind::file;
        output.path = unicode::utf8_of(target);
    } else {
        output.kind = platform::ProcessOutput::Kind::capture;
    }
}

// Adds the captured bytes to their target: inserted into a binary! at its index, decoded
// and appended to a string!.
void store_capture(const Cell& target, const std::string& captured) {
    if (captured.empty() || target.is(Type::file)) return;
    const u32 n = static_cast<u32>(captured.size());
    if (target.is(Type::binary)) {
        const u32 at = std::min(target.w1, series::buffer_length(target));
        Buffer* b = series::open_units(target, at, n);
        std::memcpy(b->head_ptr() + at, captured.data(), n);
        return;
    }
    const Node text = unicode::load_utf8_new(reinterpret_cast<const u8*>(captured.data()), n);
    const Cell source{header_of(Type::string), 0, text, 0};
    string::concatenate(target, source, -1, 0, false, string::Concat::append);
}

}  // namespace

// An empty command answers 0 at once. A program that cannot be found, run directly or
// through the shell, and a redirection file that cannot be opened raise access/cannot-open;
// a pipe or a process that cannot be made answers -1.
void call(const i32* refinements) {
    const Cell cmd = arg(0);
    const std::string command = unicode::utf8_of(cmd);
    if (command.find_first_not_of(" \t\r\n") == std::string::npos) {
        set_result(integer::cell(0));
        return;
    }
    const bool console = used(refinements, call_ref::console);
    platform::ProcessRequest request;
    request.command = command;
    request.shell = used(refinements, call_ref::shell);
    request.wait = used(refinements, call_ref::wait) || console;
    if (console) {
        request.output.kind = platform::ProcessOutput::Kind::inherit;
        request.error.kind = platform::ProcessOutput::Kind::inherit;
    }
    if (used(refinements, call_ref::input)) request.input = input_of(ref_arg(refinements, call_ref::input));
    if (used(refinements, call_ref::output)) set_output(request.output, ref_arg(refinements, call_ref::output));
    if (used(refinements, call_ref::error)) set_output(request.error, ref_arg(refinements, call_ref::error));

    const platform::ProcessResult result = platform::run_process(request);
    switch (result.failure) {
    case platform::ProcessFailure::none:
        break;
    case platform::ProcessFailure::not_found:
        raise(ErrorId::access_cannot_open, &cmd);
    case platform::ProcessFailure::cannot_open: {
        const u32 streams[] = {call_ref::input, call_ref::output, call_ref::error};
        raise(ErrorId::access_cannot_open, &ref_arg(refinements, streams[result.stream]));
    }
    case platform::ProcessFailure::other:
        set_result(integer::cell(-1));
        return;
    }
    if (used(refinements, call_ref::output)) store_capture(ref_arg(refinements, call_ref::output), request.output.captured);
    if (used(refinements, call_ref::error)) store_capture(ref_arg(refinements, call_ref::error), request.error.captured);
    set_result(integer::cell(static_cast<i32>(result.value)));
}

}  // namespace zel::natives
