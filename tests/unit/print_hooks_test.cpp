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

void adding_hook(const Cell&, bool) {
    calls.push_back("adds");
    stdio::add_print_hook(print_hook<2>);
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
    EXPECT_EQ(run_print(1, true), Calls{});
    stdio::add_print_hook(print_hook<3>);
    stdio::add_print_hook(print_hook<1>);
    stdio::add_print_hook(print_hook<4>);
    stdio::add_print_hook(print_hook<1>);
    stdio::add_print_hook(print_hook<5>);
    stdio::add_print_hook(print_hook<9>);
    EXPECT_EQ(run_print(7, true), (Calls{"3:7/", "1:7/", "4:7/", "1:7/", "5:7/", "9:7/"}));
    EXPECT_EQ(run_print(0, false), (Calls{"3:0", "1:0", "4:0", "1:0", "5:0", "9:0"}));
}

TEST_F(PrintHooks, AHookAddedWhileRunningRunsFromTheNextPrint) {
    stdio::add_print_hook(adding_hook);
    EXPECT_EQ(run_print(4, false), Calls{"adds"});
    EXPECT_EQ(run_print(5, false), (Calls{"adds", "2:5"}));
}

}  // namespace
}  // namespace zel
