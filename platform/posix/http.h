// One synchronous HTTP request through libcurl: redirects followed, TLS verified, a
// time limit on connecting and on the whole exchange. Only text and bytes cross this
// interface; what they mean is the caller's affair.
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace zel::platform {

struct HttpRequest {
    std::string method;  // "GET", "HEAD", "POST" or any other
    std::string url;
    std::vector<std::pair<std::string, std::string>> headers;
    bool has_body = false;
    std::string body;
    long timeout_seconds = 60;
};

struct HttpResponse {
    bool failed = true;  // no response: bad URL, refused connection, unknown host, timeout
    long status = 0;
    // The final response's header lines (after any redirect), each ended by CR LF,
    // without the status line.
    std::string headers;
    std::string body;
    std::string error;  // libcurl's text when failed
};

HttpResponse http_request(const HttpRequest& request);

}  // namespace zel::platform
