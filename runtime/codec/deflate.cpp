// The compressor. Matches are found through hash chains over the whole source (which is in
// memory, so the window never slides): head[h] holds the latest position whose three bytes
// hash to h, chain[p mod its size] (the window, or less for a shorter source) the position
// before p with the same hash. Positions are stored plus one so that zero means none.
// Symbols are gathered a block at a time; each block is then written as stored, fixed-code
// or dynamic-code, whichever is shortest.
#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <vector>

#include "runtime/codec/deflate-tables.h"
#include "runtime/codec/deflate.h"

namespace zel::deflate {
namespace {

using namespace tables;

static_assert(std::endian::native == std::endian::little, "the bit writer stores words little-endian");

// How hard each level looks: a match this good shortens the chain walk (good), a match
// this long is not deferred (lazy; for greedy levels, inserted only up to it), a match this
// long ends the walk (nice), and the walk visits at most `chain` positions.
struct Effort {
    std::uint16_t good, lazy, nice, chain;
    bool deferring;
};
constexpr Effort efforts[10] = {
    {0, 0, 0, 0, false},         {4, 4, 8, 4, false},       {4, 5, 16, 8, false},
    {4, 6, 32, 32, false},       {4, 4, 16, 16, true},      {8, 16, 32, 32, true},
    {8, 16, 128, 128, true},     {8, 32, 128, 256, true},   {32, 128, 258, 1024, true},
    {32, 258, 258, 4096, true},
};

constexpr int most_hash_bits = 15;
constexpr std::uint32_t max_distance = window - 1;
// A three-byte match this far back costs more than its literals.
constexpr std::uint32_t too_far = 4096;
constexpr std::size_t block_symbols = 16383;
constexpr int stored_max = 65535;

struct CodeTables {
    std::uint8_t length_code[256];   // by length - 3
    std::uint8_t distance_code[512];  // by distance - 1: below 256 directly, else 256 + (d >> 7)
    constexpr CodeTables() : length_code{}, distance_code{} {
        for (int c = 0; c < 29; ++c)
            for (int l = length_base[c]; l < (c == 28 ? 259 : length_base[c + 1]); ++l)
                length_code[l - 3] = static_cast<std::uint8_t>(c);
        length_code[255] = 28;
        for (int c = 0; c < 30; ++c) {
            int end = c == 29 ? 32769 : distance_base[c + 1];
            for (int d = distance_base[c] - 1; d < end - 1; ++d) {
                if (d < 256) distance_code[d] = static_cast<std::uint8_t>(c);
                else distance_code[256 + (d >> 7)] = static_cast<std::uint8_t>(c);
            }
        }
    }
};
constexpr CodeTables code_tables;

int distance_code(std::uint32_t distance) {
    const std::uint32_t d = distance - 1;
    return d < 256 ? code_tables.distance_code[d] : code_tables.distance_code[256 + (d >> 7)];
}

class BitWriter {
public:
    explicit BitWriter(Destination d) : out_(d.data()), capacity_(d.size()) {}

