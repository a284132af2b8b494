// A runtime started afresh for each test as far as the fixture's stage (the memory manager
// alone unless a derived fixture asks for more) and shut down after it: nothing is left
// from the previous test.
#pragma once
#include <gtest/gtest.h>

#include "boot/runtime.h"

class MemoryFixture : public ::testing::Test {
protected:
    explicit MemoryFixture(zel::runtime::Stage stage = zel::runtime::Stage::memory) : stage_(stage) {}
    void SetUp() override { zel::runtime::init(stage_); }
    void TearDown() override { zel::runtime::shutdown(); }

private:
    zel::runtime::Stage stage_;
};
