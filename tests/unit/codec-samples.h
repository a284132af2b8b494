// Deterministic sample inputs for the checksum and compression tests: the same generator
// as tests/unit/codec-fixtures.py, so that only the other tools' outputs are committed.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace codec_samples {

inline std::uint64_t next(std::uint64_t& state) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return state >> 33;
}

// Words drawn from a small vocabulary, with a line break every twelve words: text that
// compresses about as well as prose.
inline std::vector<std::uint8_t> text(std::size_t size, std::uint64_t seed = 1) {
    static constexpr std::string_view words[] = {
        "the",    "quick",  "brown",    "fox",     "jumps",   "over",     "lazy",   "dog",
        "series", "block",  "string",   "binary",  "word",    "context",  "native", "action",
        "value",  "cell",   "compress", "inflate", "window",  "symbol",   "length", "distance",
        "a",      "of",     "and",      "to",      "in",      "is",       "that",   "for",
        "it",     "with",   "as",       "was",     "on",      "be",       "at",     "by"};
    std::vector<std::uint8_t> out;
    std::uint64_t state = seed;
    for (std::size_t count = 1; out.size() < size; ++count) {
        for (char c : words[next(state) % std::size(words)]) out.push_back(static_cast<std::uint8_t>(c));
        out.push_back(count % 12 == 0 ? '\n' : ' ');
    }
    out.resize(size);
    return out;
}

inline std::vector<std::uint8_t> random_bytes(std::size_t size, std::uint64_t seed = 7) {
    std::vector<std::uint8_t> out(size);
    std::uint64_t state = seed;
    for (auto& b : out) b = static_cast<std::uint8_t>(next(state) >> 7);
    return out;
}

}  // namespace codec_samples