    void put(std::uint32_t bits, unsigned n) {
        bits_ |= std::uint64_t{bits} << count_;
        count_ += n;
        if (count_ >= 32) {
            const auto word = static_cast<std::uint32_t>(bits_);
            if (size_ + 4 <= capacity_) std::memcpy(out_ + size_, &word, 4);
            else for (unsigned i = 0; i < 4; ++i) byte_at(size_ + i, static_cast<std::uint8_t>(word >> (8 * i)));
            size_ += 4;
            bits_ >>= 32;
            count_ -= 32;
        }
    }
    // Pads to a byte boundary with zero bits and writes out what is pending.
    void align() {
        for (; count_ > 0; count_ = count_ > 8 ? count_ - 8 : 0, bits_ >>= 8) byte_at(size_++, static_cast<std::uint8_t>(bits_));
        bits_ = 0;
    }
    void bytes(const std::uint8_t* p, std::size_t n) {
        if (n > 0 && size_ < capacity_) std::memcpy(out_ + size_, p, std::min(n, capacity_ - size_));
        size_ += n;
    }
    std::size_t size() const { return size_; }

private:
    void byte_at(std::size_t i, std::uint8_t b) {
        if (i < capacity_) out_[i] = b;
    }
    std::uint8_t* out_;
    std::size_t capacity_;
    std::size_t size_ = 0;
    std::uint64_t bits_ = 0;
    unsigned count_ = 0;
};

// Code lengths limited to `limit` bits for the symbols that occur: a Huffman tree built
// over the frequencies sorted ascending, then, when too deep, reshaped by moving leaves up
// until the lengths fit, the longest going to the rarest symbols. At least two symbols get
// a code, as decoders expect a complete code.
void build_lengths(const std::uint32_t* freq, int n, int limit, std::uint8_t* lengths) {
    std::fill_n(lengths, n, std::uint8_t{0});
    std::pair<std::uint32_t, int> leaves[litlen_codes];
    int count = 0;
    for (int s = 0; s < n; ++s)
        if (freq[s]) leaves[count++] = {freq[s], s};
    for (int s = 0; count < 2; ++s)
        if (!freq[s]) leaves[count++] = {0, s};
    std::sort(leaves, leaves + count);

    std::uint64_t weight[2 * litlen_codes];
    int parent[2 * litlen_codes];
    for (int i = 0; i < count; ++i) weight[i] = leaves[i].first;
    int leaf = 0, inner = count;
    auto smallest = [&](int next_inner) {
        if (leaf < count && (inner >= next_inner || weight[leaf] <= weight[inner])) return leaf++;
        return inner++;
    };
    for (int k = count; k < 2 * count - 1; ++k) {
        const int a = smallest(k), b = smallest(k);
        weight[k] = weight[a] + weight[b];
        parent[a] = parent[b] = k;
    }
    int depth[2 * litlen_codes];
    depth[2 * count - 2] = 0;
    int per_length[64] = {};
    for (int k = 2 * count - 3; k >= 0; --k) {
        depth[k] = depth[parent[k]] + 1;
        if (k < count) ++per_length[std::min(depth[k], 63)];
    }
    for (int len = limit + 1; len < 64; ++len) {
        per_length[limit] += per_length[len];
        per_length[len] = 0;
    }
    std::uint32_t kraft = 0;
    for (int len = 1; len <= limit; ++len) kraft += static_cast<std::uint32_t>(per_length[len]) << (limit - len);
    for (; kraft > (1u << limit); --kraft) {
        --per_length[limit];
        for (int len = limit - 1; len > 0; --len)
            if (per_length[len]) {
                --per_length[len];
                per_length[len + 1] += 2;
                break;
            }
    }
    int i = 0;
    for (int len = limit; len > 0; --len)
        for (int k = 0; k < per_length[len]; ++k) lengths[leaves[i++].second] = static_cast<std::uint8_t>(len);
}

// Canonical codes, bit-reversed so that they go out least significant bit first.
void build_codes(const std::uint8_t* lengths, int n, std::uint16_t* codes) {
    int count[max_bits + 1] = {}, next[max_bits + 1] = {};
    for (int s = 0; s < n; ++s) ++count[lengths[s]];
    count[0] = 0;
    for (int len = 1, code = 0; len <= max_bits; ++len) next[len] = code = (code + count[len - 1]) << 1;
    for (int s = 0; s < n; ++s) {
        if (!lengths[s]) continue;
        unsigned code = static_cast<unsigned>(next[lengths[s]]++), reversed = 0;
        for (int b = 0; b < lengths[s]; ++b, code >>= 1) reversed = (reversed << 1) | (code & 1);
        codes[s] = static_cast<std::uint16_t>(reversed);
    }
}

struct Code {
    std::uint8_t lengths[litlen_codes + distance_codes] = {};
    std::uint16_t litlen[litlen_codes] = {};
    std::uint16_t distance[distance_codes] = {};
};

const Code& fixed_code() {
    static const Code code = [] {
        Code c;
        for (int s = 0; s < litlen_codes; ++s) c.lengths[s] = static_cast<std::uint8_t>(fixed_litlen_bits(s));
        std::fill_n(c.lengths + litlen_codes, distance_codes, std::uint8_t{5});
        build_codes(c.lengths, litlen_codes, c.litlen);
        build_codes(c.lengths + litlen_codes, distance_codes, c.distance);
        return c;
    }();
    return code;
}

// A symbol: a literal byte (distance 0) or a match's length and distance.
struct Symbol {
    std::uint16_t distance;
    std::uint16_t value;  // the byte, or the match length - 3
};

class Compressor {
public:
    Compressor(Source source, Destination destination, int level)
        : src_(source.data()), n_(source.size()), out_(destination), effort_(efforts[std::clamp(level, 0, 9)]) {
        symbols_.reserve(block_symbols);
    }

