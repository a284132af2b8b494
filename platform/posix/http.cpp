#include "platform/posix/http.h"

#include <curl/curl.h>
#include <dlfcn.h>
#include <strings.h>

#include "platform/posix/shared-library.h"


namespace zel::platform {

namespace {

// libcurl is opened on the first request, not linked: linking it brings some thirty
// libraries whose loading and relocation every start-up would pay for (several times the
// rest of the start-up), and whose set-up code allocates what is never released.
struct Curl {
    decltype(&curl_global_init) global_init;
    decltype(&curl_easy_init) easy_init;
    decltype(&curl_easy_setopt) easy_setopt;
    decltype(&curl_easy_perform) easy_perform;
    decltype(&curl_easy_getinfo) easy_getinfo;
    decltype(&curl_easy_cleanup) easy_cleanup;
    decltype(&curl_easy_strerror) easy_strerror;
    decltype(&curl_slist_append) slist_append;
    decltype(&curl_slist_free_all) slist_free_all;
};

// The library with every entry found, set up once; null when it cannot be opened.
const Curl* curl() {
    static const Curl* opened = [] () -> const Curl* {
        void* handle = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
        if (!handle) return nullptr;
        static Curl c{};
        const bool complete = find_entry(handle, "curl_global_init", c.global_init) &&
                              find_entry(handle, "curl_easy_init", c.easy_init) &&
                              find_entry(handle, "curl_easy_setopt", c.easy_setopt) &&
                              find_entry(handle, "curl_easy_perform", c.easy_perform) &&
                              find_entry(handle, "curl_easy_getinfo", c.easy_getinfo) &&
                              find_entry(handle, "curl_easy_cleanup", c.easy_cleanup) &&
                              find_entry(handle, "curl_easy_strerror", c.easy_strerror) &&
                              find_entry(handle, "curl_slist_append", c.slist_append) &&
                              find_entry(handle, "curl_slist_free_all", c.slist_free_all);
        if (!complete || c.global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
            dlclose(handle);
            return nullptr;
        }
        return &c;
    }();
    return opened;
}

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
    const Curl& c;
    CURL* handle = c.easy_init();
    curl_slist* list = nullptr;
    ~Easy() {
        c.slist_free_all(list);
        if (handle) c.easy_cleanup(handle);
    }
};

}  // namespace

HttpResponse http_request(const HttpRequest& request) {
    HttpResponse response;
    const Curl* c = curl();
    if (!c) {
        response.error = "libcurl is not installed";
        return response;
    }
    Easy easy{*c};
    if (!easy.handle) {
        response.error = "cannot start a request";
        return response;
    }
    CURL* h = easy.handle;
    c->easy_setopt(h, CURLOPT_URL, request.url.c_str());
    c->easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    c->easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    c->easy_setopt(h, CURLOPT_MAXREDIRS, 20L);
    c->easy_setopt(h, CURLOPT_CONNECTTIMEOUT, 30L);
    c->easy_setopt(h, CURLOPT_TIMEOUT, request.timeout_seconds);
    c->easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    c->easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    if (request.method == "HEAD") c->easy_setopt(h, CURLOPT_NOBODY, 1L);
    else if (request.method != "GET") c->easy_setopt(h, CURLOPT_CUSTOMREQUEST, request.method.c_str());
    if (request.has_body && request.method != "GET" && request.method != "HEAD") {
        c->easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
        c->easy_setopt(h, CURLOPT_POSTFIELDS, request.body.data());
    }
    for (const auto& [name, value] : request.headers) {
        const std::string line = value.empty() ? name + ";" : name + ": " + value;
        curl_slist* more = c->slist_append(easy.list, line.c_str());
        if (!more) return response;
        easy.list = more;
    }
    // Only the caller's headers go out, beside those the protocol needs: libcurl's own
    // Accept and form Content-Type are dropped unless given ("Name:" removes one).
    for (const char* own : {"Accept", "Content-Type"}) {
        bool given = false;
        for (const auto& header : request.headers) given |= strcasecmp(header.first.c_str(), own) == 0;
        if (given) continue;
        curl_slist* more = c->slist_append(easy.list, (std::string(own) + ":").c_str());
        if (!more) return response;
        easy.list = more;
    }
    c->easy_setopt(h, CURLOPT_HTTPHEADER, easy.list);
    c->easy_setopt(h, CURLOPT_WRITEFUNCTION, on_body);
    c->easy_setopt(h, CURLOPT_WRITEDATA, &response.body);
    c->easy_setopt(h, CURLOPT_HEADERFUNCTION, on_header);
    c->easy_setopt(h, CURLOPT_HEADERDATA, &response.headers);

    const CURLcode rc = c->easy_perform(h);
    if (rc != CURLE_OK) {
        response.error = c->easy_strerror(rc);
        return response;
    }
    c->easy_getinfo(h, CURLINFO_RESPONSE_CODE, &response.status);
    response.failed = false;
    return response;
}

}  // namespace zel::platform
