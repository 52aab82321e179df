#include "text/paths.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <tuple>

#include "support/shift_jis.h"

namespace keeper {
namespace {

// The rules a case is read with; 0x95 and 0x81 are Shift-JIS lead bytes, and 0x5C after one
// is the second half of a character, not a backslash.
enum Rules { Windows, WindowsSjis, Posix };

const PathStyle& StyleOf(Rules r) { return r == Posix ? PosixPaths : WindowsPaths; }
LeadByteSet LeadOf(Rules r) { return r == WindowsSjis ? ShiftJisLeadBytes() : LeadByteSet{}; }

TEST(PathsTest, SplitsAtTheLastPathDelimiter) {
    // Rules, path, directory part, file-name part.
    const std::tuple<Rules, std::string, std::string, std::string> cases[] = {
        {Windows, R"(C:\a\b.exe)", R"(C:\a\)", "b.exe"},
        {Windows, "C:keeper.log", "C:", "keeper.log"},
        {Windows, "dir/sub/keeper.exe", "", "dir/sub/keeper.exe"},
        {Windows, R"(C:\dir\)", R"(C:\dir\)", ""},
        {WindowsSjis, "C:\\dir\\\x95\\", "C:\\dir\\", "\x95\\"},
        {Windows, "C:\\dir\\\x95\\", "C:\\dir\\\x95\\", ""},
        {WindowsSjis, "C:\\\x81\x81\\x", "C:\\\x81\x81\\", "x"},
        {WindowsSjis, "C:\\a\\\x95\\\x95\\", "C:\\a\\", "\x95\\\x95\\"},
        {Posix, "/usr/bin/keeper", "/usr/bin/", "keeper"},
        {Posix, R"(C:\a\b)", "", R"(C:\a\b)"}};
    for (const auto& [rules, path, directory, fileName] : cases) {
        EXPECT_EQ(DirectoryPart(path, StyleOf(rules), LeadOf(rules)), directory) << rules << path;
        EXPECT_EQ(FileNamePart(path, StyleOf(rules), LeadOf(rules)), fileName) << rules << path;
    }
}

TEST(PathsTest, TheRotatedNameHasOneBeforeTheExtension) {
    // Rules, path, rotated name.
    const std::tuple<Rules, std::string, std::string> cases[] = {
        {Windows, "keeper.log", "keeper.1.log"},
        {Windows, R"(C:\logs\app)", R"(C:\logs\app.1)"},
        {Windows, R"(C:\my.dir\app)", R"(C:\my.dir\app.1)"},
        {Windows, "a.b.log", "a.b.1.log"},
        {Windows, "keeper.", "keeper.1."},
        {Windows, ".log", ".1.log"},
        {Windows, "C:.log", "C:.1.log"},
        {Windows, "my.dir/keeper", "my.1.dir/keeper"},  // the slash is an ordinary byte
        {WindowsSjis, "C:\\a.b\x95\\", "C:\\a.1.b\x95\\"},
        {Posix, "/var/log/keeper.log", "/var/log/keeper.1.log"},
        {Posix, "/var/my.dir/keeper", "/var/my.dir/keeper.1"},
        {Posix, R"(C:\logs\app.log)", R"(C:\logs\app.1.log)"}};
    for (const auto& [rules, path, rotated] : cases)
        EXPECT_EQ(RotatedName(path, StyleOf(rules), LeadOf(rules)), rotated) << rules << path;
}

TEST(PathsTest, ReplacesTheExtensionAfterTheLastFullStop) {
    // Rules, path, extension, result.
    const std::tuple<Rules, std::string, std::string, std::string> cases[] = {
        {Windows, R"(C:\my.dir\keeper)", ".log", R"(C:\my.dir\keeper.log)"},
        {Windows, "keeper.", ".log", "keeper.log"},
        {Windows, ".cfg", ".log", ".log"},
        {Windows, "a.b.c", ".log", "a.b.log"},
        {Windows, "keeper.exe", "", "keeper"},
        {Windows, "C:.d", ".log", "C:.log"},
        {Windows, "a.b:c", ".log", "a.b:c.log"},
        {Windows, R"(C:\dir.d\)", ".log", R"(C:\dir.d\.log)"},
        {Windows, "my.dir/keeper", ".log", "my.log"},  // the slash is an ordinary byte
        {WindowsSjis, "C:\\a.b\x95\\", ".log", "C:\\a.log"},
        {Windows, "C:\\a.b\x95\\", ".log", "C:\\a.b\x95\\.log"},
        {Posix, "/etc/my.d/keeper", ".log", "/etc/my.d/keeper.log"},
        {Posix, "/home/u/.cfg", ".log", "/home/u/.log"},
        {Posix, "a.b:c", ".log", "a.log"},
        {Posix, R"(my.dir\keeper)", ".log", "my.log"}};
    for (const auto& [rules, path, extension, expected] : cases) {
        EXPECT_EQ(ReplaceExtension(path, extension, StyleOf(rules), LeadOf(rules)), expected)
            << rules << path << " + " << extension;
    }
}

TEST(PathsTest, EndsWithExactlyOneSeparatorAndFindsTheRightmostDelimiter) {
    const std::tuple<Rules, std::string, std::string> cases[] = {
        {Windows, R"(C:\)", R"(C:\)"},
        {Windows, "C:", R"(C:\)"},
        {Windows, "", R"(\)"},
        {Windows, "C:/dir/", R"(C:/dir/\)"},
        {WindowsSjis, "C:\\\x95\\", "C:\\\x95\\\\"},
        {WindowsSjis, "C:\\\x95\x95\\", "C:\\\x95\x95\\"},
        {Windows, "C:\\\x95\\", "C:\\\x95\\"},
        {Posix, "/usr/", "/usr/"},
        {Posix, R"(C:\)", R"(C:\/)"}};
    for (const auto& [rules, text, expected] : cases) {
        EXPECT_EQ(WithTrailingDelimiter(text, StyleOf(rules), LeadOf(rules)), expected)
            << rules << text;
    }
    LeadByteSet backslashLead;  // lets a lead byte itself be a delimiter
    backslashLead.AddRange(0x5C, 0x5C);
    // Delimiters, text, lead bytes, 1-based position.
    const std::tuple<std::string_view, std::string_view, LeadByteSet, std::size_t> delimiters[] = {
        {"\\:", "C:a", ShiftJisLeadBytes(), 2},
        {"\\:", "\\\x95\\", ShiftJisLeadBytes(), 1},
        {std::string_view("\0", 1), std::string_view("a\0b", 3), {}, 0},  // NUL never counts
        // Both bytes of a character are passed over
        {"\\", "\\\\", backslashLead, 0},
        {"\\", "\\\\\\", backslashLead, 3}};
    for (const auto& [set, text, lead, expected] : delimiters) {
        EXPECT_EQ(RightmostDelimiter(set, text, lead), expected) << text;
    }
}

TEST(PathsTest, RelativePathsStartFromADirectoryOfTheirOwn) {
    const std::tuple<Rules, std::string, bool> cases[] = {
        {Windows, R"(out.log)", true},    {Windows, R"(logs\out.log)", true},
        {Windows, R"(..\out.log)", true}, {Windows, R"(C:\out.log)", false},
        {Windows, R"(\out.log)", false},  {Windows, "/out.log", false},
        {Windows, "C:out.log", false},    {Windows, R"(\\server\share\x)", false},
        {Posix, "out.log", true},         {Posix, "logs/out.log", true},
        {Posix, "/var/log/x", false},     {Posix, "C:x", true},
    };
    for (const auto& [rules, path, relative] : cases)
        EXPECT_EQ(IsRelativePath(path, StyleOf(rules)), relative) << rules << path;
}

}  // namespace
}  // namespace keeper