    Result run() {
        if (effort_.chain == 0) {
            store(0, n_, true);
        } else {
            // Small sources get small tables: a chain slot per position, fewer hash heads.
            hash_bits_ = std::clamp(static_cast<int>(std::bit_width(n_)), 9, most_hash_bits);
            head_.assign(std::size_t{1} << hash_bits_, 0);
            chain_.assign(std::bit_ceil(std::clamp<std::size_t>(n_, 1, window)), 0);
            chain_mask_ = chain_.size() - 1;
            if (effort_.deferring) deferring();
            else greedy();
            flush(true);
        }
        out_.align();
        return {Status::ok, out_.size()};
    }

    std::size_t size() const { return out_.size(); }

private:
    std::uint32_t hash(std::size_t p) const {
        const std::uint32_t v = std::uint32_t{src_[p]} | std::uint32_t{src_[p + 1]} << 8 | std::uint32_t{src_[p + 2]} << 16;
        return (v * 2654435761u) >> (32 - hash_bits_);
    }

    // Records position p in its chain; gives the previous head (plus one) or 0.
    std::uint32_t insert(std::size_t p) {
        if (p + min_match > n_) return 0;
        const std::uint32_t h = hash(p);
        const std::uint32_t previous = head_[h];
        chain_[p & chain_mask_] = previous;
        head_[h] = static_cast<std::uint32_t>(p + 1);
        return previous;
    }

    std::size_t match_length(const std::uint8_t* a, const std::uint8_t* b, std::size_t most) const {
        std::size_t len = 0;
        for (; len + 8 <= most; len += 8) {
            std::uint64_t x, y;
            std::memcpy(&x, a + len, 8);
            std::memcpy(&y, b + len, 8);
            if (x != y) return len + static_cast<std::size_t>(std::countr_zero(x ^ y) / 8);
        }
        while (len < most && a[len] == b[len]) ++len;
        return len;
    }

    struct Match {
        std::size_t length;
        std::uint32_t distance;
    };

    // The longest match at p longer than `best`, walking the chain from `candidate`.
    Match longest(std::size_t p, std::uint32_t candidate, std::size_t best) const {
        Match m{best, 0};
        const std::size_t most = std::min<std::size_t>(max_match, n_ - p);
        if (best >= most) return m;
        const std::size_t nice = std::min<std::size_t>(effort_.nice, most);
        const std::size_t lowest = p > max_distance ? p - max_distance : 0;
        unsigned steps = best >= effort_.good ? effort_.chain >> 2 : effort_.chain;
        const std::uint8_t* here = src_ + p;
        for (; steps > 0 && candidate > lowest; --steps) {
            const std::size_t c = candidate - 1;
            const std::uint8_t* there = src_ + c;
            if (there[m.length] == here[m.length] && there[0] == here[0] && there[1] == here[1]) {
                const std::size_t len = match_length(there, here, most);
                if (len > m.length) {
                    m = {len, static_cast<std::uint32_t>(p - c)};
                    if (len >= nice) break;
                }
            }
            candidate = chain_[c & chain_mask_];
        }
        return m;
    }

    void literal(std::size_t p) {
        add({0, src_[p]});
        ++freq_[src_[p]];
        ++covered_;
    }
    void match(std::size_t length, std::uint32_t distance) {
        add({static_cast<std::uint16_t>(distance), static_cast<std::uint16_t>(length - min_match)});
        ++freq_[257 + code_tables.length_code[length - min_match]];
        ++freq_[litlen_codes + distance_code(distance)];
        covered_ += length;
    }
    void add(Symbol s) {
        symbols_.push_back(s);
        if (symbols_.size() == block_symbols) flush(false);
    }

