// The image decoders and encoders against an independent reader and writer: files written
// by ImageMagick's convert (and by python3 in image-fixtures.py) decode to the pixels
// convert reads from them; what we encode, convert reads back with our size and pixels.
// Everything is made at test time in a fresh temporary folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "runtime/codec/image-codecs.h"

namespace fs = std::filesystem;
using namespace zel::image_codec;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr const char* convert = "/usr/bin/convert";
constexpr u32 W = 13, H = 7;

Bytes read_file(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), {});
}

void write_file(const fs::path& p, const Bytes& b) {
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

bool run(const std::string& command) { return std::system((command + " 2>/dev/null").c_str()) == 0; }

class ImageCodecs : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = fs::temp_directory_path() / ("zel-image-codecs-" + std::to_string(getpid()));
        fs::create_directories(dir);
        // R, G, B, A bytes with gradients, a few half-transparent pixels and a few fully
        // transparent ones.
        Bytes rgba;
        for (u32 y = 0; y < H; ++y)
            for (u32 x = 0; x < W; ++x) {
                const u8 a = x == 0 && y < 2 ? 0 : x == 1 ? 128 : 255;
                rgba.insert(rgba.end(), {u8(x * 19), u8(y * 36), u8(200 - x * 7 - y * 5), a});
            }
        write_file(dir / "source.rgba", rgba);
        source = rgba;
        ran_python = run(std::string("python3 ") + IMAGE_FIXTURES + " " + dir.string());
    }
    static void TearDownTestSuite() { fs::remove_all(dir); }

    // Makes a file from the source pixels with convert's options; empty when convert fails.
    static fs::path made(const std::string& name, const std::string& options) {
        const fs::path out = dir / name;
        // A format prefix ("PNG32:") goes before the output's name.
        std::string prefix;
        std::string flags = options;
        if (!flags.empty() && flags.back() == ':') {
            const auto space = flags.rfind(' ');
            prefix = space == std::string::npos ? flags : flags.substr(space + 1);
            flags = space == std::string::npos ? "" : flags.substr(0, space);
        }
        const std::string command = std::string(convert) + " -size " + std::to_string(W) + "x" + std::to_string(H) +
                                    " -depth 8 rgba:" + (dir / "source.rgba").string() + " " + flags + " " + prefix +
                                    out.string();
        return run(command) ? out : fs::path();
    }

    // convert's R, G, B, A bytes of a file.
    static Bytes oracle(const fs::path& file) {
        const fs::path raw = dir / (file.filename().string() + ".rgba");
        if (!run(std::string(convert) + " " + file.string() + "[0] -depth 8 rgba:" + raw.string())) return {};
        return read_file(raw);
    }

    static inline fs::path dir;
    static inline Bytes source;
    static inline bool ran_python = false;
};

// Our BGRA against R, G, B, A bytes, each channel within `tolerance`; the colour of a fully
// transparent pixel is not compared.
void expect_pixels(const Bitmap& b, const Bytes& rgba, int tolerance, const std::string& what) {
    ASSERT_EQ(b.bytes(), rgba.size()) << what;
    int worst = 0;
    u64 where = 0;
    for (u64 i = 0; i < b.bytes(); i += 4) {
        const u8* p = b.pixels.get() + i;
        const int d[4] = {p[2] - rgba[i], p[1] - rgba[i + 1], p[0] - rgba[i + 2], p[3] - rgba[i + 3]};
        for (int k = rgba[i + 3] == 0 ? 3 : 0; k < 4; ++k)
            if (std::abs(d[k]) > worst) worst = std::abs(d[k]), where = i / 4;
    }
    EXPECT_LE(worst, tolerance) << what << ": pixel " << where;
}

struct Variant {
    const char* name;
    const char* options;
    int tolerance;
};

