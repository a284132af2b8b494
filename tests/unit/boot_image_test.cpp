// The library loaded from its boot image defines the same global words, with values that
// mold alike, as the library loaded from its source text; its functions' bodies bind their
// words alike, and no two functions share a body.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "boot/library.h"
#include "boot/runtime.h"
#include "runtime/core/cell-views.h"
#include "runtime/datatypes/function.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/memory/node.h"
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

std::string lower(std::string_view name) {
    std::string s(name);
    std::transform(s.begin(), s.end(), s.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; });
    return s;
}

// The functions the library left in global words and, below them, in object fields, each
// named by its path, with every word of its body (blocks, parens and paths, deep) and where
// it is bound: in the function, globally, in an object or another function, or nowhere.
struct Bindings {
    std::map<std::string, std::string> functions;
    std::map<Node, Node> bodies;  // the body of each function met, by its record
    std::set<Node> seen;       // contexts of the objects walked

    void walk_block(Node block, Node own, std::string& out, u32 depth) {
        if (depth > 64) return;
        Buffer* b = node::buffer(block);
        for (u32 i = 0, n = b->cell_count(); i < n; ++i) {
            const Cell c = reinterpret_cast<const Cell*>(node::buffer(block)->head_ptr())[i];
            const Type t = c.type();
            if (t >= Type::block && t <= Type::paren) {
                out += "[";
                walk_block(as_series(c).node, own, out, depth + 1);
                out += "]";
            } else if (t >= Type::word && t <= Type::refinement) {
                const Node ctx = as_word(c).context;
                const char* where = ctx == 0                 ? "-"
                                    : ctx == own             ? "f"
                                    : ctx == context::global ? "g"
                                                             : context::kind_of(ctx) == context::kind::function ? "F" : "o";
                out += lower(symbol::name(as_word(c).symbol)) + "@" + where + " ";
            }
        }
    }

    void walk_value(const std::string& path, const Cell& value) {
        if (value.is(Type::function)) {
            const Cell body = *function::record_cell(value, function::record::body);
            bodies[as_callable(value).record] = as_series(body).node;
            std::string out;
            walk_block(as_series(body).node, as_object(value).context, out, 0);
            functions[path] = out;
        } else if (value.is(Type::object) && seen.insert(as_object(value).context).second) {
            const Node ctx = as_object(value).context;
            for (u32 i = 0; i < context::word_count(ctx); ++i) {
                const Cell word = *context::word_at(ctx, i);
                walk_value(path + "/" + lower(symbol::name(as_word(word).symbol)), *context::value_cell(word, ctx));
            }
        }
    }
};

struct Loaded {
    std::vector<std::string> words;
    std::map<std::string, std::string> functions;
    std::vector<Node> bodies;  // one per function
};

Loaded load_library(bool from_image) {
    runtime::init();
    if (from_image) library::load_image(library::image);
    else library::load(library::sources, library::source_count);
    Loaded loaded{global_words(), {}, {}};
    Bindings bindings;
    for (u32 i = 0, n = context::word_count(context::global); i < n; ++i) {
        const Cell word = *context::word_at(context::global, i);
        bindings.walk_value(lower(symbol::name(as_word(word).symbol)), *context::value_cell(word, context::global));
    }
    loaded.functions = std::move(bindings.functions);
    for (const auto& [record, body] : bindings.bodies) loaded.bodies.push_back(body);
    runtime::shutdown();
    return loaded;
}

TEST(BootImage, DefinesWhatTheSourceTextDefines) {
    const Loaded text = load_library(false);
    const Loaded image = load_library(true);
    EXPECT_GT(text.words.size(), 200u);
    EXPECT_EQ(text.words, image.words);
    EXPECT_GT(text.functions.size(), 200u);
    for (const auto& [path, words] : text.functions) {
        const auto found = image.functions.find(path);
        ASSERT_NE(found, image.functions.end()) << path;
        EXPECT_EQ(words, found->second) << path;
    }
    EXPECT_EQ(text.functions.size(), image.functions.size());
}

// Each function holds a body of its own, whichever path made it.
TEST(BootImage, NoTwoFunctionsShareABody) {
    for (const bool from_image : {false, true}) {
        Loaded loaded = load_library(from_image);
        std::sort(loaded.bodies.begin(), loaded.bodies.end());
        const auto repeated = std::adjacent_find(loaded.bodies.begin(), loaded.bodies.end());
        EXPECT_EQ(repeated, loaded.bodies.end()) << (from_image ? "image" : "text");
    }
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
