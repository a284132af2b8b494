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
#include "runtime/core/hooks.h"
#include "runtime/datatypes/function.h"
#include "runtime/datatypes/object.h"
#include "runtime/datatypes/standard.h"
#include "runtime/datatypes/series.h"
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

// Every value reachable from the global words through object fields, by path: its type;
// for an object its class id and field names; for a function its header flags and whether
// its body is library code; for a series whether it is owned by an object field.
struct Shapes {
    std::map<std::string, std::string> shapes;
    std::set<Node> seen;

    void walk(const std::string& path, const Cell& value, u32 depth) {
        std::string shape = "type " + std::to_string(static_cast<u32>(value.type()));
        if (value.is(Type::function)) {
            const Cell body = *function::record_cell(value, function::record::body);
            shape += " flags " + std::to_string(value.header & ~cellflag::type_mask & ~cellflag::new_line);
            if (body.is(Type::block))
                shape += (node::buffer(as_series(body).node)->flags & bufferflag::library_code) ? " library" : " user";
        } else if (series::any_block(value.type()) || series::any_string(value.type()) || value.is(Type::binary)) {
            shape += (node::buffer(as_series(value).node)->flags & bufferflag::owned) ? " owned" : "";
        }
        if (value.is(Type::object) && as_object(value).context != context::global) {
            shape += " class " + std::to_string(as_object(value).class_id);
            const Node ctx = as_object(value).context;
            for (u32 i = 0; i < context::word_count(ctx); ++i) shape += " " + lower(symbol::name(as_word(*context::word_at(ctx, i)).symbol));
            if (depth < 16 && seen.insert(ctx).second)
                for (u32 i = 0; i < context::word_count(ctx); ++i) {
                    const Cell word = *context::word_at(ctx, i);
                    walk(path + "/" + lower(symbol::name(as_word(word).symbol)), *context::value_cell(word, ctx), depth + 1);
                }
        }
        shapes[path] = shape;
    }
};

const Cell* field_named(const Cell& obj, std::string_view name) {
    if (!obj.is(Type::object)) return nullptr;
    const Node ctx = as_object(obj).context;
    for (u32 i = 0; i < context::word_count(ctx); ++i) {
        const Cell word = *context::word_at(ctx, i);
        if (lower(symbol::name(as_word(word).symbol)) == name) return context::value_cell(word, ctx);
    }
    return nullptr;
}

// What the runtime holds once the library is in: the last class id taken, the `system` it
// reads its settings from, the error catalogue it shares with `system`, the routine
// constructor and the boot routines gone.
std::string runtime_state() {
    std::string state = "class " + std::to_string(object::last_class_id());
    const Cell* catalog = standard::system_value({standard::Field::system_catalog});
    const Cell* errors = catalog ? field_named(*catalog, "errors") : nullptr;
    state += errors && errors->is(Type::object) && as_object(*errors).context == as_object(*standard::refs.errors).context
                 ? " shared-catalogue"
                 : " own-catalogue";
    state += hooks::make_routine ? " constructor-open" : " constructor-closed";
    state += function::making_library ? " making-library" : "";
    Cell routine;
    context::global_value(symbol::intern("runtime-value"), routine);
    state += routine.is(Type::unset) ? " runtime-value unset" : " runtime-value set";
    return state;
}

struct Loaded {
    std::vector<std::string> words;
    std::map<std::string, std::string> functions;
    std::vector<Node> bodies;  // one per function
    std::map<std::string, std::string> shapes;
    std::string state;
};

Loaded load_library(bool from_image) {
    runtime::init();
    if (from_image) library::load_image(library::image);
    else library::load(library::sources, library::source_count);
    Loaded loaded{global_words(), {}, {}, {}, {}};
    Bindings bindings;
    for (u32 i = 0, n = context::word_count(context::global); i < n; ++i) {
        const Cell word = *context::word_at(context::global, i);
        bindings.walk_value(lower(symbol::name(as_word(word).symbol)), *context::value_cell(word, context::global));
    }
    loaded.functions = std::move(bindings.functions);
    for (const auto& [record, body] : bindings.bodies) loaded.bodies.push_back(body);
    Shapes shapes;
    for (u32 i = 0, n = context::word_count(context::global); i < n; ++i) {
        const Cell word = *context::word_at(context::global, i);
        shapes.walk(lower(symbol::name(as_word(word).symbol)), *context::value_cell(word, context::global), 0);
    }
    loaded.shapes = std::move(shapes.shapes);
    loaded.state = runtime_state();
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

// Beyond what molds alike: every value's type, every object's class id and fields, every
// function's flags and library body, and what the runtime keeps of the library.
TEST(BootImage, LeavesTheStateTheSourceTextLeaves) {
    const Loaded text = load_library(false);
    const Loaded image = load_library(true);
    EXPECT_GT(text.shapes.size(), 1000u);
    for (const auto& [path, shape] : text.shapes) {
        const auto found = image.shapes.find(path);
        ASSERT_NE(found, image.shapes.end()) << path;
        EXPECT_EQ(shape, found->second) << path;
    }
    for (const auto& [path, shape] : image.shapes) EXPECT_TRUE(text.shapes.count(path)) << path;
    EXPECT_EQ(text.state, image.state);
    EXPECT_NE(text.state.find("shared-catalogue constructor-closed runtime-value unset"), std::string::npos) << text.state;
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