TEST_F(ImageCodecs, DecodesWhatConvertWrites) {
    const Variant variants[] = {
        {"rgba.png", "PNG32:", 0},
        {"rgb.png", "-alpha off PNG24:", 0},
        {"palette.png", "PNG8:", 0},
        {"grey.png", "-alpha off -colorspace Gray -type Grayscale PNG:", 0},
        {"grey-alpha.png", "-colorspace Gray -type GrayscaleAlpha PNG:", 0},
        {"deep.png", "-depth 16 PNG64:", 0},
        {"interlaced.png", "-interlace PNG PNG32:", 0},
        {"colour.jpg", "-alpha off -quality 85", 2},
        {"grey.jpg", "-alpha off -colorspace Gray", 2},
        {"progressive.jpg", "-alpha off -interlace JPEG", 2},
        {"cmyk.jpg", "-alpha off -colorspace CMYK", 2},
        {"plain.gif", "-alpha off", 0},
        {"transparent.gif", "-channel A -threshold 50% +channel", 0},
        {"interlaced.gif", "-interlace GIF", 0},
        {"rgba.tiff", "-compress LZW", 0},
        {"rgb.tiff", "-alpha off -compress None", 0},
        {"grey.tiff", "-alpha off -colorspace Gray -compress Zip", 0},
        {"tiled.tiff", "-alpha off -define tiff:tile-geometry=8x8", 0},
        {"planar.tiff", "-alpha off -interlace Plane", 0},
        {"deep.tiff", "-alpha off -depth 16", 0},
        {"rgba-v5.bmp", "BMP:", 0},
        {"rgb.bmp", "-alpha off BMP3:", 0},
        {"mono.bmp", "-alpha off -monochrome BMP3:", 0},
        {"sixteen.bmp", "-alpha off -colors 16 -type Palette BMP3:", 0},
        {"palette.bmp", "-alpha off -colors 200 -type Palette BMP3:", 0},
        {"rle8.bmp", "-alpha off -colors 200 -type Palette -compress RLE BMP3:", 0},
        {"rgb565.bmp", "-alpha off -define bmp:subtype=RGB565 BMP:", 1},  // 5 and 6 bits widen by rounding
    };
    for (const Variant& v : variants) {
        const fs::path file = made(v.name, v.options);
        ASSERT_FALSE(file.empty()) << v.name;
        const Bytes expected = oracle(file);
        ASSERT_FALSE(expected.empty()) << v.name;
        const Decoded d = decode(read_file(file));
        ASSERT_TRUE(d.bitmap) << v.name;
        EXPECT_EQ(d.bitmap->width, W) << v.name;
        expect_pixels(*d.bitmap, expected, v.tolerance, v.name);
    }
}

TEST_F(ImageCodecs, DecodesWhatPythonWrites) {
    ASSERT_TRUE(ran_python);
    for (const char* name : {"py-grey-alpha-16.png", "py-palette-trns.png", "py-top-down.bmp", "py-rle4.bmp",
                             "py-rgb.tiff"}) {
        const Bytes file = read_file(dir / name);
        const Decoded d = decode(file);
        ASSERT_TRUE(d.bitmap) << name;
        expect_pixels(*d.bitmap, oracle(dir / name), 0, name);
    }
}

TEST_F(ImageCodecs, ConvertReadsWhatWeEncode) {
    Bytes bgra(source.size());
    for (u64 i = 0; i < source.size(); i += 4)
        bgra[i] = source[i + 2], bgra[i + 1] = source[i + 1], bgra[i + 2] = source[i], bgra[i + 3] = source[i + 3];
    // The source as GIF and JPEG can hold it: alpha cut at half, or dropped.
    Bytes cut = source, opaque = source;
    for (u64 i = 3; i < source.size(); i += 4) {
        cut[i] = source[i] < 128 ? 0 : 255;
        opaque[i] = 255;
    }
    const struct {
        Format format;
        const char* name;
        const Bytes* expected;
        int tolerance;
    } cases[] = {
        {Format::bmp, "ours.bmp", &source, 0},   {Format::png, "ours.png", &source, 0},
        {Format::tiff, "ours.tiff", &source, 0}, {Format::gif, "ours.gif", &cut, 0},
        {Format::jpeg, "ours.jpg", &opaque, 24},
    };
    for (const auto& c : cases) {
        const auto bytes = encode(bgra.data(), W, H, c.format);
        ASSERT_TRUE(bytes) << c.name;
        ASSERT_EQ(sniff(*bytes), c.format) << c.name;
        write_file(dir / c.name, *bytes);
        ASSERT_TRUE(run(std::string("/usr/bin/identify ") + (dir / c.name).string())) << c.name;
        const Bytes theirs = oracle(dir / c.name);
        const Decoded ours = decode(*bytes);
        ASSERT_TRUE(ours.bitmap) << c.name;
        EXPECT_EQ(ours.bitmap->width, W);
        EXPECT_EQ(ours.bitmap->height, H);
        // GIF's quantiser may merge close colours: both readers see the same indices.
        expect_pixels(*ours.bitmap, theirs, 0, std::string(c.name) + " read by both");
        if (c.format == Format::gif) continue;
        expect_pixels(*ours.bitmap, *c.expected, c.tolerance, std::string(c.name) + " against the source");
    }
    EXPECT_EQ(encode(bgra.data(), 0, 5, Format::png), Bytes{});
}

