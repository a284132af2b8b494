// Times the interpreter's hot paths from C++, on the runtime with its library: recursive
// fib 27, a ten-million-iteration integer loop, refinement calls and appends. Prints each
// result and its time.
#include <chrono>
#include <cstdio>

#include "tests/support/evaluator.h"

namespace {

void time(const char* what, const char* source) {
    const auto start = std::chrono::steady_clock::now();
    const std::string result = zel::test::run(source);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    std::printf("%-28s %-16s %8.3f s\n", what, result.c_str(), elapsed.count());
}

}  // namespace

int main() {
    zel::test::start_runtime();
    zel::test::run("fib: func [n] [either n < 2 [n] [(fib n - 1) + fib n - 2]]");
    time("fib 27", "fib 27");
    time("10,000,000 loop iterations", "i: 0 n: 0 while [i < 10000000] [n: n + i i: i + 1] n");
    zel::test::run("scale: func [a /twice /plus b] [if twice [a: a * 2] if plus [a: a + b] a]");
    zel::test::run("step: func [x] [scale/plus/twice x 1]");
    time("1,000,000 refinement calls", "i: 0 n: 0 while [i < 1000000] [n: n + step i i: i + 1] n");
    time("append 1,000,000 integers", "b: make block! 16 i: 0 while [i < 1000000] [append b i i: i + 1] length? b");
    return 0;
}
