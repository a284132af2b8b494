#include <gtest/gtest.h>

#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/port.h"
#include "runtime/datatypes/standard.h"
#include "tests/unit/objects-fixture.h"

using namespace zel;

class PortTest : public ObjectsFixture {
protected:
    // Registers a scheme named `name` whose actor field holds `actor`.
    void add_scheme(std::string_view name, const Cell& actor) {
        const Cell scheme = make_object(
            block_of({sw("name"), lw(name), sw("title"), none_cell, sw("info"), none_cell, sw("actor"), actor}));
        block::append_value(*standard::refs.schemes, w(name));
        block::append_value(*standard::refs.schemes, scheme);
    }
    static Cell make_port(const Cell& spec) {
        Cell type = datatype::of(Type::port);
        return *registry().actions(Type::port).on_make(&type, &spec, Type::port);
    }
    static std::optional<ErrorId> make_fails(const Cell& spec) {
        return test::error_of([&] { make_port(spec); });
    }
    const ActionRow& actions = registry().actions(Type::port);
};

TEST_F(PortTest, MadeFromASchemeSpec) {
    const Cell actor = make_object(block_of({sw("close"), func_of({w("port")}, {})}));
    add_scheme("test", actor);
    const Cell port = make_port(block_of({sw("scheme"), lw("test"), sw("host"), string_of("h")}));
    EXPECT_EQ(port.type(), Type::port);
    EXPECT_EQ(port.w2, standard::class_id::port_value);
    EXPECT_EQ(symbol::name(field(port, "scheme").w2), "test");
    EXPECT_EQ(field(port, "actor").w1, actor.w1);
    EXPECT_EQ(field(field(port, "spec"), "host").type(), Type::string);
    EXPECT_EQ(mold(port).substr(0, 25), "make port! [\n    spec: ma");

    add_scheme("odd", i(1));
    EXPECT_EQ(make_fails(block_of({sw("scheme"), string_of("test")})), ErrorId::access_no_scheme);
    EXPECT_EQ(make_fails(block_of({sw("scheme"), lw("nowhere")})), ErrorId::access_unknown_scheme);
    EXPECT_EQ(make_fails(block_of({sw("scheme"), lw("odd")})), ErrorId::access_invalid_actor);
}

TEST_F(PortTest, ActionsForwardToTheActor) {
    const Cell actor = make_object(block_of({
        sw("append"), func_of({w("port"), w("value"), w("part?"), w("part"), w("only"), w("dup?"), w("dup")}, {}),
        sw("swap"), func_of({w("port"), w("other")}, {}),
        sw("close"), func_of({w("port"), w("extra")}, {}),
    }));
    add_scheme("test", actor);
    const Cell port = make_port(block_of({sw("scheme"), lw("test")}));
    call_result = i(99);

    Cell p = port;
    const Cell value = i(7);
    EXPECT_EQ(actions.on_append(&p, &value, -1, false, 1, true)->w2, 99u) << "the actor's answer is the result";
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].name, "append");
    const std::vector<Cell>& args = calls[0].args;
    ASSERT_EQ(args.size(), 7u);
    EXPECT_EQ(args[0].w1, port.w1);
    EXPECT_EQ(args[1].w2, 7u);
    for (u32 k : {2u, 5u}) EXPECT_EQ(args[k].type(), Type::logic) << "flag " << k;
    EXPECT_EQ(args[2].w1, 0u) << "a part of -1 is unused";
    EXPECT_EQ(args[3].type(), Type::none);
    EXPECT_EQ(args[5].w1, 0u) << "a duplication count of 1 is unused";
    EXPECT_EQ(args[6].type(), Type::none);

    p = port;
    Cell other = block_of({});
    actions.on_swap(&p, &other);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].name, "swap");
    EXPECT_EQ(calls[1].args[1].w2, other.w2);

    p = port;
    EXPECT_EQ(test::error_of([&] { actions.on_close(&p); }), ErrorId::access_no_port_action)
        << "an actor function of another arity is refused";
    p = port;
    try {
        actions.on_read(&p, ReadRefinements{});
        ADD_FAILURE() << "read without open";
    } catch (const ErrorThrow& e) {
        EXPECT_EQ(e.id, ErrorId::access_no_port_action);
        EXPECT_EQ(symbol::name(e.args[0].w2), "open");
    }
    EXPECT_EQ(calls.size(), 2u);
}