// Damaged files are refused, whatever the damage; none crashes or hangs.
TEST_F(ImageCodecs, RefusesDamagedFiles) {
    const fs::path png = made("damaged.png", "PNG32:"), gif = made("damaged.gif", "-alpha off"),
                   jpg = made("damaged.jpg", "-alpha off"), tiff = made("damaged.tiff", "-alpha off -compress LZW"),
                   bmp = made("damaged.bmp", "BMP:"),
                   rle = made("damaged-rle.bmp", "-alpha off -colors 200 -type Palette -compress RLE BMP3:");
    auto cut = [](Bytes b, std::size_t keep) {
        b.resize(std::min(keep, b.size()));
        return b;
    };
    auto poke = [](Bytes b, std::size_t at, u8 value) {
        if (at < b.size()) b[at] = value;
        return b;
    };
    auto put_be32 = [](Bytes b, std::size_t at, u32 v) {
        for (u32 k = 0; k < 4; ++k) b.at(at + k) = static_cast<u8>(v >> (24 - 8 * k));
        return b;
    };
    auto put_le32 = [](Bytes b, std::size_t at, u32 v) {
        for (u32 k = 0; k < 4; ++k) b.at(at + k) = static_cast<u8>(v >> (8 * k));
        return b;
    };
    const Bytes p = read_file(png), g = read_file(gif), j = read_file(jpg), t = read_file(tiff), b = read_file(bmp),
                r = read_file(rle);
    ASSERT_TRUE(!p.empty() && !g.empty() && !j.empty() && !t.empty() && !b.empty() && !r.empty());
    std::size_t idat = 8;
    while (idat + 8 < p.size() && std::string(&p[idat + 4], &p[idat + 8]) != "IDAT")
        idat += 12 + (u32(p[idat]) << 24 | u32(p[idat + 1]) << 16 | u32(p[idat + 2]) << 8 | p[idat + 3]);
    const struct {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"png truncated", cut(p, p.size() / 2)},
        {"png wrong crc", poke(p, idat + 10, p[idat + 10] ^ 0x40)},
        {"png huge width", put_be32(p, 16, 70000)},
        {"png 0x0", put_be32(put_be32(p, 16, 0), 20, 0)},
        {"gif truncated", cut(g, g.size() / 2)},
        {"gif bad lzw codes", poke(poke(g, g.size() - 20, 0xFF), g.size() - 21, 0xFF)},
        {"gif signature only", cut(g, 6)},
        {"jpeg truncated", cut(j, j.size() / 2)},
        {"jpeg header only", cut(j, 4)},
        {"tiff truncated", cut(t, 40)},
        {"tiff bad lzw codes", poke(poke(t, 20, 0xFF), 21, 0xFF)},
        {"bmp truncated", cut(b, b.size() - 10)},
        {"bmp huge width", put_le32(b, 18, 70000)},
        {"bmp huge area", put_le32(put_le32(b, 18, 60000), 22, 60000)},
        {"bmp 0x0", put_le32(put_le32(b, 18, 0), 22, 0)},
        {"bmp pixels past the end", put_le32(b, 10, 0x7FFFFFFF)},
        {"bmp rle rows past the image", put_le32(r, 22, 2)},
        {"bmp rle truncated", cut(r, r.size() - 2)},
        {"not an image", Bytes{'h', 'e', 'l', 'l', 'o'}},
        {"empty", Bytes{}},
    };
    for (const auto& c : cases) {
        const Decoded d = decode(c.bytes);
        EXPECT_FALSE(d.bitmap) << c.what;
        EXPECT_EQ(d.failure, Failure::bad_media) << c.what;
    }
}

// A directory whose next-directory offset points back at itself: the first image still
// reads, and nothing loops.
TEST_F(ImageCodecs, TiffDirectoryLoop) {
    ASSERT_TRUE(ran_python);
    Bytes t = read_file(dir / "py-rgb.tiff");
    const u32 entries = static_cast<u32>(t[8] | t[9] << 8);
    const std::size_t next = 8 + 2 + 12 * entries;
    t[next] = 8, t[next + 1] = t[next + 2] = t[next + 3] = 0;
    const Decoded d = decode(t);
    ASSERT_TRUE(d.bitmap);
    EXPECT_EQ(d.bitmap->width, 5u);
}

}  // namespace
