// The HTTP client against a local python3 server on the loopback address: a file read
// as text, bytes and lines, headers and a body echoed back, redirects, repeated headers,
// a missing file and a refused connection.
#include <fcntl.h>
#include <sys/socket.h>
#include <netinet/in.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "platform/posix/http.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/url-request.h"
#include "tests/support/evaluator.h"

namespace zel {
namespace {

class Http : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = std::filesystem::temp_directory_path() / ("zel-http-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
        std::ofstream(folder_ / "x") << "first line\r\nsecond line\nthird";
        std::ofstream(folder_ / "bytes.bin", std::ios::binary) << std::string("\x00\xFF\x01", 3);
        int to_server[2], from_server[2];
        ASSERT_EQ(::pipe2(to_server, O_CLOEXEC), 0);
        ASSERT_EQ(::pipe2(from_server, O_CLOEXEC), 0);
        server_ = ::fork();
        if (server_ == 0) {
            ::dup2(to_server[0], 0);
            ::dup2(from_server[1], 1);
            ::execl(PYTHON3, PYTHON3, HTTP_SERVER, folder_.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(to_server[0]);
        ::close(from_server[1]);
        server_input_ = to_server[1];
        FILE* out = ::fdopen(from_server[0], "r");
        char line[32] = {};
        ASSERT_NE(std::fgets(line, sizeof line, out), nullptr) << "the test server did not start";
        std::fclose(out);
        base_ = "http://127.0.0.1:" + std::string(line, std::strcspn(line, "\n"));
        test::start_runtime();
    }

    static void TearDownTestSuite() {
        ::close(server_input_);
        ::waitpid(server_, nullptr, 0);
        std::filesystem::remove_all(folder_);
    }

    static Cell value(const std::string& source) {
        const Cell block = test::load(source);
        return *block::cell_at(block, 0);
    }

    // The molded answer of a request, "none" when it failed.
    static std::string request(const std::string& path, const std::string& method = "get",
                               const char* headers = nullptr, const char* data = nullptr, bool info = false,
                               bool binary = false, bool lines = false) {
        const Cell url = value(base_ + path);
        const Cell verb = value(method);
        const Cell header_block = headers ? value(headers) : none_cell;
        const Cell body = data ? value(data) : none_cell;
        const Cell answer = url_request::request(url, verb, headers ? &header_block : nullptr, data ? &body : nullptr,
                                                 info, binary, lines);
        if (!answer.is(Type::string)) return test::molded(answer);
        Output text;
        form(answer, nullptr, text);
        return text.utf8();
    }

    static inline std::filesystem::path folder_;
    static inline pid_t server_ = -1;
    static inline int server_input_ = -1;
    static inline std::string base_;
};

TEST_F(Http, GetsAFileAsTextBytesOrLines) {
    EXPECT_EQ(request("/x"), "first line\r\nsecond line\nthird");
    EXPECT_EQ(request("/bytes.bin", "get", nullptr, nullptr, false, true), "#{00FF01}");
    EXPECT_EQ(request("/x", "get", nullptr, nullptr, false, false, true), R"(["first line" "second line" "third"])");
}

TEST_F(Http, InfoGivesTheStatusTheHeaderMapAndTheBody) {
    const std::string info = request("/x", "get", nullptr, nullptr, true);
    EXPECT_EQ(info.rfind("[200 #[", 0), 0u) << info;
    EXPECT_NE(info.find("Content-Length: \"29\""), std::string::npos) << info;
    // A header sent twice holds both values in order.
    const std::string twice = request("/twice", "get", nullptr, nullptr, true);
    EXPECT_NE(twice.find(R"(X-Twice: ["one" "two"])"), std::string::npos) << twice;
    // Redirects are followed, and only the last response's headers are kept.
    const std::string redirected = request("/redirect", "get", nullptr, nullptr, true);
    EXPECT_EQ(redirected.rfind("[200 #[", 0), 0u) << redirected;
    EXPECT_EQ(redirected.find("Location"), std::string::npos) << redirected;
}

TEST_F(Http, PostsTheBodyWithTheGivenOrTheDefaultHeaders) {
    const std::string given = request("/echo", "post", R"([X-Test: "yes" Accept "text/plain" X-Number 42])", R"("a=1&b=é")");
    EXPECT_EQ(given.rfind("POST\nHost: 127.0.0.1", 0), 0u) << given;
    EXPECT_EQ(given.find("Content-Type"), std::string::npos) << given;
    EXPECT_NE(given.find("X-Test: yes\nAccept: text/plain\nX-Number: 42\n"), std::string::npos) << given;
    EXPECT_EQ(given.find("User-Agent"), std::string::npos) << given;
    EXPECT_NE(given.find("\n\na=1&b=é"), std::string::npos) << given;
    const std::string defaults = request("/echo", "put", nullptr, "#{41004243}");
    EXPECT_EQ(defaults.rfind("PUT\n", 0), 0u) << defaults;
    EXPECT_NE(defaults.find("Content-Type: application/x-www-form-urlencoded\nAccept-Charset: UTF-8\n"
                            "User-Agent: Mozilla/5.0 (Windows NT 6.1; Win64; x64)\n"),
              std::string::npos)
        << defaults;
    // A binary! body goes as its bytes, a NUL included.
    EXPECT_NE(defaults.find(std::string("\n\nA\0BC", 6)), std::string::npos) << defaults;
    // GET sends no body even when one is given.
    EXPECT_EQ(request("/x", "get", nullptr, R"("ignored")"), request("/x"));
}

TEST_F(Http, OtherMethodsAreSentUpperCased) {
    EXPECT_EQ(request("/echo", "delete").substr(0, 7), "DELETE\n");
    EXPECT_EQ(request("/echo", "Patch", nullptr, R"("z")").substr(0, 6), "PATCH\n");
}

TEST_F(Http, FailuresAnswerNoneAndAMissingFileItsStatus) {
    EXPECT_EQ(request("/missing", "get", nullptr, nullptr, true).substr(0, 5), "[404 ");
    // A port nobody listens on: bind one and close it again.
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&address), size), 0);
    ASSERT_EQ(::getsockname(s, reinterpret_cast<sockaddr*>(&address), &size), 0);
    ::close(s);
    platform::HttpRequest refused;
    refused.method = "GET";
    refused.url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/x";
    const platform::HttpResponse response = platform::http_request(refused);
    EXPECT_TRUE(response.failed);
    EXPECT_FALSE(response.error.empty());
    EXPECT_EQ(test::molded(url_request::request(value(refused.url), value("get"), nullptr, nullptr, false, false, false)),
              "none");
    platform::HttpRequest bad;
    bad.method = "GET";
    bad.url = "ftp://127.0.0.1/x";
    EXPECT_TRUE(platform::http_request(bad).failed);
}

}  // namespace
}  // namespace zel