// read and write are open, insert (write only), copy and close on the port; /part gives
// the insertion's count and the copy's part, /seek sets open's seek flag.
TEST_F(PortTest, ReadAndWriteOpenTransferAndClose) {
    const Cell actor = make_object(block_of({
        sw("open"), func_of({w("port"), w("new"), w("read"), w("write"), w("seek"), w("allow")}, {}),
        sw("insert"), func_of({w("port"), w("value"), w("part?"), w("part"), w("only"), w("dup?"), w("dup")}, {}),
        sw("copy"), func_of({w("port"), w("part?"), w("part"), w("deep"), w("types?"), w("types")}, {}),
        sw("close"), func_of({w("port")}, {}),
    }));
    add_scheme("test", actor);
    const Cell port = make_port(block_of({sw("scheme"), lw("test")}));
    const auto flag = [](const Cell& c) { return c.is(Type::logic) && c.w1 != 0; };
    const Cell part = i(5);
    const Cell seek = i(2);
    const Cell data = string_of("abc");
    struct Case {
        const char* what;
        const Cell* part;
        const Cell* seek;
        bool write;
    };
    for (const Case& c : {Case{"read", nullptr, nullptr, false}, Case{"read/part/seek", &part, &seek, false},
                          Case{"write", nullptr, nullptr, true}, Case{"write/part/seek", &part, &seek, true}}) {
        calls.clear();
        Cell p = port;
        if (c.write) {
            WriteRefinements r;
            r.part = c.part;
            r.seek = c.seek;
            actions.on_write(&p, &data, r);
        } else {
            ReadRefinements r;
            r.part = c.part;
            r.seek = c.seek;
            actions.on_read(&p, r);
        }
        std::vector<std::string> names;
        for (const auto& call : calls) names.push_back(call.name);
        const std::vector<std::string> expected =
            c.write ? std::vector<std::string>{"open", "insert", "copy", "close"}
                    : std::vector<std::string>{"open", "copy", "close"};
        ASSERT_EQ(names, expected) << c.what;
        const std::vector<Cell>& open = calls[0].args;
        EXPECT_EQ(flag(open[3]), c.write) << c.what << ": the write flag";
        EXPECT_EQ(flag(open[4]), c.seek != nullptr) << c.what << ": the seek flag";
        if (c.write) {
            const std::vector<Cell>& insert = calls[1].args;
            EXPECT_EQ(insert[1].w2, data.w2) << c.what;
            EXPECT_EQ(flag(insert[2]), c.part != nullptr) << c.what << ": the insertion's part";
            EXPECT_EQ(insert[3].type(), c.part ? Type::integer : Type::none) << c.what;
            if (c.part) {
                EXPECT_EQ(insert[3].w2, 5u) << c.what;
            }
        }
        const std::vector<Cell>& copy = calls[names.size() - 2].args;
        EXPECT_EQ(flag(copy[1]), c.part != nullptr) << c.what << ": the copy's part";
        if (c.part) {
            EXPECT_EQ(copy[2].w2, 5u) << c.what;
        }
    }
}

TEST_F(PortTest, AHandleActorIsAcceptedButNotForwardedTo) {
    add_scheme("native", Cell{header_of(Type::handle), 0, 1, 0});
    const Cell port = make_port(block_of({sw("scheme"), lw("native")}));
    Cell p = port;
    EXPECT_EQ(test::error_of([&] { actions.on_head(&p); }), ErrorId::access_invalid_port);
}
