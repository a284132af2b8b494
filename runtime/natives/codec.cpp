// The natives over the codec layer: checksum (checksums, digests and HMAC), compress and
// decompress (DEFLATE raw or in its zlib or gzip envelope). Their data is bytes, copied
// out of the argument first: the result series is allocated while the codec reads them,
// and a collection may move the argument's buffer.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

#include "generated/refinements.h"
#include "platform/posix/write-all.h"
#include "runtime/codec/checksum.h"
#include "runtime/codec/deflate.h"
#include "runtime/codec/little-endian.h"
#include "runtime/core/cell-views.h"
#include "runtime/core/raise.h"
#include "runtime/io/script.h"
#include "runtime/datatypes/integer.h"
#include "runtime/lexer/lexer-text.h"
#include "runtime/memory/buffer.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/names/runtime-words.h"
#include "runtime/names/symbol.h"
#include "runtime/natives/frame-args.h"
#include "runtime/natives/natives.h"
#include "runtime/text/string-utf8.h"

namespace zel::natives {
namespace {

using Bytes = std::vector<u8>;

// A binary from its position to its tail; any string as the UTF-8 of its characters.
Bytes bytes_of(const Cell& value) {
    Cell v = value;
    if (v.is(Type::binary)) {
        Buffer* b = node::buffer(as_series(v).node);
        const u32 from = std::min(as_series(v).index, b->used());
        return Bytes(b->head_ptr() + from, b->tail_ptr());
    }
    i32 count = -1;
    const u8* utf8 = unicode::to_utf8(v, count);
    return Bytes(utf8, utf8 + count);
}

Bytes file_bytes(const Cell& file) {
    const std::string contents = script::read_file(file);
    return Bytes(contents.begin(), contents.end());
}

bool is_method(const Cell& word, u32 symbol) {
    return symbol::canonical_id(as_word(word).symbol) == symbol::canonical_id(symbol);
}

enum class Sum { digest, tcp, crc32, adler32, hash };

struct ChecksumMethod {
    Sum sum = Sum::digest;
    checksum::DigestMethod digest{};
};

// The method a word names; any other word raises script/invalid-arg.
ChecksumMethod checksum_method(const Cell& word) {
    using checksum::DigestMethod;
    const struct {
        u32 symbol;
        ChecksumMethod method;
    } methods[] = {
        {sym::tcp, {Sum::tcp}},
        {sym::crc32, {Sum::crc32}},
        {sym::adler32, {Sum::adler32}},
        {sym::hash, {Sum::hash}},
        {sym::md5, {Sum::digest, DigestMethod::md5}},
        {sym::sha1, {Sum::digest, DigestMethod::sha1}},
        {sym::sha256, {Sum::digest, DigestMethod::sha256}},
        {sym::sha384, {Sum::digest, DigestMethod::sha384}},
        {sym::sha512, {Sum::digest, DigestMethod::sha512}},
    };
    for (const auto& m : methods)
        if (is_method(word, m.symbol)) return m.method;
    raise(ErrorId::script_invalid_arg, &word);
}

// A digest or HMAC as a binary; a failure of the digest library raises internal/not-here
// naming the method rather than giving a wrong value.
void set_digest(const std::optional<checksum::Digest>& digest, const Cell& method) {
    if (!digest) raise(ErrorId::internal_not_here, &method);
    set_result(lexer::make_bytes(Type::binary, digest->bytes.data(), static_cast<u32>(digest->size)));
}

// The hash-table form of checksum has no algorithm: it says so and gives 0.
void hash_table_stub() {
    static constexpr char line[] = "** /hash support not yet implemented; algorithm TBD.\n";
    std::fflush(nullptr);
    platform::write_all(STDOUT_FILENO, line, sizeof line - 1);
    set_result(integer::cell(0));
}

using Decoder = deflate::Result (*)(deflate::Source, deflate::Destination);
using Encoder = deflate::Result (*)(deflate::Source, deflate::Destination, int);

struct CompressionMethod {
    Encoder encode;
    Decoder decode;
    bool gzip;
};

// The envelope a word names; any other word raises script/invalid-arg.
CompressionMethod compression_method(const Cell& word) {
    if (is_method(word, sym::deflate)) return {deflate::compress, deflate::inflate, false};
    if (is_method(word, sym::zlib)) return {deflate::zlib_wrap, deflate::zlib_unwrap, false};
    if (is_method(word, sym::gzip)) return {deflate::gzip, deflate::gunzip, true};
    raise(ErrorId::script_invalid_arg, &word);
}

// Runs the codec into a new binary of `capacity` bytes, the native's result; when the
// output did not fit, once more into a binary of the size the codec reported. Any other
// failure raises script/invalid-data naming the method.
template <class Run>
void run_into_binary(std::size_t capacity, const Cell& method, Run run) {
    for (int attempt = 0;; ++attempt) {
        if (capacity > max_series_bytes) raise(ErrorId::script_too_long);
        const Node n = memory::alloc_bytes(static_cast<u32>(capacity));
        set_result(Cell{header_of(Type::binary), 0, n, 0});
        Buffer* b = node::buffer(n);
        const deflate::Result r = run(deflate::Destination(b->head_ptr(), capacity));
        if (r.status == deflate::Status::ok) {
            b->tail = b->head + static_cast<u32>(r.size);
            return;
        }
        if (r.status != deflate::Status::too_small || attempt > 0) raise(ErrorId::script_invalid_data, &method);
        capacity = r.size;
    }
}

}  // namespace

// Data and method are checked before the refinement: a /with value only matters for the
// methods that take one.
void checksum(const i32* refinements) {
    const Cell data = arg(0);
    const Cell method_word = arg(1);
    const Bytes bytes = data.is(Type::file) ? file_bytes(data) : bytes_of(data);
    const ChecksumMethod method = checksum_method(method_word);
    const bool with = used(refinements, checksum_ref::with);
    const Cell spec = with ? ref_arg(refinements, checksum_ref::with) : none_cell;
    if (method.sum == Sum::tcp || method.sum == Sum::crc32 || method.sum == Sum::adler32) {
        if (with) raise(ErrorId::script_invalid_refine_arg, refinements::with, &spec);
        const u32 sum = method.sum == Sum::tcp     ? checksum::tcp(bytes)
                        : method.sum == Sum::crc32 ? checksum::crc32(bytes)
                                                   : checksum::adler32(bytes);
        set_result(integer::cell(static_cast<i32>(sum)));
        return;
    }
    const bool key = with && (spec.is(Type::string) || spec.is(Type::binary));
    if (method.sum == Sum::hash && (!with || key)) raise(ErrorId::script_invalid_refine_arg, refinements::with, &method_word);
    if (!with) return set_digest(checksum::digest(bytes, method.digest), method_word);
    if (key) return set_digest(checksum::hmac(bytes, bytes_of(spec), method.digest), method_word);
    if (spec.is(Type::integer)) return hash_table_stub();
    raise(ErrorId::script_invalid_arg, &spec);
}

// At the default level; the first output buffer is the data's size and 32 bytes more,
// which holds all but incompressible data.
void compress(const i32*) {
    const Bytes source = bytes_of(arg(0));
    const Cell method_word = arg(1);
    const CompressionMethod method = compression_method(method_word);
    run_into_binary(source.size() + 32, method_word,
                    [&](deflate::Destination d) { return method.encode(source, d, deflate::default_level); });
}

// The output is sized by a first, measuring run of the decoder. A /size larger than the
// data stands in for that run, and a gzip trailer's size always does; either is only a
// first guess, never trusted beyond what the data can expand to.
void decompress(const i32* refinements) {
    const Bytes source = bytes_of(arg(0));
    const Cell method_word = arg(1);
    const CompressionMethod method = compression_method(method_word);
    std::size_t guess = 0;
    if (used(refinements, decompress_ref::size)) {
        const Cell& size = ref_arg(refinements, decompress_ref::size);
        const i32 sz = integer::get(size);
        if (sz < 0) raise(ErrorId::script_invalid_arg, &size);
        if (static_cast<std::size_t>(sz) > source.size()) guess = static_cast<std::size_t>(sz);
    }
    if (method.gzip) guess = source.size() >= 4 ? codec::load_le32(source.data() + source.size() - 4) : 0;
    std::size_t capacity = std::min(guess, deflate::largest_output(source.size()));
    if (guess == 0 && !method.gzip) {
        const deflate::Result measured = method.decode(source, {});
        if (measured.status != deflate::Status::ok && measured.status != deflate::Status::too_small)
            raise(ErrorId::script_invalid_data, &method_word);
        capacity = measured.size;
    }
    run_into_binary(capacity, method_word, [&](deflate::Destination d) { return method.decode(source, d); });
}

}  // namespace zel::natives
