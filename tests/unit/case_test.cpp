#include <gtest/gtest.h>

#include "runtime/text/case-mapping.h"

using namespace zel;
using namespace zel::unicode;

namespace {

struct CasePair {
    u32 cp;
    u32 upper;
    u32 lower;
};

// Expected mappings cross-checked against python3's str.upper/str.lower where those give a
// single code point.
const CasePair case_rows[] = {
    {'a', 'A', 'a'},        {'Z', 'Z', 'z'},        {'1', '1', '1'},
    {0x00E9, 0x00C9, 0x00E9},  // Latin é
    {0x00FF, 0x0178, 0x00FF},  // ÿ leaves Latin-1 when upper-cased
    {0x01C5, 0x01C4, 0x01C6},  // titlecase Dž has both
    {0x0130, 0x0130, 0x0069},  // İ lowers to a plain i
    {0x017F, 0x0053, 0x017F},  // long s
    {0x03B1, 0x0391, 0x03B1},  // Greek alpha
    {0x03C2, 0x03A3, 0x03C2},  // final sigma
    {0x0416, 0x0416, 0x0436},  // Cyrillic Zhe
    {0x0561, 0x0531, 0x0561},  // Armenian ayb
    {0x10D0, 0x1C90, 0x10D0},  // Georgian Mkhedruli an -> Mtavruli
    {0x10A0, 0x10A0, 0x2D00},  // Georgian Asomtavruli -> Nuskhuri
    {0x13A0, 0x13A0, 0xAB70},  // Cherokee
    {0x1E9E, 0x1E9E, 0x00DF},  // capital sharp s
    {0x4E00, 0x4E00, 0x4E00},  // no case
    {0x10428, 0x10400, 0x10428}, {0x10400, 0x10400, 0x10428},  // Deseret
    {0x1E922, 0x1E900, 0x1E922}, {0x1E943, 0x1E921, 0x1E943},  // Adlam, both ends
    {0x1E921, 0x1E921, 0x1E943},
    {0x10FFFF, 0x10FFFF, 0x10FFFF}, {0x110000, 0x110000, 0x110000},
    // Characters whose only upper case is several letters keep their case instead of
    // losing letters: ß, ŉ, ǰ, ΐ, the ff ligature.
    {0x00DF, 0x00DF, 0x00DF}, {0x0149, 0x0149, 0x0149}, {0x01F0, 0x01F0, 0x01F0},
    {0x0390, 0x0390, 0x0390}, {0xFB00, 0xFB00, 0xFB00},
};

TEST(CaseMapping, UpperAndLowerAcrossScripts) {
    for (const CasePair& row : case_rows) {
        SCOPED_TRACE(testing::Message() << std::hex << "U+" << row.cp);
        EXPECT_EQ(to_upper(row.cp), row.upper);
        EXPECT_EQ(to_lower(row.cp), row.lower);
        EXPECT_EQ(change_case_char(row.cp, CaseDirection::upper), row.upper);
        EXPECT_EQ(change_case_char(row.cp, CaseDirection::lower), row.lower);
    }
}

TEST(CaseMapping, FoldMatchesCaseInsensitiveEquality) {
    EXPECT_EQ(fold('s'), fold('S'));
    EXPECT_EQ(fold(0x017F), fold('s'));         // long s compares equal to s
    EXPECT_EQ(fold(0x03C2), fold(0x03C3));      // both sigmas
    EXPECT_EQ(fold(0x1E943), fold(0x1E921));
    EXPECT_NE(fold(0x00DF), fold('s'));         // ß is not an s
    EXPECT_NE(fold('a'), fold('b'));
}

TEST(CaseMapping, EveryCodePointMapsIntoRange) {
    for (u32 cp = 0; cp <= 0x10FFFF; ++cp) {
        u32 up = to_upper(cp), low = to_lower(cp);
        ASSERT_LE(up, 0x10FFFFu) << cp;
        ASSERT_LE(low, 0x10FFFFu) << cp;
        // Upper- and lower-casing a cased letter again changes nothing more.
        ASSERT_EQ(to_upper(up), up) << cp;
        ASSERT_EQ(to_lower(low), low) << cp;
    }
}

}  // namespace
