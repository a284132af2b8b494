// Times Zelbin's writers and reader on a block of mixed values, records of an integer, a
// float, a string made per record, a word, a block of two integers, a logic and a shared
// string, enough of them for about 10 MB of compact data. bench/python/zelbin-pickle.py
// times python3's pickle on the same records; bench/zelbin.sh runs both. Prints, per form,
// the size and the best CPU time of several rounds.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "runtime/core/cell-views.h"
#include "runtime/io/zelbin.h"
#include "runtime/memory/node.h"
#include "runtime/names/context.h"
#include "runtime/names/symbol.h"
#include "tests/support/evaluator.h"

namespace {

constexpr int rounds = 5;

zel::Cell global(const char* name) {
    zel::Cell value;
    zel::context::global_value(zel::symbol::intern(name), value);
    return value;
}

// The process's CPU seconds: on a loaded machine closer to the work done than the wall clock.
double cpu_seconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

template <class Body>
double best_seconds(Body body) {
    double best = 1e30;
    for (int i = 0; i < rounds; ++i) {
        const double start = cpu_seconds();
        body();
        best = std::min(best, cpu_seconds() - start);
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const long records = argc > 1 ? std::atol(argv[1]) : 230000;
    zel::test::start_runtime();
    const std::string build = "shared: \"the quick brown fox jumps over the lazy dog\" data: make block! " +
                              std::to_string(records) + " repeat i " + std::to_string(records) +
                              " [append/only data reduce [i i * 1.5 append copy \"name-\" i 'word reduce [i i + 1] "
                              "even? i shared]] out: make block! 1 length? data";
    std::printf("records: %s\n", zel::test::run(build).c_str());
    const zel::Cell data = global("data");
    const zel::Cell out = global("out");
    for (bool compact : {true, false}) {
        zel::Cell encoded{};
        const double encode = best_seconds([&] { encoded = zel::zelbin::encode(data, compact); });
        zel::Buffer* b = zel::node::buffer(zel::as_series(encoded).node);
        const double decode = best_seconds([&] {
            zel::node::buffer(zel::as_series(out).node)->tail = zel::node::buffer(zel::as_series(out).node)->head;
            zel::Buffer* e = zel::node::buffer(zel::as_series(encoded).node);
            zel::zelbin::decode(e->head_ptr(), e->used(), out, encoded, zel::zelbin::Mode::codec);
        });
        std::printf("zelbin %-7s %10u bytes  encode %.3f s  decode %.3f s\n", compact ? "compact" : "full",
                    b->used(), encode, decode);
    }
    return 0;
}
