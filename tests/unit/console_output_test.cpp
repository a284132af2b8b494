#include "runtime/io/console-output.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <pty.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include "runtime/io/print-hooks.h"
#include "stdout-capture.h"

namespace zel {
namespace {

using stdio::Arg;

const std::string escapes = "\x1b[2J\x1b[1;31mred\x1b[0m \x1b[5B\x1b[?25l\x1b" "x";

void write_sample() {
    stdio::write_units(escapes.data(), escapes.size(), 1, true);
    const char16_t wide[] = u"\u00e9\U0001F600";
    stdio::write_units(wide, sizeof wide - 2, 2, false);
    stdio::print_typed_line({"|", 42});
}

const std::string sample_output = escapes + "\n\xC3\xA9\xF0\x9F\x98\x80|42\n";

TEST(ConsoleOutput, RedirectedOutputIsUtf8WithEscapesUnchanged) {
    std::string text = test::capture_stdout([] {
        stdio::init();
        EXPECT_FALSE(stdio::is_console());
        write_sample();
    });
    EXPECT_EQ(text, sample_output);
}

TEST(ConsoleOutput, ATerminalGetsTheSameBytes) {
    int master = -1;
    pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Raw mode: the terminal passes the bytes on without turning LF into CR LF.
        termios mode{};
        tcgetattr(STDOUT_FILENO, &mode);
        cfmakeraw(&mode);
        tcsetattr(STDOUT_FILENO, TCSANOW, &mode);
        stdio::init();
        write_sample();
        _exit(stdio::is_console() ? 0 : 1);
    }
    std::string text;
    char chunk[256];
    for (;;) {
        ssize_t n = read(master, chunk, sizeof chunk);
        if (n > 0) text.append(chunk, static_cast<std::size_t>(n));
        else if (n < 0 && errno == EINTR) continue;
        else break;  // EIO once the child has closed its side
    }
    close(master);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "standard output was not taken for a terminal";
    EXPECT_EQ(text, sample_output);
}

TEST(ConsoleOutput, UnitsOfEachWidthBecomeUtf8) {
    struct Case {
        std::vector<char> units;
        int width;
        std::string utf8;
    } cases[] = {
        {{'a', '\xE9', '\xFF'}, 1, "a\xC3\xA9\xC3\xBF"},
        {{'\x3D', '\xD8', '\x00', '\xDE'}, 2, "\xF0\x9F\x98\x80"},
        {{'\x00', '\xD8', 'a', '\x00'}, 2, "\xEF\xBF\xBD" "a"},
        {{'\x00', '\xDC'}, 2, "\xEF\xBF\xBD"},
        {{'\xAC', '\x20', '\x00', '\x00', '\x00', '\x00', '\x11', '\x00'}, 4, "\xE2\x82\xAC\xEF\xBF\xBD"},
    };
    for (const Case& c : cases) {
        std::string text = test::capture_stdout([&] { stdio::write_units(c.units.data(), c.units.size(), c.width, false); });
        EXPECT_EQ(text, c.utf8) << c.width << " " << c.units.size();
    }
    // Past the size of one batch nothing is lost.
    std::string latin(3000, '\xE9');
    std::string long_text = test::capture_stdout([&] { stdio::write_units(latin.data(), latin.size(), 1, true); });
    std::string expected;
    for (int i = 0; i < 3000; ++i) expected += "\xC3\xA9";
    EXPECT_EQ(long_text, expected + "\n");
}

TEST(ConsoleOutputDeathTest, AnotherUnitWidthIsFatal) {
    EXPECT_EXIT(stdio::write_units("abc", 3, 3, false), ::testing::ExitedWithCode(101),
                "Runtime Error 101: no value matched in SWITCH");
}

TEST(ConsoleOutput, TypedArgumentsAndTheirSeparators) {
    struct Case {
        std::string (*print)();
        const char* text;
    } cases[] = {
        {[] { return test::capture_stdout([] { stdio::print_typed({"a", 5}, true); }); }, "a 5"},
        {[] { return test::capture_stdout([] { stdio::print_typed({"a", 5}); }); }, "a5"},
        {[] { return test::capture_stdout([] { stdio::print_typed({"a ", 5, "\t", 6}, true); }); }, "a 5 \t6"},
        {[] { return test::capture_stdout([] { stdio::print_typed({'x', 'y', ' ', -7}, true); }); }, "x y  -7"},
        {[] { return test::capture_stdout([] { stdio::print_typed({true, false, Arg::hex(0xAB)}, true); }); },
         "true false 000000AB"},
        {[] { return test::capture_stdout([] { stdio::print_typed_line({1.0 / 3, 1.0f / 3, 0.1, 1e300}, true); }); },
         "0.3333333333333333 0.3333333 0.1 1e+300\n"},
        {[] { return test::capture_stdout([] { stdio::print_typed({Arg::hex(0x123456789AULL), std::size_t{1} << 40}); }); },
         "123456789A1099511627776"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.print(), c.text);
}

std::vector<std::string> seen;

void record(const char* text, std::size_t size, bool new_line) { seen.push_back(std::string(text, size) + (new_line ? "/" : "")); }

// Prints from inside the hook, once: the nested print must not disturb the outer one.
void print_again(const char*, std::size_t, bool) {
    static bool inside = false;
    if (inside) return;
    inside = true;
    stdio::print_typed({"<", 99, ">"});
    inside = false;
}

TEST(ConsoleOutput, HooksSeeEveryPieceAndMayPrintThemselves) {
    stdio::init_print_hooks();
    stdio::add_print_hooks(nullptr, print_again);
    stdio::add_print_hooks(nullptr, record);
    seen.clear();
    std::string text = test::capture_stdout([] { stdio::print_typed_line({"n=", 7}, true); });
    stdio::remove_print_hooks(nullptr, print_again);
    stdio::remove_print_hooks(nullptr, record);
    EXPECT_EQ(text, "n=<99> <99>7<99>\n<99>");
    EXPECT_EQ(seen, (std::vector<std::string>{"<", "99", ">", "n=", "<", "99", ">", " ", "<", "99", ">", "7", "<", "99",
                                              ">", "/"}));
}

}  // namespace
}  // namespace zel
