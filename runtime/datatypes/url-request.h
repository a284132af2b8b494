// One synchronous HTTP request, for `read` and `write` on a url!: the response becomes a
// language value (the body, or with `info` a block of status, header map and body).
#pragma once
#include "runtime/core/cell.h"

namespace zel::url_request {

// `method` is a word (get, head, post or any other, sent upper-cased); `headers` a block
// of name/value pairs or null for the default headers; `data` the body or null. Answers
// none when any step of the request fails: the caller decides whether that is an error.
Cell request(const Cell& url, const Cell& method, const Cell* headers, const Cell* data,
             bool info, bool binary, bool lines);

}  // namespace zel::url_request
