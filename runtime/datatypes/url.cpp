// url!: a string whose text is a URL, held decoded (a space, not "%20"). Molded, every
// UTF-8 byte outside the URL set is written "%" and two hexadecimal digits. A path joins
// a url and a value with one "/"; a block makes a url from its parts. read and write on
// an http or https url are one HTTP request.
#include "runtime/core/raise.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/datatypes/string.h"
#include "runtime/datatypes/url-request.h"
#include "runtime/datatypes/word.h"
#include "runtime/names/context.h"
#include "runtime/names/runtime-words.h"
#include "runtime/names/symbol.h"
#include "runtime/text/percent-coding.h"
#include "runtime/text/string-utf8.h"

namespace zel::url {
namespace {

i32 mold(const Cell* value, Output& out, MoldFlags, const Cell* part, i32 limit, i32) {
    Cell text = *value;
    i32 count = -1;
    const u8* bytes = unicode::to_utf8(text, count);
    const std::string encoded = percent::encode(bytes, static_cast<std::size_t>(count), true);
    for (char c : encoded) {
        if (has_part(part) && limit <= 0) break;
        out.append_char(static_cast<u8>(c));
        --limit;
    }
    return limit;
}

// A url from a block: scheme "://" host, an integer after the host as its port, then
// the other values joined by "/" ("#" before an issue!).
Cell from_block(const Cell& spec, Type target) {
    const Cell block = spec;
    const u32 n = series::buffer_length(block);
    if (block.w1 >= n) {
        const Cell type = datatype::of(target);
        raise(ErrorId::script_bad_to_arg, &type, &block);
    }
    Output out;
    const auto value_at = [&](u32 i) { return *block::cell_at(block, i); };
    u32 i = block.w1;
    form_value(value_at(i++), out, nullptr, no_limit);
    out.append_ascii("://");
    if (i < n) form_value(value_at(i++), out, nullptr, no_limit);
    if (i < n && value_at(i).is(Type::integer)) {
        out.append_char(':');
        form_value(value_at(i++), out, nullptr, no_limit);
    }
    if (i < n) out.append_char('/');
    for (; i < n; ++i) {
        form_value(value_at(i), out, nullptr, no_limit);
        if (i + 1 < n) out.append_char(value_at(i + 1).is(Type::issue) ? '#' : '/');
    }
    Cell result = out.value();
    cell::set_type(&result, target);
    return result;
}

Cell* make(Cell* prototype, const Cell* spec, Type target) {
    if (target == Type::url && string::block_like(spec->type())) {
        *prototype = from_block(*spec, target);
        return prototype;
    }
    return string::make(prototype, spec, target);
}

Cell* to(Cell* prototype, const Cell* spec, Type target) {
    if (target == Type::url && string::block_like(spec->type())) {
        *prototype = from_block(*spec, target);
        return prototype;
    }
    return string::to(prototype, spec, target);
}

bool http(const Cell& url) {
    const char* prefix = "http";
    if (chars_from_position(url) < 4) return false;
    for (u32 i = 0; i < 4; ++i)
        if (char_at(url, i) != static_cast<u8>(prefix[i])) return false;
    return true;
}

// Other schemes go through the port their URL describes, which the URL parser of the
// library makes; until it exists such a URL is refused as an argument.
[[noreturn]] void no_port(const Cell& url) { raise(ErrorId::script_invalid_arg, &url); }

Cell* read(Cell* url, const ReadRefinements& r) {
    const Cell target = *url;
    if (!http(target)) no_port(target);
    if (r.part || r.seek || r.as) raise(ErrorId::internal_not_done);
    const Cell method = word::make_global("get");
    const Cell answer = url_request::request(target, method, nullptr, nullptr, r.info, r.binary, r.lines);
    if (answer.is(Type::none)) raise(ErrorId::access_no_connect, &target);
    *url = answer;
    return url;
}

bool body_type(const Cell& v) { return v.is(Type::block) || v.is(Type::string) || v.is(Type::binary); }

Cell* write(Cell* url, const Cell* data, const WriteRefinements& r) {
    const Cell target = *url;
    if (!http(target)) no_port(target);
    if (r.seek || r.allow || r.as) raise(ErrorId::internal_not_done);
    Cell method = word::make_global("post");
    Cell headers = none_cell;
    Cell body = *data;
    bool has_body = true;
    if (data->is(Type::block)) {
        const Cell spec = *data;
        const u32 n = series::buffer_length(spec);
        if (spec.w1 >= n) {
            method = word::make_global("get");
        } else {
            const Cell first = *block::cell_at(spec, spec.w1);
            if (!first.is(Type::word)) raise(ErrorId::script_invalid_arg, &first);
            method = first;
            has_body = false;
            if (spec.w1 + 1 < n) {
                headers = *block::cell_at(spec, spec.w1 + 1);
                if (!headers.is(Type::block)) raise(ErrorId::script_invalid_arg, &headers);
            }
            if (spec.w1 + 2 < n) {
                body = *block::cell_at(spec, spec.w1 + 2);
                has_body = true;
            }
        }
    }
    if (has_body && !body_type(body)) raise(ErrorId::script_invalid_arg, &body);
    const Cell answer = url_request::request(target, method, headers.is(Type::block) ? &headers : nullptr,
                                             has_body ? &body : nullptr, r.info, r.binary, r.lines);
    if (answer.is(Type::none)) raise(ErrorId::access_no_connect, &target);
    *url = answer;
    return url;
}

Cell* open(Cell* url, const OpenRefinements&) { no_port(*url); }

Cell* eval_path(Cell* parent, const Cell* element, const Cell* value_to_set, const PathStep& step) {
    const Cell* path = step.path ? step.path : &none_cell;
    if (value_to_set) raise(ErrorId::script_bad_path_set, path, element);
    const Cell base = *parent;
    Cell item = *element;
    if (item.is(Type::get_word)) item = *context::get_word(item);
    Output formed;
    form_value(item, formed, nullptr, no_limit);
    Output out;
    const u32 length = chars_from_position(base);
    for (u32 i = 0; i < length; ++i) out.append_char(char_at(base, i));
    const bool ends = length > 0 && char_at(base, length - 1) == '/';
    const bool starts = formed.length() > 0 && formed.at(0) == '/';
    u32 from = 0;
    if (ends && starts) from = 1;
    else if (!ends && !starts) out.append_char('/');
    for (u32 i = from; i < formed.length(); ++i) out.append_char(formed.at(i));
    Cell result = out.value();
    cell::set_type(&result, base.type());
    *parent = result;
    return parent;
}

}  // namespace
}  // namespace zel::url

namespace zel {

constinit const ActionRecord url_actions = [] {
    ActionRecord r;
#define ZEL_ACTION(slot, name, text) r.on_##name = inherit;
#include "runtime/core/action-slots.def"
#undef ZEL_ACTION
    r.on_make = url::make;
    r.on_to = url::to;
    r.on_mold = url::mold;
    r.on_eval_path = url::eval_path;
    r.on_open = url::open;
    r.on_read = url::read;
    r.on_write = url::write;
    // Arithmetic, random and the port-only slots mean nothing for a URL.
    r.on_random = {};
    clear_arithmetic(r);
    r.on_put = {};
    r.on_sort = {};
    r.on_trim = {};
    r.on_create = {};
    r.on_close = {};
    r.on_open_q = {};
    r.on_update = {};
    r.on_reflect = {};
    r.on_delete = {};
    r.on_query = {};
    r.on_rename = {};
    return r;
}();

}  // namespace zel
