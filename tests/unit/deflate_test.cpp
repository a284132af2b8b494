#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <unistd.h>

#include "runtime/codec/checksum.h"
#include "runtime/codec/deflate.h"
#include "tests/unit/codec-samples.h"

using namespace zel::deflate;
using Buffer = std::vector<std::uint8_t>;

namespace {

// The samples codec-fixtures.py compressed with python3 and the gzip command.
const std::map<std::string, Buffer>& samples() {
    static const std::map<std::string, Buffer> s = {
        {"empty", {}},
        {"one", {'A'}},
        {"text", codec_samples::text(4000)},
        {"text-large", codec_samples::text(100000)},
        {"random", codec_samples::random_bytes(10000)},
    };
    return s;
}

using Codec = Result (*)(Source, Destination);

// Runs a decoder the way its callers do: once to measure, once into a buffer of that size.
Result decode(Codec codec, const Buffer& in, Buffer& out) {
    const Result measured = codec(in, {});
    if (measured.status != Status::ok && measured.status != Status::too_small) return measured;
    out.assign(measured.size, 0xAA);
    return codec(in, out);
}

Buffer compressed(Result (*codec)(Source, Destination, int), const Buffer& in, int level) {
    Buffer out(codec(in, {}, level).size);
    const Result r = codec(in, out, level);
    EXPECT_EQ(r.status, Status::ok);
    EXPECT_EQ(r.size, out.size());
    return out;
}

Buffer read_file(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    return Buffer(std::istreambuf_iterator<char>(f), {});
}

void write_file(const std::filesystem::path& p, const Buffer& b) {
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

const std::map<std::string, Codec>& decoders_by_extension() {
    static const std::map<std::string, Codec> d = {{".deflate", inflate}, {".zlib", zlib_unwrap}, {".gz", gunzip}};
    return d;
}

// The inputs the outside tools and we compress at test time. The 10 MB ones are left to the
// normal build: under the sanitizers they would take minutes, and the fuzzers cover the
// decoders there.
std::map<std::string, Buffer> interop_inputs() {
    std::map<std::string, Buffer> in = {{"empty", {}}, {"one", {'A'}}, {"text", codec_samples::text(50000)}};
#ifndef __SANITIZE_ADDRESS__
    in["text-10mb"] = codec_samples::text(10'000'000);
    in["random-10mb"] = codec_samples::random_bytes(10'000'000);
#endif
    return in;
}

// A folder of its own under the temporary folder, holding the inputs; removed with all in it.
struct InteropFolder {
    std::filesystem::path path = std::filesystem::temp_directory_path() / ("deflate-interop-" + std::to_string(::getpid()));
    explicit InteropFolder(const std::map<std::string, Buffer>& inputs) {
        std::filesystem::create_directories(path);
        for (const auto& [name, data] : inputs) write_file(path / name, data);
    }
    ~InteropFolder() { std::filesystem::remove_all(path); }
    // Runs codec-interop.py in the folder: `compress` or `check`.
    bool python(const char* mode, const std::map<std::string, Buffer>& inputs) const {
        std::string command = PYTHON3 " " CODEC_INTEROP " " + std::string(mode) + " " + path.string();
        for (const auto& entry : inputs) command += " " + entry.first;
        return std::system(command.c_str()) == 0;
    }
};

}  // namespace

TEST(Deflate, DecodesWhatZlibAndGzipWrote) {
    const std::map<std::string, Codec>& by_extension = decoders_by_extension();
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(CODEC_FIXTURES)) {
        const std::string name = entry.path().filename().string();
        const Buffer& expected = samples().at(name.substr(0, name.find('.')));
        Buffer out;
        const Result r = decode(by_extension.at(entry.path().extension().string()), read_file(entry.path()), out);
        EXPECT_EQ(r.status, Status::ok) << name;
        EXPECT_TRUE(out == expected) << name;
        ++files;
    }
    EXPECT_GT(files, 0);
}

TEST(Deflate, RoundTripsAtEveryLevel) {
    const Buffer inputs[] = {{}, {'A'}, codec_samples::text(300000), codec_samples::random_bytes(150000),
                             Buffer(70000, 'z')};
    for (const Buffer& in : inputs)
        for (int level = 0; level <= 9; ++level) {
            Buffer out;
            EXPECT_EQ(decode(inflate, compressed(compress, in, level), out).status, Status::ok);
            EXPECT_TRUE(out == in) << in.size() << " bytes at level " << level;
            EXPECT_EQ(decode(zlib_unwrap, compressed(zlib_wrap, in, level), out).status, Status::ok);
            EXPECT_TRUE(out == in);
            EXPECT_EQ(decode(gunzip, compressed(gzip, in, level), out).status, Status::ok);
            EXPECT_TRUE(out == in);
        }
}

