// Times our DEFLATE at the default level against Debian's python3 zlib (C) on the same bytes:
// 10 MiB of generated text, or the file given. python3 prints both sides and their ratios,
// and must decompress our zlib and gzip output to the input. Usage: deflate_bench [file]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "runtime/codec/deflate.h"
#include "tests/unit/codec-samples.h"

using namespace zel;
using Buffer = std::vector<std::uint8_t>;

namespace {

template <class F>
double best_seconds(F&& f, int rounds = 5) {
    double best = 1e30;
    for (int i = 0; i < rounds; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        f();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}

void write(const std::filesystem::path& p, const Buffer& b) {
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

}  // namespace

int main(int argc, char** argv) {
    Buffer input;
    if (argc > 1) {
        std::ifstream f(argv[1], std::ios::binary);
        input.assign(std::istreambuf_iterator<char>(f), {});
    } else {
        input = codec_samples::text(10 << 20);
    }
    Buffer packed(deflate::zlib_wrap(input, {}).size), gz(deflate::gzip(input, {}).size), out(input.size());
    const double compress_s = best_seconds([&] { deflate::zlib_wrap(input, packed); });
    const double inflate_s = best_seconds([&] { deflate::zlib_unwrap(packed, out); });
    deflate::gzip(input, gz);
    if (out != input) {
        std::puts("round trip FAILED");
        return 1;
    }
    const double mb = static_cast<double>(input.size()) / 1e6;
    std::printf("ours:    %zu -> %zu bytes (%.2f%%), compress %.3f s (%.1f MB/s), decompress %.3f s (%.1f MB/s)\n",
                input.size(), packed.size(), 100.0 * static_cast<double>(packed.size()) / static_cast<double>(input.size()),
                compress_s, mb / compress_s, inflate_s, mb / inflate_s);
    std::fflush(stdout);

    const auto dir = std::filesystem::temp_directory_path() / ("deflate-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    write(dir / "input", input);
    write(dir / "ours.zlib", packed);
    write(dir / "ours.gz", gz);
    const std::string command = "/usr/bin/python3 " BENCH_DIR "/python/deflate-zlib.py " + dir.string() + " " +
                                std::to_string(compress_s) + " " + std::to_string(inflate_s) + " " +
                                std::to_string(packed.size());
    const int status = std::system(command.c_str());
    std::filesystem::remove_all(dir);
    return status == 0 ? 0 : 1;
}