    void greedy() {
        for (std::size_t p = 0; p < n_;) {
            const std::uint32_t candidate = insert(p);
            Match m = candidate ? longest(p, candidate, min_match - 1) : Match{0, 0};
            if (m.length < min_match) {
                literal(p++);
                continue;
            }
            match(m.length, m.distance);
            const std::size_t end = p + m.length;
            if (m.length <= effort_.lazy)
                for (++p; p < end; ++p) insert(p);
            p = end;
        }
    }

    // Each match found is held back one byte: when the match at the next byte is longer,
    // the held one becomes a literal.
    void deferring() {
        Match held{min_match - 1, 0};
        bool pending = false;
        std::size_t p = 0;
        for (; p < n_; ++p) {
            const std::uint32_t candidate = insert(p);
            Match m{min_match - 1, 0};
            if (candidate && held.length < effort_.lazy) {
                m = longest(p, candidate, held.length);
                if (m.distance == 0 || (m.length == min_match && m.distance > too_far)) m = {min_match - 1, 0};
            }
            if (held.length >= min_match && m.length <= held.length) {
                match(held.length, held.distance);
                const std::size_t end = p - 1 + held.length;
                for (++p; p < end; ++p) insert(p);
                --p;
                held = {min_match - 1, 0};
                pending = false;
                continue;
            }
            if (pending) literal(p - 1);
            pending = true;
            held = m;
        }
        if (pending) literal(p - 1);
    }

    // Writes the gathered symbols as one block covering source bytes [block_start_, covered_).
    void flush(bool final) {
        ++freq_[end_of_block];
        Code dynamic;
        build_lengths(freq_, litlen_codes - 2, max_bits, dynamic.lengths);
        build_lengths(freq_ + litlen_codes, distance_codes - 2, max_bits, dynamic.lengths + litlen_codes);
        int litlens = 286, distances = 30;
        while (litlens > 257 && !dynamic.lengths[litlens - 1]) --litlens;
        while (distances > 1 && !dynamic.lengths[litlen_codes + distances - 1]) --distances;

        // The lengths of both codes as one run-length coded list of code-length symbols.
        std::uint8_t list[litlen_codes + distance_codes];
        std::copy_n(dynamic.lengths, litlens, list);
        std::copy_n(dynamic.lengths + litlen_codes, distances, list + litlens);
        const int total = litlens + distances;
        std::vector<std::pair<std::uint8_t, std::uint8_t>> runs;  // symbol, extra value
        std::uint32_t cl_freq[19] = {};
        for (int i = 0; i < total;) {
            const std::uint8_t len = list[i];
            int run = 1;
            while (i + run < total && list[i + run] == len) ++run;
            i += run;
            if (len == 0) {
                while (run >= 11) {
                    const int k = std::min(run, 138);
                    runs.push_back({18, static_cast<std::uint8_t>(k - 11)});
                    run -= k;
                }
                if (run >= 3) {
                    runs.push_back({17, static_cast<std::uint8_t>(run - 3)});
                    run = 0;
                }
            } else {
                runs.push_back({len, 0});
                --run;
                while (run >= 3) {
                    const int k = std::min(run, 6);
                    runs.push_back({16, static_cast<std::uint8_t>(k - 3)});
                    run -= k;
                }
            }
            for (; run > 0; --run) runs.push_back({len, 0});
        }
        for (auto [symbol, extra] : runs) ++cl_freq[symbol];
        std::uint8_t cl_lengths[19];
        std::uint16_t cl_codes[19] = {};
        build_lengths(cl_freq, 19, 7, cl_lengths);
        build_codes(cl_lengths, 19, cl_codes);
        int listed = 19;
        while (listed > 4 && !cl_lengths[code_length_order[listed - 1]]) --listed;

        const Code& fixed = fixed_code();
        std::uint64_t dynamic_bits = 3 + 14 + 3 * static_cast<std::uint64_t>(listed);
        for (int s = 0; s < 19; ++s) dynamic_bits += std::uint64_t{cl_freq[s]} * cl_lengths[s];
        dynamic_bits += 2 * std::uint64_t{cl_freq[16]} + 3 * std::uint64_t{cl_freq[17]} + 7 * std::uint64_t{cl_freq[18]};
        std::uint64_t fixed_bits = 3, extra_bits = 0;
        for (int s = 0; s < litlen_codes + distance_codes; ++s) {
            dynamic_bits += std::uint64_t{freq_[s]} * dynamic.lengths[s];
            fixed_bits += std::uint64_t{freq_[s]} * fixed.lengths[s];
            if (s > 256 && s < 286) extra_bits += std::uint64_t{freq_[s]} * length_extra[s - 257];
            if (s >= litlen_codes && s < litlen_codes + 30) extra_bits += std::uint64_t{freq_[s]} * distance_extra[s - litlen_codes];
        }
        const std::size_t raw = covered_ - block_start_;
        const std::uint64_t stored_bits = 8 * (raw + 5 * std::max<std::size_t>(1, (raw + stored_max - 1) / stored_max)) + 7;

        if (stored_bits <= fixed_bits + extra_bits && stored_bits <= dynamic_bits + extra_bits) {
            store(block_start_, raw, final);
        } else if (fixed_bits <= dynamic_bits) {
            out_.put(final ? 3 : 2, 3);
            write_symbols(fixed);
        } else {
            build_codes(dynamic.lengths, litlen_codes, dynamic.litlen);
            build_codes(dynamic.lengths + litlen_codes, distance_codes, dynamic.distance);
            out_.put(final ? 5 : 4, 3);
            out_.put(static_cast<std::uint32_t>(litlens - 257), 5);
            out_.put(static_cast<std::uint32_t>(distances - 1), 5);
            out_.put(static_cast<std::uint32_t>(listed - 4), 4);
            for (int i = 0; i < listed; ++i) out_.put(cl_lengths[code_length_order[i]], 3);
            static constexpr std::uint8_t extra_width[3] = {2, 3, 7};
            for (auto [symbol, extra] : runs) {
                out_.put(cl_codes[symbol], cl_lengths[symbol]);
                if (symbol >= 16) out_.put(extra, extra_width[symbol - 16]);
            }
            write_symbols(dynamic);
        }
        symbols_.clear();
        std::fill_n(freq_, litlen_codes + distance_codes, 0u);
        block_start_ = covered_;
    }