TEST(Deflate, RoundTripsTenMegabytes) {
    for (const Buffer& in : {codec_samples::text(10 << 20), codec_samples::random_bytes(10 << 20)}) {
        const Buffer packed = compressed(gzip, in, default_level);
        Buffer out;
        EXPECT_EQ(decode(gunzip, packed, out).status, Status::ok);
        EXPECT_TRUE(out == in);
        // Random bytes cost hardly more than themselves: each block falls back to storing.
        EXPECT_LE(packed.size(), in.size() + in.size() / 1000);
    }
}

TEST(Deflate, KnownStreams) {
    EXPECT_EQ(compressed(compress, {}, default_level), (Buffer{0x03, 0x00}));
    EXPECT_EQ(compressed(zlib_wrap, {}, default_level), (Buffer{0x78, 0x01, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01}));
    EXPECT_EQ(compressed(compress, {}, 0), (Buffer{0x01, 0x00, 0x00, 0xFF, 0xFF}));
    const Buffer gz = compressed(gzip, {'h', 'i'}, default_level);
    EXPECT_EQ(Buffer(gz.begin(), gz.begin() + 4), (Buffer{0x1F, 0x8B, 8, 0}));
    // Data that is already gzip is wrapped again like any other.
    Buffer out;
    EXPECT_EQ(decode(gunzip, compressed(gzip, gz, default_level), out).status, Status::ok);
    EXPECT_EQ(out, gz);
}

TEST(Deflate, WritesOnlyInsideTheDestinationButCountsAll) {
    const Buffer text = codec_samples::text(50000);
    const Buffer packed = compressed(zlib_wrap, text, default_level);
    Buffer shorter(packed.size() - 1, 0);
    shorter.push_back(0x5A);  // a guard byte just past the capacity
    Result r = zlib_wrap(text, Destination(shorter).first(packed.size() - 1), default_level);
    EXPECT_EQ(r.status, Status::too_small);
    EXPECT_EQ(r.size, packed.size());
    EXPECT_EQ(shorter.back(), 0x5A);

    Buffer part(1000, 0);
    part.push_back(0x5A);
    r = zlib_unwrap(packed, Destination(part).first(1000));
    EXPECT_EQ(r.status, Status::too_small);
    EXPECT_EQ(r.size, text.size());
    EXPECT_EQ(part.back(), 0x5A);
    EXPECT_TRUE(std::equal(part.begin(), part.begin() + 1000, text.begin()));
}

