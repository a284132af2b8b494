// The library loaded from its boot image defines the same global words, with values that
// mold alike, as the library loaded from its source text.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "boot/library.h"
#include "boot/runtime.h"
#include "runtime/core/cell-views.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/names/context.h"
#include "runtime/names/symbol.h"

namespace zel {
namespace {

// Every global word that has a value, as "name: mold", sorted and named in lower case: the
// order in which the two paths meet the names differs (the image interns all of them before
// anything runs), and the global context keeps each case variant it meets as a word of its
// own sharing one value slot, so one path may list `comment` and `Comment` where the other
// lists `comment` alone.
std::vector<std::string> global_words() {
    std::vector<std::string> words;
    for (u32 i = 0, n = context::word_count(context::global); i < n; ++i) {
        const Cell word = *context::word_at(context::global, i);
        const Cell value = *context::value_cell(word, context::global);
        if (value.is(Type::unset)) continue;
        Output out;
        mold_value(value, out, MoldFlags{}, nullptr, -1, 0);
        std::string name(symbol::name(as_word(word).symbol));
        std::transform(name.begin(), name.end(), name.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; });
        words.push_back(name + ": " + out.utf8());
    }
    std::sort(words.begin(), words.end());
    words.erase(std::unique(words.begin(), words.end()), words.end());
    return words;
}

std::vector<std::string> words_after(bool from_image) {
    runtime::init();
    if (from_image) library::load_image(library::image);
    else library::load(library::sources, library::source_count);
    std::vector<std::string> words = global_words();
    runtime::shutdown();
    return words;
}

TEST(BootImage, DefinesWhatTheSourceTextDefines) {
    const std::vector<std::string> text = words_after(false);
    const std::vector<std::string> image = words_after(true);
    EXPECT_GT(text.size(), 200u);
    EXPECT_EQ(text, image);
}

// A broken image ends the process with the image's message and a failure status.
TEST(BootImageDeathTest, ABrokenImageEndsTheProcess) {
    static const u8 not_zelbin[] = "ZELBAN\x02\x01\x01\x01\x80";
    static const u8 corrupt[] = "ZELBIN\x02\x03\xFF\xFF\xFF\xFF\x00\x00\x00\x00";
    const auto load = [](const u8* data, u32 size) {
        runtime::init();
        library::load_image(library::Image{data, size});
    };
    EXPECT_EXIT(load(not_zelbin, sizeof not_zelbin - 1), testing::ExitedWithCode(1), "Error: Not a Zelbin file!");
    EXPECT_EXIT(load(corrupt, sizeof corrupt - 1), testing::ExitedWithCode(1), "Error: Zelbin compressed data corrupted!");
}

}  // namespace
}  // namespace zel
