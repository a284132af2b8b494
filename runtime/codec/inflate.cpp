// The inflater. Codes decode through two-level tables: a primary table indexed by the next
// few bits of the stream, whose entries for longer codes link to a subtable indexed by the
// bits after them. Bits are read through a 64-bit buffer refilled eight bytes at a time;
// past the end of the input it is filled with zeros that are counted, so that a stream
// reading beyond its data is caught as corrupt rather than read out of bounds.
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "runtime/codec/deflate-tables.h"
#include "runtime/codec/deflate.h"

namespace zel::deflate {
namespace {

using namespace tables;

class BitReader {
public:
    explicit BitReader(Source s) : start_(s.data()), p_(s.data()), end_(s.data() + s.size()) {}

    // Leaves at least 56 bits in the buffer.
    void refill() {
        if (end_ - p_ >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p_, 8);
            buffer_ |= word << count_;
            p_ += (63 - count_) >> 3;
            count_ |= 56;
            return;
        }
        while (count_ <= 56) {
            std::uint64_t byte = 0;
            if (p_ < end_) byte = *p_++;
            else ++overrun_;
            buffer_ |= byte << count_;
            count_ += 8;
        }
    }
    std::uint32_t peek() const { return static_cast<std::uint32_t>(buffer_); }
    void drop(unsigned n) {
        buffer_ >>= n;
        count_ -= n;
    }
    std::uint32_t take(unsigned n) {
        std::uint32_t v = static_cast<std::uint32_t>(buffer_ & ((std::uint64_t{1} << n) - 1));
        drop(n);
        return v;
    }
    // More zero bytes were fed than the buffer can hold: the stream has read past its data.
    bool overran() const { return overrun_ > 8; }

    // Drops to the byte boundary and gives back the buffered whole bytes, so that a stored
    // block's bytes are read straight from the input.
    void align() {
        drop(count_ & 7);
        std::size_t buffered = count_ / 8;
        std::size_t virtual_bytes = std::min(overrun_, buffered);
        overrun_ -= virtual_bytes;
        p_ -= buffered - virtual_bytes;
        buffer_ = 0;
        count_ = 0;
    }
    const std::uint8_t* position() const { return p_; }
    std::size_t remaining() const { return static_cast<std::size_t>(end_ - p_); }
    void skip(std::size_t n) { p_ += n; }
    // Whole bytes taken by the stream so far, counting the last partly used one.
    std::size_t consumed() const {
        std::size_t bits = (static_cast<std::size_t>(p_ - start_) + overrun_) * 8 - count_;
        return (bits + 7) / 8;
    }

private:
    const std::uint8_t* start_;
    const std::uint8_t* p_;
    const std::uint8_t* end_;
    std::uint64_t buffer_ = 0;
    unsigned count_ = 0;
    std::size_t overrun_ = 0;
};

struct Entry {
    enum Kind : std::uint8_t { invalid, leaf, link };
    std::uint16_t value = 0;  // the symbol, or a link's subtable start
    std::uint8_t bits = 0;    // a leaf's code length, or a link's subtable index width
    Kind kind = invalid;
};

// A table for codes of at most max_bits bits with a primary table of `Primary` bits. Each
// code longer than that shares its subtable with the codes of the same first bits, so
// there are at most as many subtables as symbols.
template <int Primary, int Symbols>
struct Table {
    std::array<Entry, (std::size_t{1} << Primary) + Symbols * (std::size_t{1} << (max_bits - Primary))> entries;

