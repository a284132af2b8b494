// A fresh memory manager for each test: nothing is left from the previous one.
#pragma once
#include <gtest/gtest.h>

#include "runtime/memory/memory.h"

class MemoryFixture : public ::testing::Test {
protected:
    void SetUp() override { zel::memory::init(); }
    void TearDown() override { zel::memory::release_all(); }
};
