#include "runtime/io/print-hooks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zel {
namespace {

std::vector<std::string> calls;

template <int N>
void print_hook(const Cell& text, bool new_line) {
    calls.push_back(std::to_string(N) + ":" + std::to_string(text.w1) + (new_line ? "/" : ""));
}

template <int N>
void output_hook(const char* text, std::size_t size, bool new_line) {
    calls.push_back(std::to_string(N) + ":" + std::string(text, size) + (new_line ? "/" : ""));
}

void self_removing_hook(const Cell&, bool) {
    calls.push_back("self");
    stdio::remove_print_hooks(self_removing_hook, nullptr);
}

class PrintHooks : public ::testing::Test {
  protected:
    void SetUp() override {
        stdio::init_print_hooks();
        calls.clear();
    }
    std::vector<std::string> run_print(u32 marker, bool new_line) {
        calls.clear();
        stdio::run_print_hooks(Cell{0, marker, 0, 0}, new_line);
        return calls;
    }
    using Calls = std::vector<std::string>;
};

TEST_F(PrintHooks, RunInRegistrationOrderPastTheFirstGrowth) {
    EXPECT_TRUE(stdio::print_hooks_ready());
    EXPECT_EQ(run_print(1, true), Calls{});
    stdio::add_print_hooks(print_hook<3>, nullptr);
    stdio::add_print_hooks(print_hook<1>, nullptr);
    stdio::add_print_hooks(print_hook<4>, output_hook<9>);
    stdio::add_print_hooks(print_hook<1>, nullptr);
    stdio::add_print_hooks(print_hook<5>, nullptr);
    stdio::add_print_hooks(print_hook<9>, nullptr);
    EXPECT_EQ(run_print(7, true), (Calls{"3:7/", "1:7/", "4:7/", "1:7/", "5:7/", "9:7/"}));
    calls.clear();
    stdio::run_output_hooks("abc", 2, false);
    EXPECT_EQ(calls, Calls{"9:ab"});
}

TEST_F(PrintHooks, RemoveTakesOnlyTheFirstOccurrence) {
    stdio::add_print_hooks(print_hook<1>, output_hook<1>);
    stdio::add_print_hooks(print_hook<2>, output_hook<2>);
    stdio::add_print_hooks(print_hook<1>, nullptr);
    stdio::remove_print_hooks(print_hook<1>, nullptr);
    stdio::remove_print_hooks(print_hook<8>, output_hook<8>);
    EXPECT_EQ(run_print(0, false), (Calls{"2:0", "1:0"}));
    stdio::remove_print_hooks(nullptr, output_hook<1>);
    calls.clear();
    stdio::run_output_hooks("x", 1, true);
    EXPECT_EQ(calls, Calls{"2:x/"});
}

TEST_F(PrintHooks, AHookRemovingItselfDoesNotSkipTheNext) {
    stdio::add_print_hooks(self_removing_hook, nullptr);
    stdio::add_print_hooks(print_hook<2>, nullptr);
    EXPECT_EQ(run_print(4, false), (Calls{"self", "2:4"}));
    EXPECT_EQ(run_print(5, false), Calls{"2:5"});
}

}  // namespace
}  // namespace zel