    // Canonical codes from code lengths. An over-subscribed set is refused, and so is an
    // incomplete one, except a set of at most one one-bit code when `lenient`: a block may
    // use no distance at all or a single one.
    bool build(const std::uint8_t* lengths, int n, bool lenient) {
        int count[max_bits + 1] = {};
        for (int s = 0; s < n; ++s) ++count[lengths[s]];
        count[0] = 0;
        int left = 1, longest = 0;
        for (int len = 1; len <= max_bits; ++len) {
            left = left * 2 - count[len];
            if (left < 0) return false;
            if (count[len]) longest = len;
        }
        if (left > 0 && !(lenient && longest <= 1)) return false;
        int next[max_bits + 2] = {};
        for (int len = 1, code = 0; len <= max_bits; ++len) {
            code = (code + count[len - 1]) << 1;
            next[len] = code;
        }
        constexpr int primary_size = 1 << Primary;
        const int sub_bits = longest > Primary ? longest - Primary : 0;
        std::fill_n(entries.begin(), primary_size, Entry{});
        int next_sub = primary_size;
        for (int s = 0; s < n; ++s) {
            const int len = lengths[s];
            if (!len) continue;
            const unsigned reversed = reverse(static_cast<unsigned>(next[len]++), len);
            const Entry entry{static_cast<std::uint16_t>(s), static_cast<std::uint8_t>(len), Entry::leaf};
            if (len <= Primary) {
                for (unsigned i = reversed; i < primary_size; i += 1u << len) entries[i] = entry;
                continue;
            }
            Entry& head = entries[reversed & (primary_size - 1)];
            if (head.kind != Entry::link) {
                head = Entry{static_cast<std::uint16_t>(next_sub), static_cast<std::uint8_t>(sub_bits), Entry::link};
                std::fill_n(entries.begin() + next_sub, 1 << sub_bits, Entry{});
                next_sub += 1 << sub_bits;
            }
            for (unsigned i = reversed >> Primary; i < (1u << sub_bits); i += 1u << (len - Primary))
                entries[head.value + i] = entry;
        }
        return true;
    }

    // The next symbol, or -1 for bits that are no code. Needs max_bits bits in the buffer.
    int decode(BitReader& in) const {
        const std::uint32_t bits = in.peek();
        Entry e = entries[bits & ((1u << Primary) - 1)];
        if (e.kind == Entry::link) e = entries[e.value + ((bits >> Primary) & ((1u << e.bits) - 1))];
        if (e.kind != Entry::leaf) return -1;
        in.drop(e.bits);
        return e.value;
    }

    static unsigned reverse(unsigned code, int len) {
        unsigned r = 0;
        for (int i = 0; i < len; ++i, code >>= 1) r = (r << 1) | (code & 1);
        return r;
    }
};

using LitlenTable = Table<10, litlen_codes>;
using DistanceTable = Table<8, distance_codes>;
using CodeLengthTable = Table<7, 19>;

struct FixedTables {
    LitlenTable litlen;
    DistanceTable distance;
    FixedTables() {
        std::uint8_t lengths[litlen_codes];
        for (int s = 0; s < litlen_codes; ++s) lengths[s] = static_cast<std::uint8_t>(fixed_litlen_bits(s));
        litlen.build(lengths, litlen_codes, false);
        std::fill_n(lengths, distance_codes, std::uint8_t{5});
        distance.build(lengths, distance_codes, false);
    }
};

const FixedTables& fixed_tables() {
    static const FixedTables tables;
    return tables;
}

class Inflater {
public:
    Inflater(Source source, Destination destination)
        : in_(source), out_(destination.data()), capacity_(destination.size()), size_(source.size()) {}

    Result run() {
        bool final = false;
        while (!final) {
            in_.refill();
            final = in_.take(1);
            Status s;
            switch (in_.take(2)) {
            case 0: s = stored(); break;
            case 1: s = codes(fixed_tables().litlen, fixed_tables().distance); break;
            case 2: s = dynamic(); break;
            default: s = Status::bad_block_type; break;
            }
            if (s != Status::ok) return {s, produced_};
        }
        if (in_.consumed() != size_) return {Status::corrupt, produced_};
        return {produced_ > capacity_ ? Status::too_small : Status::ok, produced_};
    }

private:
    Status stored() {
        in_.align();
        if (in_.remaining() < 4) return Status::corrupt;
        const std::uint8_t* p = in_.position();
        const std::size_t len = std::size_t{p[0]} | std::size_t{p[1]} << 8;
        if ((len ^ (std::size_t{p[2]} | std::size_t{p[3]} << 8)) != 0xFFFF) return Status::corrupt;
        in_.skip(4);
        if (len > in_.remaining()) return Status::stored_past_input;
        if (produced_ < capacity_)
            std::memcpy(out_ + produced_, in_.position(), std::min(len, capacity_ - produced_));
        produced_ += len;
        in_.skip(len);
        return Status::ok;
    }

