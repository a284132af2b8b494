#include "runtime/datatypes/sort.h"

#include <cstring>

#include "runtime/core/raise.h"
#include "runtime/memory/heap.h"

namespace zel::sort {
namespace {

// Runs shorter than this are extended by insertion before merging.
constexpr std::size_t min_run = 24;
// Below this many records the quicksort sorts by insertion.
constexpr std::size_t insertion_limit = 8;

struct Array {
    u8* base;
    std::size_t size;
    bool bytewise;
    const Comparator& compare;

    u8* at(std::size_t i) const { return base + i * size; }
    i32 cmp(std::size_t i, std::size_t j) const { return compare(at(i), at(j)); }
    void exchange(std::size_t i, std::size_t j) const {
        if (i != j) sort::swap(at(i), at(j), size, bytewise);
    }
    void reverse(std::size_t from, std::size_t to) const {
        while (from + 1 < to) exchange(from++, --to);
    }
    // Rotates [from, to) so that the record at `middle` comes first.
    void rotate(std::size_t from, std::size_t middle, std::size_t to) const {
        if (from == middle || middle == to) return;
        reverse(from, middle);
        reverse(middle, to);
        reverse(from, to);
    }
    // Records [from, sorted) are in order; each later one up to `to` is swapped backwards
    // into place.
    void insertion(std::size_t from, std::size_t sorted, std::size_t to) const {
        for (std::size_t i = sorted < from + 1 ? from + 1 : sorted; i < to; ++i)
            for (std::size_t j = i; j > from && cmp(j - 1, j) > 0; --j) exchange(j - 1, j);
    }
};

// ---- stable sort -------------------------------------------------------------------

// The end of the natural run from `start`: non-descending, or strictly descending and
// then reversed (strictness keeps equal records in their order).
std::size_t find_run(const Array& a, std::size_t start, std::size_t n) {
    std::size_t end = start + 1;
    if (end == n) return end;
    if (a.cmp(start, end) <= 0) {
        while (++end < n && a.cmp(end - 1, end) <= 0) {
        }
    } else {
        while (++end < n && a.cmp(end - 1, end) > 0) {
        }
        a.reverse(start, end);
    }
    return end;
}

std::size_t extended_run(const Array& a, std::size_t start, std::size_t n) {
    const std::size_t end = find_run(a, start, n);
    const std::size_t wanted = n - start < min_run ? n : start + min_run;
    if (end >= wanted) return end;
    a.insertion(start, end, wanted);
    return wanted;
}

// The depth in the merge tree of the boundary between runs [a0, a1) and [a1, b1).
u32 node_power(u64 a0, u64 a1, u64 b1, u64 n) {
    u64 x = a0 + a1;
    u64 y = a1 + b1;
    u32 power = 1;
    while ((x < n) == (y < n)) {
        ++power;
        if (x >= n) {
            x -= n;
            y -= n;
        }
        x *= 2;
        y *= 2;
    }
    return power;
}

// Merges [lo, mid) and [mid, hi) through the scratch holding the shorter run. Until the
// merge completes the array lacks exactly the scratch's unmerged records, in one gap: if
// the comparator raises, the guard puts them back there.
void merge_runs(const Array& a, u8* scratch, std::size_t lo, std::size_t mid, std::size_t hi) {
    const std::size_t s = a.size;
    struct Gap {
        u8* dst = nullptr;
        const u8* src = nullptr;
        std::size_t bytes = 0;
        void set(u8* d, const u8* from, std::size_t n) {
            dst = d;
            src = from;
            bytes = n;
        }
        ~Gap() {
            if (bytes) std::memmove(dst, src, bytes);
        }
    } gap;
    if (mid - lo <= hi - mid) {
        const std::size_t left = mid - lo;
        std::memcpy(scratch, a.at(lo), left * s);
        std::size_t i = 0, j = mid, out = lo;
        while (i < left && j < hi) {
            gap.set(a.at(out), scratch + i * s, (left - i) * s);
            if (a.compare(scratch + i * s, a.at(j)) <= 0) {
                std::memcpy(a.at(out++), scratch + i++ * s, s);
            } else {
                std::memcpy(a.at(out++), a.at(j++), s);
            }
        }
        gap.bytes = 0;
        std::memcpy(a.at(out), scratch + i * s, (left - i) * s);
    } else {
        const std::size_t right = hi - mid;
        std::memcpy(scratch, a.at(mid), right * s);
        std::size_t i = mid, k = right, out = hi;
        while (i > lo && k > 0) {
            gap.set(a.at(i), scratch, k * s);
            if (a.compare(a.at(i - 1), scratch + (k - 1) * s) > 0) {
                std::memcpy(a.at(--out), a.at(--i), s);
            } else {
                std::memcpy(a.at(--out), scratch + --k * s, s);
            }
        }
        gap.bytes = 0;
        std::memcpy(a.at(lo), scratch, k * s);
    }
}

// ---- quicksort ---------------------------------------------------------------------

i32 sign(i32 v) { return (v > 0) - (v < 0); }

// Sorts n records of which |sample| already form a sorted sample, at the front when
// sample > 0, at the back when sample < 0.
void quick_partition(const Array& a, std::size_t from, i64 sample, std::size_t n) {
    while (n >= insertion_limit) {
        std::size_t h = static_cast<std::size_t>(sample < 0 ? -sample : sample);
        if (h >= n) return;
        std::size_t l;
        if (h > 2) {
            if (sample < 0) a.rotate(from, from + n - h, from + n);
            l = n / 256 < h ? n : 16 * h - 1;
            if (l < n) {
                const std::size_t step = n / l;
                for (std::size_t k = h; k < l; ++k) a.exchange(from + k, from + h + (k - h) * step);
            }
        } else {
            // Median of three at 0, l / 2 and l - 1, ordered into a sample at 0..2.
            l = n > 511 ? 63 : n;
            a.exchange(from + 1, from + l / 2);
            a.exchange(from + 2, from + l - 1);
            if (a.cmp(from, from + 1) > 0) a.exchange(from, from + 1);
            if (a.cmp(from + 1, from + 2) > 0) a.exchange(from + 1, from + 2);
            if (a.cmp(from, from + 1) > 0) a.exchange(from, from + 1);
            h = 3;
        }
        // Lower sample [0, m), pivot at m, upper sample moved to the block's end.
        const std::size_t m = (h - 1) / 2;
        const std::size_t upper = h - m - 1;
        a.rotate(from + m + 1, from + h, from + l);
        const std::size_t pivot = from + m;
        // Three-way partition of [m + 1, l - upper): less, equal, greater.
        std::size_t lt = pivot + 1, i = pivot + 1, gt = from + l - upper;
        while (i < gt) {
            const i32 c = a.cmp(i, pivot);
            if (c < 0) {
                a.exchange(lt++, i++);
            } else if (c > 0) {
                a.exchange(i, --gt);
            } else {
                ++i;
            }
        }
        // The pivot joins the equal records; the lower sample stays sorted at the front.
        a.rotate(pivot, pivot + 1, lt);
        const std::size_t lower_end = lt - 1 - from;
        const std::size_t upper_start = gt - from;
        quick_partition(a, from + upper_start, -static_cast<i64>(upper), l - upper_start);
        if (l == n) {
            n = lower_end;
            sample = static_cast<i64>(m);
        } else {
            quick_partition(a, from, static_cast<i64>(m), lower_end);
            sample = static_cast<i64>(l);
        }
    }
    a.insertion(from, from + 1, from + n);
}

// The records from the start that are already in order (the first `known` are): a run, grown by
// following stretches in the same direction whose records each land within a few places
// of the prefix's end. A descending prefix is reversed. Returns its length.
std::size_t ordered_prefix(const Array& a, std::size_t n, i32 direction, std::size_t known) {
    auto in_order = [&](std::size_t i, std::size_t j) { return sign(a.cmp(i, j)) * direction <= 0; };
    std::size_t prefix = known;
    while (prefix < n && in_order(prefix - 1, prefix)) ++prefix;
    constexpr std::size_t reach = 10;
    while (prefix < n) {
        std::size_t stretch = prefix + 1;
        while (stretch < n && stretch - prefix < reach && in_order(stretch - 1, stretch)) ++stretch;
        if (stretch - prefix < 4) break;
        std::size_t joined = prefix;
        for (; joined < stretch; ++joined) {
            if (joined >= reach && !in_order(joined - reach, joined)) break;
            for (std::size_t j = joined; j > 0 && !in_order(j - 1, j); --j) a.exchange(j - 1, j);
        }
        prefix = joined;
        if (joined < stretch) break;
        while (prefix < n && in_order(prefix - 1, prefix)) ++prefix;
    }
    if (direction < 0) a.reverse(0, prefix);
    return prefix;
}

}  // namespace

void swap(void* a, void* b, std::size_t size, bool bytewise) {
    u8* x = static_cast<u8*>(a);
    u8* y = static_cast<u8*>(b);
    if (!bytewise && size % 4 == 0) {
        for (std::size_t i = 0; i < size; i += 4) {
            u32 t, u;
            std::memcpy(&t, x + i, 4);
            std::memcpy(&u, y + i, 4);
            std::memcpy(x + i, &u, 4);
            std::memcpy(y + i, &t, 4);
        }
        return;
    }
    for (std::size_t i = 0; i < size; ++i) {
        const u8 t = x[i];
        x[i] = y[i];
        y[i] = t;
    }
}

void stable_sort(void* base, std::size_t n, std::size_t size, const Comparator& compare) {
    if (n < 2) return;
    const u64 scratch_bytes = u64{n / 2} * size;
    if (scratch_bytes > 0xFFFFFFFFu) raise(ErrorId::script_too_long);
    struct Scratch {
        u8* p;
        ~Scratch() { heap::free(p); }
    } scratch{static_cast<u8*>(heap::alloc(scratch_bytes ? scratch_bytes : 1))};

    const Array a{static_cast<u8*>(base), size, size % 4 != 0, compare};
    struct Run {
        std::size_t start;
        u32 power;
    } stack[65];
    std::size_t depth = 0;
    std::size_t a0 = 0;
    std::size_t a1 = extended_run(a, 0, n);
    while (a1 < n) {
        const std::size_t b1 = extended_run(a, a1, n);
        const u32 power = node_power(a0, a1, b1, n);
        while (depth > 0 && stack[depth - 1].power > power) {
            merge_runs(a, scratch.p, stack[depth - 1].start, a0, a1);
            a0 = stack[--depth].start;
        }
        stack[depth++] = {a0, power};
        a0 = a1;
        a1 = b1;
    }
    while (depth > 0) {
        merge_runs(a, scratch.p, stack[depth - 1].start, a0, n);
        a0 = stack[--depth].start;
    }
}

void quick_sort(void* base, std::size_t n, std::size_t size, const Comparator& compare) {
    if (n < 2) return;
    const Array a{static_cast<u8*>(base), size, size % 4 != 0, compare};

    // Presortedness: the leading run, then a vote of every 97th neighbouring pair.
    std::size_t run = 1;
    i32 direction = 0;
    for (; run < n; ++run) {
        const i32 c = sign(a.cmp(run - 1, run));
        if (c == 0) continue;
        if (direction == 0) {
            direction = -c;
        } else if (-c != direction) {
            break;
        }
    }
    if (direction == 0) return;  // every neighbour compared equal
    i64 score = static_cast<i64>(run) * direction;
    for (std::size_t i = run + 97; i < n; i += 97) score -= sign(a.cmp(i - 1, i));

    i64 sample = 0;
    if (static_cast<u64>(score < 0 ? -score : score) > n / 512) {
        std::size_t known = run;
        if ((score > 0 ? 1 : -1) != direction) {
            direction = -direction;
            known = 1;
        }
        sample = static_cast<i64>(ordered_prefix(a, n, direction, known));
    }
    quick_partition(a, 0, sample, n);
}

}  // namespace zel::sort
