#include "text/utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace keeper {
namespace {

using namespace std::string_view_literals;

TEST(Utf8SequenceAtTest, AcceptsOnlyWellFormedShortestForms) {
    const struct {
        std::string_view Text;
        std::size_t Length;
        char32_t Code;  // when Length is not 0
    } cases[] = {
        {"A", 1, U'A'},
        {"\0"sv, 1, 0},
        {"\xC3\xA9", 2, U'é'},
        {"\xDF\xBF", 2, 0x7FF},
        {"\xE0\xA0\x80", 3, 0x800},
        {"\xEF\xBD\x81", 3, U'ａ'},
        {"\xED\x9F\xBF", 3, 0xD7FF},
        {"\xF0\x90\x90\xA8", 4, 0x10428},
        {"\xF4\x8F\xBF\xBF", 4, 0x10FFFF},
        {"\xC3\xA9x", 2, U'é'},  // what follows is not part of it
        // Not a sequence: stray continuation bytes and bytes that never start one.
        {"\x80", 0, 0},
        {"\xBF", 0, 0},
        {"\xF5\x80\x80\x80", 0, 0},
        {"\xFF", 0, 0},
        // Overlong forms.
        {"\xC0\xAF", 0, 0},
        {"\xC1\xA9", 0, 0},
        {"\xE0\x83\xA9", 0, 0},
        {"\xF0\x8F\xBF\xBF", 0, 0},
        // Surrogates and values above U+10FFFF.
        {"\xED\xA0\x80", 0, 0},
        {"\xED\xBF\xBF", 0, 0},
        {"\xF4\x90\x80\x80", 0, 0},
        // Cut short by the end, or by a byte that does not continue it.
        {"\xC3", 0, 0},
        {"\xE2\x93", 0, 0},
        {"\xF0\x90\x90", 0, 0},
        {"\xC3"
         "A",
         0, 0},
        {"\xE2\x93"
         "A",
         0, 0},
        {"\xF0\x90\xC3\xA9", 0, 0},
    };
    for (const auto& c : cases) {
        char32_t code = 0xFFFFFFFF;
        EXPECT_EQ(Utf8SequenceAt(c.Text, 0, code), c.Length)
            << ::testing::PrintToString(std::string(c.Text));
        if (c.Length != 0) {
            EXPECT_EQ(code, c.Code) << ::testing::PrintToString(std::string(c.Text));
        }
    }
    char32_t code = 0;
    EXPECT_EQ(Utf8SequenceAt("ab", 2, code), 0u);  // at the end
}

TEST(Utf8FromUtf16Test, ConvertsBothByteOrdersAndReplacesLoneSurrogates) {
    const struct {
        std::string_view Units;
        bool BigEndian;
        std::string_view Utf8;
    } cases[] = {
        {"a\0\xE9\0"sv, false, "a\xC3\xA9"},
        {"\0a\0\xE9"sv, true, "a\xC3\xA9"},
        {"\x68\x88"sv, false, "\xE8\xA1\xA8"},              // U+8868
        {"\x3D\xD8\x00\xDE"sv, false, "\xF0\x9F\x98\x80"},  // a pair: U+1F600
        {"\xD8\x3D\xDE\x00"sv, true, "\xF0\x9F\x98\x80"},
        {"\x3D\xD8"
         "b\0"sv,
         false,
         "\xEF\xBF\xBD"
         "b"},  // high surrogate alone
        {"\x00\xDE"
         "b\0"sv,
         false,
         "\xEF\xBF\xBD"
         "b"},  // low surrogate alone
        {"\x3D\xD8\x3D\xD8\x00\xDE"sv, false, "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
        {"a\0\x3D\xD8"sv, false, "a\xEF\xBF\xBD"},  // high surrogate at the end
        {"a\0\0\0b\0"sv, false, "a\0b"sv},          // U+0000 stays a NUL
        {"a\0b"sv, false, "a"},                     // odd final byte
        {"", false, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Utf8FromUtf16(c.Units, c.BigEndian), c.Utf8)
            << ::testing::PrintToString(std::string(c.Units));
}

TEST(Utf8CutLengthTest, NeverSplitsACharacter) {
    const struct {
        std::string_view Text;
        std::size_t Limit, Length;
    } cases[] = {
        {"abc", 5, 3},
        {"abc", 2, 2},
        {"a\xC3\xA9", 2, 1},
        {"a\xC3\xA9", 3, 3},
        {"a\xE2\x93\x90", 2, 1},
        {"a\xE2\x93\x90", 3, 1},
        {"a\xF0\x90\x90\xA8", 4, 1},
        {"a\xF0\x90\x90\xA8"
         "b",
         5, 5},
        {"\xC3\xA9\xC3\xA9", 3, 2},
        {"a\xC3"
         "A",
         2, 2},  // not a sequence: a byte of its own
        {"a\x80\x80\x80\x80", 3, 3},
        {"\xC3\xA9", 0, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Utf8CutLength(c.Text, c.Limit), c.Length)
            << ::testing::PrintToString(std::string(c.Text)) << " at " << c.Limit;
}

}  // namespace
}  // namespace keeper
