#include "runtime/codec/lz.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "runtime/codec/little-endian.h"

namespace zel::lz {
namespace {

using codec::load_le32;
using codec::store_le32;

constexpr std::size_t header = 8;
constexpr std::size_t max_length = 566;  // a match copies 3 to 566 bytes
constexpr std::uint32_t max_distance = 1 << 18;
constexpr std::uint32_t chain_mask = max_distance - 1;
constexpr std::uint32_t h3_mask = (1 << 19) - 1, h4_mask = (1 << 20) - 1;
constexpr unsigned chain_steps = 256;
// A three-byte match further back than this costs more than its literals.
constexpr std::uint32_t far_three = 65536;
// The densest item: a 566-byte match in 22 bits (flag, 5 + 9 length bits, 4 + 3 distance bits).
constexpr std::uint64_t densest_bytes = 566, densest_bits = 22;

// Writes into a fixed capacity; once it would pass it, the block is abandoned.
class BitWriter {
public:
    BitWriter(std::uint8_t* out, std::size_t capacity) : out_(out), capacity_(capacity) {}
    void bits(unsigned n, std::uint32_t value) {
        pending_ |= value << count_;
        count_ += n;
        for (; count_ >= 8; count_ -= 8, pending_ >>= 8) byte(static_cast<std::uint8_t>(pending_));
    }
    void byte(std::uint8_t b) {
        if (size_ < capacity_) out_[size_] = b;
        else full_ = true;
        ++size_;
    }
    // Each chunk starts on a byte boundary: seven zero bits push out a partial byte.
    void end_chunk() {
        bits(7, 0);
        pending_ = 0;
        count_ = 0;
    }
    bool full() const { return full_; }
    std::size_t size() const { return size_; }

private:
    std::uint8_t* out_;
    std::size_t capacity_;
    std::size_t size_ = 0;
    std::uint32_t pending_ = 0;
    unsigned count_ = 0;
    bool full_ = false;
};

void write_length(BitWriter& w, std::uint32_t l) {
    if (l < 4) w.bits(1, 1), w.bits(2, l);
    else if (l < 8) w.bits(2, 2), w.bits(2, l - 4);
    else if (l < 12) w.bits(3, 4), w.bits(2, l - 8);
    else if (l < 20) w.bits(4, 8), w.bits(3, l - 12);
    else if (l < 52) w.bits(5, 16), w.bits(5, l - 20);
    else w.bits(5, 0), w.bits(9, l - 52);
}

void write_distance(BitWriter& w, std::uint32_t d) {
    unsigned m = 2;
    while (d >= (2u << m)) ++m;
    w.bits(4, m - 2);
    if (m > 2) w.bits(m, d - (1u << m));
    else w.bits(3, d);
}

struct Tables {
    std::vector<std::int32_t> head3 = std::vector<std::int32_t>(std::size_t{h3_mask} + 1);
    std::vector<std::int32_t> head4 = std::vector<std::int32_t>(std::size_t{h4_mask} + 1);
    std::vector<std::int32_t> chain = std::vector<std::int32_t>(max_distance);
};

std::uint32_t roll3(std::uint32_t h, std::uint8_t b) { return ((h << 7) + b) & h3_mask; }
std::uint32_t roll4(std::uint32_t h, std::uint8_t b) { return ((h << 5) + b) & h4_mask; }

// One chunk's items. `c` holds the chunk's bytes followed by max_length zero bytes, which
// the rolling hashes and the match probes may read.
void compress_chunk(const std::uint8_t* c, std::uint32_t n, Tables& t, BitWriter& w) {
    std::fill(t.head3.begin(), t.head3.end(), -1);
    std::fill(t.head4.begin(), t.head4.end(), -1);
    std::uint32_t h3 = 0, h4 = 0;
    for (int i = 0; i < 3; ++i) h3 = roll3(h3, c[i]);
    for (int i = 0; i < 4; ++i) h4 = roll4(h4, c[i]);
    auto measure = [&](std::uint32_t q, std::uint32_t p, std::uint32_t most) {
        std::uint32_t j = 1;
        while (j < most && c[q + j] == c[p + j]) ++j;
        return j;
    };
    for (std::uint32_t p = 0; p < n;) {
        std::uint32_t best = 2, gap = max_distance;
        const std::uint32_t most = std::min<std::uint32_t>(n - p, max_length);
        const std::int64_t lowest = std::int64_t{p} - max_distance;
        std::int64_t q = t.head3[h3];
        if (q >= lowest && q >= 0 && c[q] == c[p]) {
            const std::uint32_t j = measure(static_cast<std::uint32_t>(q), p, most);
            if (j > best) best = j, gap = p - static_cast<std::uint32_t>(q);
        }
        q = t.head4[h4];
        for (unsigned step = 0; best < most && step < chain_steps && q >= lowest && q >= 0; ++step) {
            const auto u = static_cast<std::uint32_t>(q);
            if (c[u + best] == c[p + best] && c[u] == c[p]) {
                const std::uint32_t j = measure(u, p, most);
                unsigned penalty = 0;
                for (std::uint32_t x = (p - u) >> 4; x > gap; x >>= 3) ++penalty;
                if (j > best + penalty) best = j, gap = p - u;
                if (j == most) break;
            }
            q = t.chain[u & chain_mask];
        }
        if (best == 3 && gap > far_three) best = 0;
        if (best < 3) {
            w.bits(1, 0);
            w.bits(8, c[p]);
            best = 1;
        } else {
            w.bits(1, 1);
            write_length(w, best - 3);
            write_distance(w, gap - 1);
        }
        for (std::uint32_t k = 0; k < best; ++k, ++p) {
            t.head3[h3] = static_cast<std::int32_t>(p);
            t.chain[p & chain_mask] = t.head4[h4];
            t.head4[h4] = static_cast<std::int32_t>(p);
            h3 = roll3(h3, c[p + 3]);
            h4 = roll4(h4, c[p + 4]);
        }
    }
    w.end_chunk();
}

// Reads within [p, end) only; a read beyond sets the failure flag and gives zeros.
class BitReader {
public:
    BitReader(const std::uint8_t* p, const std::uint8_t* end) : p_(p), end_(end) {}
    std::uint32_t bits(unsigned n) {
        while (count_ < n) {
            if (p_ == end_) {
                failed_ = true;
                return 0;
            }
            pending_ |= std::uint32_t{*p_++} << count_;
            count_ += 8;
        }
        const std::uint32_t v = pending_ & ((1u << n) - 1);
        pending_ >>= n;
        count_ -= n;
        return v;
    }
    // A new chunk: the rest of the current byte is padding.
    void restart() { pending_ = count_ = 0; }
    const std::uint8_t*& position() { return p_; }
    bool failed() const { return failed_; }

private:
    const std::uint8_t* p_;
    const std::uint8_t* end_;
    std::uint32_t pending_ = 0;
    unsigned count_ = 0;
    bool failed_ = false;
};

std::uint32_t read_length(BitReader& r) {
    static constexpr struct { std::uint32_t base; unsigned extra; } forms[6] = {
        {0, 2}, {4, 2}, {8, 2}, {12, 3}, {20, 5}, {52, 9}};
    int form = 0;
    while (form < 5 && r.bits(1) == 0) ++form;
    return forms[form].base + r.bits(forms[form].extra);
}

std::uint32_t read_distance(BitReader& r) {
    const unsigned k = r.bits(4);
    return k == 0 ? r.bits(3) : r.bits(k + 2) + (1u << (k + 2));
}

bool decompress_chunk(BitReader& r, std::uint8_t* out, std::uint32_t n) {
    for (std::uint32_t i = 0; i < n;) {
        if (r.bits(1) == 0) {
            out[i++] = static_cast<std::uint8_t>(r.bits(8));
        } else {
            const std::uint32_t len = read_length(r) + 3;
            const std::uint32_t back = read_distance(r) + 1;
            if (back > i || len > n - i) return false;
            for (std::uint32_t k = 0; k < len; ++k, ++i) out[i] = out[i - back];
        }
        if (r.failed()) return false;
    }
    return true;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> compress(std::span<const std::uint8_t> source) {
    const std::size_t n = source.size();
    if (n < min_source || n > UINT32_MAX) return std::nullopt;
    std::vector<std::uint8_t> block(n);
    store_le32(block.data() + 4, static_cast<std::uint32_t>(n));
    BitWriter w(block.data() + header, n - header);
    auto tables = std::make_unique<Tables>();
    std::vector<std::uint8_t> chunk(chunk_size + max_length + 1, 0);
    for (std::size_t at = 0; at < n && !w.full(); at += chunk_size) {
        const auto c = static_cast<std::uint32_t>(std::min(chunk_size, n - at));
        std::copy_n(source.data() + at, c, chunk.begin());
        std::fill(chunk.begin() + c, chunk.end(), std::uint8_t{0});
        for (int i = 0; i < 4; ++i) w.byte(static_cast<std::uint8_t>(c >> (8 * i)));
        compress_chunk(chunk.data(), c, *tables, w);
    }
    if (w.full()) return std::nullopt;
    store_le32(block.data(), static_cast<std::uint32_t>(w.size()));
    block.resize(header + w.size());
    return block;
}

std::optional<std::vector<std::uint8_t>> decompress(std::span<const std::uint8_t> block) {
    if (block.size() < header) return std::nullopt;
    const std::uint32_t payload = load_le32(block.data());
    const std::uint32_t declared = load_le32(block.data() + 4);
    if (payload > block.size() - header || std::uint64_t{declared} * densest_bits > std::uint64_t{payload} * 8 * densest_bytes)
        return std::nullopt;
    std::vector<std::uint8_t> out(declared);
    const std::uint8_t* end = block.data() + header + payload;
    BitReader r(block.data() + header, end);
    std::uint32_t produced = 0;
    while (r.position() < end) {
        if (end - r.position() < 4) return std::nullopt;
        const std::uint32_t n = load_le32(r.position());
        r.position() += 4;
        if (n < 1 || n > chunk_size || n > declared - produced) return std::nullopt;
        r.restart();
        if (!decompress_chunk(r, out.data() + produced, n)) return std::nullopt;
        produced += n;
    }
    if (produced != declared) return std::nullopt;
    return out;
}

}  // namespace zel::lz