    Status dynamic() {
        in_.refill();
        const int litlens = static_cast<int>(in_.take(5)) + 257;
        const int distances = static_cast<int>(in_.take(5)) + 1;
        const int listed = static_cast<int>(in_.take(4)) + 4;
        if (litlens > 286 || distances > 30) return Status::corrupt;
        std::uint8_t lengths[litlen_codes + distance_codes] = {};
        for (int i = 0; i < listed; ++i) {
            in_.refill();
            lengths[code_length_order[i]] = static_cast<std::uint8_t>(in_.take(3));
        }
        if (!code_lengths_.build(lengths, 19, false)) return Status::corrupt;

        std::fill_n(lengths, 19, std::uint8_t{0});
        const int total = litlens + distances;
        for (int i = 0; i < total;) {
            in_.refill();
            if (in_.overran()) return Status::corrupt;
            const int symbol = code_lengths_.decode(in_);
            if (symbol < 0) return Status::corrupt;
            if (symbol < 16) {
                lengths[i++] = static_cast<std::uint8_t>(symbol);
                continue;
            }
            std::uint8_t value = 0;
            int repeat;
            if (symbol == 16) {
                if (i == 0) return Status::corrupt;
                value = lengths[i - 1];
                repeat = 3 + static_cast<int>(in_.take(2));
            } else if (symbol == 17) {
                repeat = 3 + static_cast<int>(in_.take(3));
            } else {
                repeat = 11 + static_cast<int>(in_.take(7));
            }
            if (i + repeat > total) return Status::corrupt;
            std::fill_n(lengths + i, repeat, value);
            i += repeat;
        }
        if (lengths[end_of_block] == 0) return Status::corrupt;
        if (!litlen_.build(lengths, litlens, true) || !distance_.build(lengths + litlens, distances, true))
            return Status::corrupt;
        return codes(litlen_, distance_);
    }

    Status codes(const LitlenTable& litlen, const DistanceTable& distance) {
        for (;;) {
            in_.refill();
            if (in_.overran()) return Status::corrupt;
            const int symbol = litlen.decode(in_);
            if (symbol < 256) {
                if (symbol < 0) return Status::corrupt;
                if (produced_ < capacity_) out_[produced_] = static_cast<std::uint8_t>(symbol);
                ++produced_;
                continue;
            }
            if (symbol == end_of_block) return Status::ok;
            if (symbol > 285) return Status::corrupt;
            const int l = symbol - 257;
            const std::size_t len = length_base[l] + in_.take(length_extra[l]);
            const int d = distance.decode(in_);
            if (d < 0 || d >= 30) return Status::corrupt;
            const std::size_t dist = distance_base[d] + in_.take(distance_extra[d]);
            if (dist > produced_) return Status::distance_too_far;
            copy_match(len, dist);
        }
    }

    void copy_match(std::size_t len, std::size_t dist) {
        std::uint8_t* to = out_ + produced_;
        if (produced_ + len + 8 <= capacity_) {
            const std::uint8_t* from = to - dist;
            if (dist >= 8) {
                for (std::size_t i = 0; i < len; i += 8) std::memcpy(to + i, from + i, 8);
            } else if (dist == 1) {
                std::memset(to, *from, len);
            } else {
                for (std::size_t i = 0; i < len; ++i) to[i] = from[i];
            }
        } else {
            // Near or past the destination's end: copy what fits, count the rest.
            const std::size_t fits = produced_ < capacity_ ? std::min(len, capacity_ - produced_) : 0;
            for (std::size_t i = 0; i < fits; ++i) to[i] = to[i - dist];
        }
        produced_ += len;
    }

    BitReader in_;
    std::uint8_t* out_;
    std::size_t capacity_;
    std::size_t size_;
    std::size_t produced_ = 0;
    CodeLengthTable code_lengths_;
    LitlenTable litlen_;
    DistanceTable distance_;
};

}  // namespace

Result inflate(Source source, Destination destination) {
    auto inflater = std::make_unique<Inflater>(source, destination);
    return inflater->run();
}

}  // namespace zel::deflate
