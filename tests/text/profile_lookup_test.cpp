#include "text/profile_lookup.h"

#include <gtest/gtest.h>

namespace keeper {
namespace {

TEST(ProfileLookup, FindsValuesLikeGetPrivateProfileString) {
    const struct {
        const char* Contents;
        const char* Key;
        const char* Value;
    } cases[] = {
        {"[Settings]\nApplicationName=C:\\a\\b.exe\n", "ApplicationName", "C:\\a\\b.exe"},
        {"[settings]\r\napplicationname = spaced value \r\n", "ApplicationName", "spaced value"},
        {"[ Settings ]\nKey=v", "Key", "v"},              // no line end at the end
        {"\xEF\xBB\xBF[Settings]\nKey=v\n", "Key", "v"},  // byte-order mark
        {"[Settings]\nKey=\"a b\"\n", "Key", "a b"},      // quotes stripped
        {"[Settings]\nKey='a b'\n", "Key", "a b"},
        {"[Settings]\nKey=\"a b'\n", "Key", "\"a b'"},  // unmatched: kept
        {"[Settings]\nKey=\"\n", "Key", "\""},
        {"[Settings]\nKey=first\nKey=second\n", "Key", "first"},  // first match wins
        {"[Other]\nKey=other\n[Settings]\nKey=mine\n", "Key", "mine"},
        {"Key=before\n[Settings]\n", "Key", ""},                      // outside any section
        {"[Settings]\nOther=1\n[Settings]\nKey=later\n", "Key", ""},  // first section only
        {"[Settings]\nKey\n", "Key", ""},                             // a key without =
        {"[Settings]\nKeyX=1\nKe=2\n", "Key", ""},
        {"[Settings]\nKey=a=b\n", "Key", "a=b"},
        {"[Settings]\rKey=cr\r", "Key", "cr"},  // bare CR ends lines
        {"[Settings]\nKey=a\0b\n", "Key", "a"},
        {"", "Key", ""},
        {"[Settings\nKey=v\n", "Key", ""},  // no closing bracket
    };
    for (const auto& c : cases)
        EXPECT_EQ(LookUpProfileString(c.Contents, "Settings", c.Key, 16384), c.Value)
            << ::testing::PrintToString(std::string(c.Contents));
}

TEST(ProfileLookup, ValueIsCutToTheBuffer) {
    const std::string contents = "[Settings]\nKey=" + std::string(20000, 'x') + "\n";
    EXPECT_EQ(LookUpProfileString(contents, "Settings", "Key", 16384).size(), 16383u);
    EXPECT_EQ(LookUpProfileString(contents, "Settings", "Key", 1), "");
}

}  // namespace
}  // namespace keeper
