#include "text/profile_lookup.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "support/utf16.h"

namespace keeper {
namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;

// The rules of Linux's reader beyond what tests/platform/profile_test.cpp checks on both
// targets: values of UTF-16 and UTF-8 files come out as UTF-8, byte for byte.

TEST(ProfileLookupTest, ValuesOfEveryEncodingComeOutAsUtf8) {
    const struct {
        std::string Contents;
        std::string_view Value;
    } cases[] = {
        {Utf16Le(u"[Settings]\r\nKey=caf\u00E9 \u8868\r\n"), "caf\xC3\xA9 \xE8\xA1\xA8"},
        {Utf16Le(u"[Settings]\r\nKey=a\U0001F600b\r\n"),
         "a\xF0\x9F\x98\x80"
         "b"},
        {Utf16Le(u"[Settings]\r\nKey=a\xD800"
                 u"b\xDC00\r\n"),
         "a\xEF\xBF\xBD"
         "b\xEF\xBF\xBD"},
        // Only ASCII blanks are trimmed: no-break and ideographic spaces stay.
        {Utf16Le(u"[Settings]\r\nKey=\u00A0v\u3000\r\n"), "\xC2\xA0v\xE3\x80\x80"},
        // An odd final byte is no code unit.
        {Utf16Le(u"[Settings]\r\nKey=vw") + "x", "vw"},
        // Big-endian with its mark.
        {"\xFE\xFF\0[\0S\0e\0t\0t\0i\0n\0g\0s\0]\0\n\0K\0e\0y\0=\0\xE9"s, "\xC3\xA9"},
        // Bytes that are not UTF-8 are kept, with or without the UTF-8 mark.
        {"\xEF\xBB\xBF[Settings]\r\nKey=a\xFF"
         "b\xC3\r\n",
         "a\xFF"
         "b\xC3"},
        {"[Settings]\r\nKey=\xE9\x80\r\n", "\xE9\x80"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LookUpProfileString(c.Contents, "Settings", "Key", 16384), c.Value)
            << ::testing::PrintToString(c.Contents);
}

TEST(ProfileLookupTest, ValueIsCutToTheBufferBetweenCharacters) {
    const std::string e(20000, 'e');
    std::string accents;
    for (int i = 0; i < 10000; ++i)
        accents += "\xC3\xA9";
    const struct {
        std::string Contents;
        std::size_t BufferSize;
        std::string Value;
    } cases[] = {
        {"[Settings]\nKey=" + e + "\n", 16384, e.substr(0, 16383)},
        {"[Settings]\nKey=" + accents + "\n", 16384, accents.substr(0, 16382)},
        {"[Settings]\nKey=x" + accents + "\n", 16384, "x" + accents.substr(0, 16382)},
        {Utf16Le(u"[Settings]\r\nKey=" + std::u16string(20000, u'\u00E9')), 16384,
         accents.substr(0, 16382)},
        // A quoted value that fills the buffer exactly is kept whole (Wine's
        // GetPrivateProfileStringA drops its last character).
        {"[Settings]\nKey=\"" + e.substr(0, 16383) + "\"\n", 16384, e.substr(0, 16383)},
        {"[Settings]\nKey=\"abc\"\n", 4, "abc"},
        {"[Settings]\nKey=\"abc\"\n", 3, "ab"},
        {"[Settings]\nKey=abc\n", 1, ""},
        {"[Settings]\nKey=abc\n", 0, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LookUpProfileString(c.Contents, "Settings", "Key", c.BufferSize), c.Value)
            << c.Contents.substr(0, 40) << " in " << c.BufferSize;
}

TEST(ProfileLookupTest, KeyNamesAndSectionLinesComeInFileOrder) {
    const std::string contents =
        "[Other]\r\nX=1\r\n[settings]\r\n; a comment\r\n\r\n a = 1 \r\nB\r\nq=\"v\"\r\na=2\r\n"
        "=e\r\n[Settings]\r\nlater=1\r\n";
    std::vector<std::string> outline;  // line: name, sections in brackets
    for (const ProfileItem& item : ProfileOutline(contents))
        outline.push_back(std::to_string(item.Line) + ":" +
                          (item.IsSection ? "[" + item.Name + "]" : item.Name));
    EXPECT_EQ(outline,
              (std::vector<std::string>{"1:[Other]", "2:X", "3:[settings]", "6:a", "7:B", "8:q",
                                        "9:a", "10:", "11:[Settings]", "12:later"}));
    EXPECT_EQ(ProfileSectionLines(contents, "SETTINGS"),
              (std::vector<std::string>{"a=1", "B", "q=\"v\"", "a=2", "=e"}));
    EXPECT_TRUE(ProfileSectionLines(contents, "Missing").empty());
    EXPECT_EQ(ProfileSectionLines(Utf16Le(u"[E]\r\nA=\u00E9\r\n"), "E"),
              (std::vector<std::string>{"A=\xC3\xA9"}));
}

}  // namespace
}  // namespace keeper
