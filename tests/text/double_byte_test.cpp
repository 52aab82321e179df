#include "text/double_byte.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "support/shift_jis.h"

namespace keeper {
namespace {

using namespace std::string_view_literals;

struct RangesCase {
    const char* name;
    std::uint8_t ranges[12];
    std::vector<int> in;
    std::vector<int> out;
};

TEST(LeadByteSetFromRangesTest, ReadsPairsUntilTheFirstZeroPair) {
    const RangesCase cases[] = {
        {"shift-jis",
         {0x81, 0x9F, 0xE0, 0xFC},
         {0x81, 0x90, 0x9F, 0xE0, 0xFC},
         {0x00, 0x5C, 0x80, 0xA0, 0xDF, 0xFD, 0xFF}},
        {"stops at zero pair", {0x81, 0x81, 0, 0, 0xA0, 0xA0}, {0x81}, {0xA0}},
        {"reversed pair adds nothing", {0x90, 0x80, 0xA0, 0xA0}, {0xA0}, {0x80, 0x85, 0x90}},
        {"range up to 0xFF", {0xF0, 0xFF}, {0xF0, 0xFF}, {0xEF, 0x00}},
        {"all six pairs",
         {1, 1, 3, 3, 5, 5, 7, 7, 9, 9, 0xB0, 0xB1},
         {1, 9, 0xB0, 0xB1},
         {2, 10, 0xB2}},
        {"none", {}, {}, {0x00, 0x81, 0xFF}},
    };
    for (const RangesCase& c : cases) {
        const LeadByteSet set = LeadByteSetFromRanges(c.ranges);
        for (const int value : c.in) {
            EXPECT_TRUE(set.Has(static_cast<std::uint8_t>(value))) << c.name << " " << value;
        }
        for (const int value : c.out) {
            EXPECT_FALSE(set.Has(static_cast<std::uint8_t>(value))) << c.name << " " << value;
        }
        EXPECT_EQ(set.Empty(), c.in.empty()) << c.name;
    }
}

struct KindCase {
    std::string_view text;
    std::size_t pos;
    ByteKind shiftJis;  // with the Shift-JIS lead bytes
    ByteKind plain;     // with an empty set
};

TEST(ByteKindAtTest, CountsTheLeadBytesBeforeThePosition) {
    constexpr auto S = ByteKind::Single, L = ByteKind::Lead, T = ByteKind::Trail;
    const KindCase cases[] = {
        {"a\x81\\"sv, 1, S, S},
        {"a\x81\\"sv, 2, L, S},
        {"a\x81\\"sv, 3, T, S},
        {"\x81\\"sv, 2, T, S},
        {"\x81\x81\\"sv, 2, T, S},  // a lead-range value can be a trail byte
        {"\x81\x81\\"sv, 3, S, S},
        {"\x81\x81\x81\\"sv, 4, T, S},
        {"\\\x81\x81\x81\\"sv, 5, T, S},
        {"\x81"sv, 1, L, S},
        {"\x81\0"sv, 2, S, S},  // a NUL byte is never a trail byte
        {"\x81\x40\x82"sv, 3, L, S},
        {"abc"sv, 0, S, S},  // outside the text
        {"abc"sv, 4, S, S},
        {""sv, 1, S, S},
    };
    const LeadByteSet shiftJis = ShiftJisLeadBytes();
    for (const KindCase& c : cases) {
        EXPECT_EQ(ByteKindAt(c.text, c.pos, shiftJis), c.shiftJis) << c.pos << " " << c.text;
        EXPECT_EQ(ByteKindAt(c.text, c.pos, LeadByteSet{}), c.plain) << c.pos << " " << c.text;
    }
}

}  // namespace
}  // namespace keeper
