// The HTTP request behind `read` and `write` on a url!: the url, method, headers and body
// become text for the platform's client, and its response becomes a value.
#include "runtime/datatypes/url-request.h"

#include <cctype>
#include <string>
#include <utility>
#include <vector>

#include "platform/posix/http.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/file.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/map.h"
#include "runtime/datatypes/string-load.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/datatypes/word.h"
#include "runtime/lexer/lexer-text.h"
#include "runtime/memory/node.h"
#include "runtime/names/context.h"
#include "runtime/names/symbol.h"
#include "runtime/text/string-utf8.h"

namespace zel::url_request {

namespace {

std::string formed(const Cell& value) {
    Output out;
    form(value, nullptr, out);
    return out.utf8();
}

// A string is sent as its text, any other value as its formed text.
std::string text_of(const Cell& value) {
    return value.is(Type::string) ? unicode::utf8_of(value) : formed(value);
}

std::string method_text(const Cell& method) {
    std::string name(symbol::name(method.w2));
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

// The name/value pairs of a header block: a word of any kind names by its spelling, any
// other name by its formed text; a last name without a value is sent empty.
std::vector<std::pair<std::string, std::string>> header_pairs(const Cell* headers) {
    if (!headers) {
        return {{"Content-Type", "application/x-www-form-urlencoded"},
                {"Accept-Charset", "UTF-8"},
                {"User-Agent", "Mozilla/5.0 (Windows NT 6.1; Win64; x64)"}};
    }
    std::vector<std::pair<std::string, std::string>> pairs;
    const i32 n = block::length(*headers);
    for (i32 i = 0; i < n; i += 2) {
        const Cell name = *block::cell_at(*headers, headers->w1 + static_cast<u32>(i));
        const std::string key = word::any_word_type(name.type()) && !name.is(Type::issue)
                                    ? std::string(symbol::name(name.w2))
                                    : formed(name);
        const std::string value = i + 1 < n ? text_of(*block::cell_at(*headers, headers->w1 + static_cast<u32>(i) + 1)) : "";
        pairs.emplace_back(key, value);
    }
    return pairs;
}

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    const std::size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool same_name(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

Cell text_value(const std::string& text) {
    return string::to_from_binary(reinterpret_cast<const u8*>(text.data()), static_cast<u32>(text.size()));
}

// The header map: each name (the text before the first colon of a line) as a word, its
// value trimmed of blanks; a name met again holds a block of all its values in order.
// Lines without a colon are no headers and are skipped.
Cell header_map(const std::string& text) {
    std::vector<std::pair<std::string, std::vector<std::string>>> headers;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos || colon == 0) continue;
        const std::string name = trimmed(line.substr(0, colon));
        const std::string value = trimmed(line.substr(colon + 1));
        auto known = headers.begin();
        while (known != headers.end() && !same_name(known->first, name)) ++known;
        if (known == headers.end()) headers.push_back({name, {value}});
        else known->second.push_back(value);
    }
    Cell pairs;
    block::make_at(&pairs, static_cast<i32>(headers.size() * 2));
    for (const auto& [name, values] : headers) {
        block::append_value(pairs, word_cell(Type::set_word, 0, symbol::intern(name), context::no_index));
        if (values.size() == 1) {
            block::append_value(pairs, text_value(values[0]));
            continue;
        }
        Cell all;
        block::make_at(&all, static_cast<i32>(values.size()));
        for (const std::string& v : values) block::append_value(all, text_value(v));
        block::append_value(pairs, all);
    }
    Cell map;
    map::make_in_cell(&map, pairs.w2, 0);
    return map;
}

}  // namespace

Cell request(const Cell& url, const Cell& method, const Cell* headers, const Cell* data, bool info, bool binary,
             bool lines) {
    platform::HttpRequest req;
    req.url = unicode::utf8_of(url);
    req.method = method_text(method);
    req.headers = header_pairs(headers);
    if (data && !data->is(Type::none)) {
        req.has_body = true;
        if (data->is(Type::binary)) {
            Buffer* b = node::buffer(data->w2);
            const u32 from = std::min(data->w1, b->used());
            req.body.assign(reinterpret_cast<const char*>(b->head_ptr() + from), b->used() - from);
        } else {
            req.body = text_of(*data);
        }
    }
    const platform::HttpResponse response = platform::http_request(req);
    if (response.failed) return none_cell;

    Cell body = binary ? lexer::make_bytes(Type::binary, reinterpret_cast<const u8*>(response.body.data()),
                                           static_cast<u32>(response.body.size()))
                : lines ? file::split_lines(reinterpret_cast<const u8*>(response.body.data()), response.body.size(),
                                            [](const u8* line, std::size_t n) {
                                                return text_value(std::string(reinterpret_cast<const char*>(line), n));
                                            })
                        : text_value(response.body);
    if (!info) return body;
    Cell result;
    block::make_at(&result, 3);
    block::append_value(result, integer::cell(static_cast<i32>(response.status)));
    const Cell map = header_map(response.headers);
    block::append_value(result, map);
    block::append_value(result, body);
    return result;
}

}  // namespace zel::url_request
