#include "text/paths.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace keeper {
namespace {

struct Rules {
    const PathStyle* style;
    bool shiftJis;
    const char* name;
};

const Rules Windows{&WindowsPaths, false, "windows"};
const Rules WindowsSjis{&WindowsPaths, true, "windows/sjis"};
const Rules Posix{&PosixPaths, false, "posix"};

LeadByteSet LeadOf(const Rules& rules)
{
    return rules.shiftJis ? ShiftJisLeadBytes() : LeadByteSet{};
}

struct SplitCase {
    Rules rules;
    std::string path;
    std::string directory;
    std::string fileName;
};

TEST(PathsTest, SplitsAtTheLastPathDelimiter)
{
    const SplitCase cases[] = {
        {Windows, R"(C:\a\b.exe)", R"(C:\a\)", "b.exe"},
        {Windows, "C:keeper.log", "C:", "keeper.log"},
        {Windows, R"(\\server\share)", R"(\\server\)", "share"},
        {Windows, "dir/sub/keeper.exe", "", "dir/sub/keeper.exe"},
        {Windows, R"(C:\dir\)", R"(C:\dir\)", ""},
        {Windows, "", "", ""},
        // 0x5C after a lead byte is the second half of a character, not a backslash
        {WindowsSjis, "C:\\dir\\\x95\\", "C:\\dir\\", "\x95\\"},
        {Windows, "C:\\dir\\\x95\\", "C:\\dir\\\x95\\", ""},
        {WindowsSjis, "\x95\\", "", "\x95\\"},
        {WindowsSjis, "C:\\\x81\x81\\x", "C:\\\x81\x81\\", "x"},
        {WindowsSjis, "C:\\a\\\x95\\\x95\\", "C:\\a\\", "\x95\\\x95\\"},
        {Posix, "/usr/bin/keeper", "/usr/bin/", "keeper"},
        {Posix, "/", "/", ""},
        {Posix, R"(C:\a\b)", "", R"(C:\a\b)"},
        {Posix, "keeper", "", "keeper"},
    };
    for (const SplitCase& c : cases) {
        const LeadByteSet lead = LeadOf(c.rules);
        EXPECT_EQ(DirectoryPart(c.path, *c.rules.style, lead), c.directory)
            << c.rules.name << " " << c.path;
        EXPECT_EQ(FileNamePart(c.path, *c.rules.style, lead), c.fileName)
            << c.rules.name << " " << c.path;
    }
}

struct ExtensionCase {
    Rules rules;
    std::string path;
    std::string extension;
    std::string expected;
};

TEST(PathsTest, ReplacesTheExtensionAfterTheLastFullStop)
{
    const ExtensionCase cases[] = {
        {Windows, R"(C:\my.dir\keeper)", ".log", R"(C:\my.dir\keeper.log)"},
        {Windows, R"(C:\dir\keeper.exe)", ".cfg", R"(C:\dir\keeper.cfg)"},
        {Windows, "keeper.", ".log", "keeper.log"},
        {Windows, ".cfg", ".log", ".log"},
        {Windows, "a.b.c", ".log", "a.b.log"},
        {Windows, "keeper.exe", "", "keeper"},
        {Windows, "keeper", "", "keeper"},
        {Windows, "", ".log", ".log"},
        {Windows, "C:.d", ".log", "C:.log"},
        {Windows, "a.b:c", ".log", "a.b:c.log"},
        {Windows, R"(C:\dir.d\)", ".log", R"(C:\dir.d\.log)"},
        {Windows, "my.dir/keeper", ".log", "my.log"},  // the slash is an ordinary byte
        {WindowsSjis, "C:\\a.b\x95\\", ".log", "C:\\a.log"},
        {Windows, "C:\\a.b\x95\\", ".log", "C:\\a.b\x95\\.log"},
        {Posix, "/etc/my.d/keeper", ".log", "/etc/my.d/keeper.log"},
        {Posix, "/home/u/.cfg", ".log", "/home/u/.log"},
        {Posix, "/opt/keeper.bin", "", "/opt/keeper"},
        {Posix, "a.b:c", ".log", "a.log"},
        {Posix, R"(my.dir\keeper)", ".log", "my.log"},
    };
    for (const ExtensionCase& c : cases) {
        EXPECT_EQ(ReplaceExtension(c.path, c.extension, *c.rules.style, LeadOf(c.rules)),
                  c.expected)
            << c.rules.name << " " << c.path << " + " << c.extension;
    }
}

struct TrailingCase {
    Rules rules;
    std::string text;
    std::string expected;
};

TEST(PathsTest, EndsWithExactlyOneSeparator)
{
    const TrailingCase cases[] = {
        {Windows, R"(C:\)", R"(C:\)"},
        {Windows, "C:", R"(C:\)"},
        {Windows, "", R"(\)"},
        {Windows, R"(C:\dir)", R"(C:\dir\)"},
        {Windows, "C:/dir/", R"(C:/dir/\)"},
        {Windows, R"(\\)", R"(\\)"},
        {WindowsSjis, "C:\\\x95\\", "C:\\\x95\\\\"},
        {WindowsSjis, "C:\\\x95\x95\\", "C:\\\x95\x95\\"},
        {Windows, "C:\\\x95\\", "C:\\\x95\\"},
        {Posix, "/usr/", "/usr/"},
        {Posix, "/usr", "/usr/"},
        {Posix, "", "/"},
        {Posix, R"(C:\)", R"(C:\/)"},
    };
    for (const TrailingCase& c : cases) {
        EXPECT_EQ(WithTrailingDelimiter(c.text, *c.rules.style, LeadOf(c.rules)), c.expected)
            << c.rules.name << " " << c.text;
    }
}

struct DelimiterCase {
    std::string_view set;
    std::string_view text;
    LeadByteSet lead;
    std::size_t expected;
};

TEST(PathsTest, RightmostDelimiterGivesOneBasedPositions)
{
    LeadByteSet backslashLead;  // lets a lead byte itself be a delimiter
    backslashLead.AddRange(0x5C, 0x5C);
    const DelimiterCase cases[] = {
        {"\\:", "C:a", ShiftJisLeadBytes(), 2},
        {"\\:", "\\\x95\\", ShiftJisLeadBytes(), 1},
        {std::string_view("\0", 1), std::string_view("a\0b", 3), {}, 0},  // NUL never counts
        // Both bytes of a character are passed over
        {"\\", "\\\\", backslashLead, 0},
        {"\\", "\\\\\\", backslashLead, 3},
    };
    for (const DelimiterCase& c : cases) {
        EXPECT_EQ(RightmostDelimiter(c.set, c.text, c.lead), c.expected) << c.text;
    }
}

}  // namespace
}  // namespace keeper