TEST(Deflate, ReportsCorruptData) {
    const Buffer packed = compressed(zlib_wrap, codec_samples::text(3000), default_level);
    const Buffer gz = compressed(gzip, codec_samples::text(3000), default_level);
    auto changed = [](Buffer b, std::size_t at, std::uint8_t value) {
        b.at(at) = value;
        return b;
    };
    auto longer = [](Buffer b) {
        b.push_back(0);
        return b;
    };
    struct Row { const char* what; Codec codec; Buffer in; Status expected; };
    const Row rows[] = {
        {"header not a multiple of 31", zlib_unwrap, changed(packed, 1, 0x02), Status::corrupt},
        {"preset dictionary", zlib_unwrap, {0x78, 0xBB, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01}, Status::corrupt},
        {"method 7", zlib_unwrap, {0x77, 0x01 + 0x04, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01}, Status::corrupt},
        {"Adler-32 changed", zlib_unwrap, changed(packed, packed.size() - 1, packed.back() ^ 1), Status::corrupt},
        {"a byte after the stream", inflate, {0x03, 0x00, 0x00}, Status::corrupt},
        {"block type 3", inflate, {0x07, 0x00}, Status::bad_block_type},
        {"stored block past the input", inflate, {0x01, 0x05, 0x00, 0xFA, 0xFF, 'a', 'b'}, Status::stored_past_input},
        {"stored length and complement disagree", inflate, {0x01, 0x01, 0x00, 0x00, 0x00, 'a'}, Status::corrupt},
        // Fixed codes: a match of length 3 at distance 1 with nothing before it.
        {"distance before the output", inflate, {0x03, 0x02, 0x00}, Status::distance_too_far},
        {"dynamic block with no end code", inflate, {0x05, 0xE0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, Status::corrupt},
        {"gzip CRC-32 changed", gunzip, changed(gz, gz.size() - 8, gz[gz.size() - 8] ^ 1), Status::corrupt},
        {"gzip size changed", gunzip, changed(gz, gz.size() - 4, gz[gz.size() - 4] ^ 1), Status::corrupt},
        {"gzip reserved flag", gunzip, changed(gz, 3, 0x20), Status::corrupt},
        {"gzip trailing byte", gunzip, longer(gz), Status::corrupt},
    };
    for (const Row& r : rows) {
        Buffer out;
        EXPECT_EQ(decode(r.codec, r.in, out).status, r.expected) << r.what;
    }
    // Every cut of a stream is refused, and the measured size never passes the whole.
    for (std::size_t cut = 0; cut < packed.size(); ++cut) {
        const Result r = zlib_unwrap(Source(packed).first(cut), {});
        EXPECT_NE(r.status, Status::ok) << cut;
        EXPECT_NE(r.status, Status::too_small) << cut;
    }
}

TEST(Deflate, GunzipSkipsOptionalHeaderFields) {
    const Buffer text = codec_samples::text(500);
    const Buffer plain = compressed(gzip, text, default_level);
    // FEXTRA, FNAME, FCOMMENT and FHCRC, the last the low half of the header's CRC-32.
    Buffer gz = {0x1F, 0x8B, 8, 2 | 4 | 8 | 16, 0, 0, 0, 0, 0, 3, 3, 0, 'x', 'y', 'z', 'n', '\0', 'c', '\0'};
    const std::uint32_t crc = zel::checksum::crc32(gz);
    gz.push_back(static_cast<std::uint8_t>(crc));
    gz.push_back(static_cast<std::uint8_t>(crc >> 8));
    gz.insert(gz.end(), plain.begin() + 10, plain.end());
    Buffer out;
    EXPECT_EQ(decode(gunzip, gz, out).status, Status::ok);
    EXPECT_EQ(out, text);
    gz[19] ^= 1;
    EXPECT_EQ(decode(gunzip, gz, out).status, Status::corrupt);
}

TEST(Deflate, CompressesTextAboutAsWellAsZlib) {
    // The fixture at zlib's default level is the measure: within 2% of its size.
    const Buffer& text = samples().at("text-large");
    const std::size_t theirs = read_file(std::filesystem::path(CODEC_FIXTURES) / "text-large.6.zlib").size();
    const std::size_t ours = compressed(zlib_wrap, text, default_level).size();
    EXPECT_LE(ours, theirs + theirs / 50);
}

// python3's zlib and gzip modules and the gzip command compress inputs made here, at every
// level on the small ones (codec-interop.py); we decode each byte for byte.
TEST(Deflate, DecodesWhatTheOtherToolsWriteAtTestTime) {
    const auto inputs = interop_inputs();
    const InteropFolder folder(inputs);
    ASSERT_TRUE(folder.python("compress", inputs));
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path)) {
        const std::string file = entry.path().filename().string();
        if (file.find('.') == std::string::npos) continue;
        Buffer out;
        const Result r = decode(decoders_by_extension().at(entry.path().extension().string()), read_file(entry.path()), out);
        EXPECT_EQ(r.status, Status::ok) << file;
        EXPECT_TRUE(out == inputs.at(file.substr(0, file.find('.')))) << file;
        ++files;
    }
    EXPECT_GT(files, 0);
}

// What we compress, at every level on the small inputs and one on the large ones, python3's
// zlib and gzip modules and the gzip command decode to the input.
TEST(Deflate, TheOtherToolsDecodeWhatWeWrite) {
    const auto inputs = interop_inputs();
    const InteropFolder folder(inputs);
    const struct {
        const char* extension;
        Result (*encode)(Source, Destination, int);
        int large_input_level;
    } envelopes[] = {{"deflate", compress, 0}, {"zlib", zlib_wrap, 1}, {"gz", gzip, default_level}};
    for (const auto& [name, data] : inputs)
        for (const auto& envelope : envelopes)
            for (int level = 0; level <= 9; ++level) {
                // On the large inputs one level per envelope: storing, greedy and lazy matching.
                if (data.size() >= 1 << 20 && level != envelope.large_input_level) continue;
                write_file(folder.path / (name + ".ours." + std::to_string(level) + "." + envelope.extension),
                           compressed(envelope.encode, data, level));
            }
    EXPECT_TRUE(folder.python("check", inputs));
}
