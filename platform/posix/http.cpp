#include "platform/posix/http.h"

#include <curl/curl.h>
#include <strings.h>

#include <mutex>

namespace zel::platform {

namespace {

// The callbacks only append to strings: nothing in them can throw but a failed
// allocation, which is caught here and reported to libcurl as a write failure, so no
// exception ever crosses its frames.
size_t on_body(char* data, size_t size, size_t count, void* user) noexcept {
    try {
        static_cast<std::string*>(user)->append(data, size * count);
        return size * count;
    } catch (...) {
        return 0;
    }
}

// Header lines arrive one by one for every response, redirects included: a status line
// starts a new response and drops the lines kept so far.
size_t on_header(char* data, size_t size, size_t count, void* user) noexcept {
    try {
        std::string& headers = *static_cast<std::string*>(user);
        const std::string line(data, size * count);
        if (line.rfind("HTTP/", 0) == 0) headers.clear();
        else if (line != "\r\n" && line != "\n") headers += line;
        return size * count;
    } catch (...) {
        return 0;
    }
}

struct Easy {
    CURL* handle = curl_easy_init();
    curl_slist* list = nullptr;
    ~Easy() {
        curl_slist_free_all(list);
        if (handle) curl_easy_cleanup(handle);
    }
};

}  // namespace

HttpResponse http_request(const HttpRequest& request) {
    static std::once_flag global;
    std::call_once(global, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    HttpResponse response;
    Easy easy;
    if (!easy.handle) {
        response.error = "cannot start a request";
        return response;
    }
    CURL* h = easy.handle;
    curl_easy_setopt(h, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 20L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(h, CURLOPT_TIMEOUT, request.timeout_seconds);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    if (request.method == "HEAD") curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
    else if (request.method != "GET") curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, request.method.c_str());
    if (request.has_body && request.method != "GET" && request.method != "HEAD") {
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, request.body.data());
    }
    for (const auto& [name, value] : request.headers) {
        const std::string line = value.empty() ? name + ";" : name + ": " + value;
        curl_slist* more = curl_slist_append(easy.list, line.c_str());
        if (!more) return response;
        easy.list = more;
    }
    // Only the caller's headers go out, beside those the protocol needs: libcurl's own
    // Accept and form Content-Type are dropped unless given ("Name:" removes one).
    for (const char* own : {"Accept", "Content-Type"}) {
        bool given = false;
        for (const auto& header : request.headers) given |= strcasecmp(header.first.c_str(), own) == 0;
        if (given) continue;
        curl_slist* more = curl_slist_append(easy.list, (std::string(own) + ":").c_str());
        if (!more) return response;
        easy.list = more;
    }
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, easy.list);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, on_body);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &response.body);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, on_header);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &response.headers);

    const CURLcode rc = curl_easy_perform(h);
    if (rc != CURLE_OK) {
        response.error = curl_easy_strerror(rc);
        return response;
    }
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &response.status);
    response.failed = false;
    return response;
}

}  // namespace zel::platform