    void write_symbols(const Code& code) {
        const std::uint8_t* distance_lengths = code.lengths + litlen_codes;
        for (Symbol s : symbols_) {
            if (s.distance == 0) {
                out_.put(code.litlen[s.value], code.lengths[s.value]);
                continue;
            }
            const int lc = code_tables.length_code[s.value];
            out_.put(code.litlen[257 + lc], code.lengths[257 + lc]);
            out_.put(static_cast<std::uint32_t>(s.value + min_match - length_base[lc]), length_extra[lc]);
            const int dc = distance_code(s.distance);
            out_.put(code.distance[dc], distance_lengths[dc]);
            out_.put(static_cast<std::uint32_t>(s.distance - distance_base[dc]), distance_extra[dc]);
        }
        out_.put(code.litlen[end_of_block], code.lengths[end_of_block]);
    }

    void store(std::size_t start, std::size_t length, bool final) {
        do {
            const std::size_t k = std::min<std::size_t>(length, stored_max);
            length -= k;
            out_.put(final && length == 0 ? 1 : 0, 3);
            out_.align();
            const std::uint8_t header[4] = {static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(k >> 8),
                                            static_cast<std::uint8_t>(~k), static_cast<std::uint8_t>(~k >> 8)};
            out_.bytes(header, 4);
            out_.bytes(src_ + start, k);
            start += k;
        } while (length > 0);
    }

    const std::uint8_t* src_;
    std::size_t n_;
    BitWriter out_;
    Effort effort_;
    int hash_bits_ = most_hash_bits;
    std::vector<std::uint32_t> head_, chain_;
    std::size_t chain_mask_ = 0;
    std::vector<Symbol> symbols_;
    std::uint32_t freq_[litlen_codes + distance_codes] = {};
    std::size_t block_start_ = 0;
    std::size_t covered_ = 0;
};

}  // namespace

Result compress(Source source, Destination destination, int level) {
    Result r = Compressor(source, destination, level).run();
    if (r.size > destination.size()) r.status = Status::too_small;
    return r;
}

}  // namespace zel::deflate
