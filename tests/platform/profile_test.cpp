#include "platform/profile.h"
#include "text/profile_lookup.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "support/utf16.h"

namespace keeper {
namespace {

using namespace std::string_literals;

// One table of settings files, read through the platform: GetPrivateProfileStringA in the
// Windows build, Linux's own reader otherwise. Every row holds on both targets.

std::string Utf16Be(std::u16string_view text) {
    std::string bytes = "\xFE\xFF";
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit >> 8);
        bytes += static_cast<char>(unit & 0xFF);
    }
    return bytes;
}

/// A fresh directory for the files of one test, removed with it.
class SettingsFiles : public ::testing::Test {
protected:
    void SetUp() override {
        const auto base = std::filesystem::temp_directory_path();
        for (int attempt = 0; dir_.empty() && attempt < 100; ++attempt) {
            const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
            const auto candidate = base / ("keeper-profile-" + std::to_string(stamp));
            if (std::filesystem::create_directory(candidate)) dir_ = candidate;
        }
        ASSERT_FALSE(dir_.empty());
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    /// The value read from a file of these bytes; each call writes a file of its own name,
    /// so that no cached reading of an earlier one answers.
    std::string Read(const std::string& contents, const char* section, const char* key) {
        const std::string file = (dir_ / ("s" + std::to_string(files_++) + ".cfg")).string();
        std::ofstream(file, std::ios::binary) << contents;
        const Profile profile = OpenProfile(file);
        EXPECT_EQ(profile.Error, 0u);
        std::string value = ReadProfileString(profile, section, key, 16384);
        // Questions asked of one opened file answer alike, the same one again included.
        EXPECT_EQ(ReadProfileString(profile, section, "KeyNoRowHas", 16384), "");
        EXPECT_EQ(ReadProfileString(profile, section, key, 16384), value);
        return value;
    }

    std::filesystem::path dir_;
    int files_ = 0;
};

struct Row {
    std::string Contents;
    std::string Value;
    const char* Key = "Key";
    const char* Section = "Settings";
};

TEST_F(SettingsFiles, ReadAsGetPrivateProfileStringReadsThem) {
    const std::string x(20000, 'x');
    const std::string s = "[Settings]\r\n";
    const Row rows[] = {
        // clang-format off
        {s + "ApplicationName=C:\\a\\b.exe\r\n", "C:\\a\\b.exe", "ApplicationName"},
        {"[settings]\r\napplicationname = spaced value \r\n", "spaced value", "ApplicationName"},
        {"[SETTINGS]\r\nKEY=v\r\n", "v"},
        // Blank, tab, VT, FF and Ctrl-Z are trimmed around names and values; nothing else.
        {"  [  Settings  ]  \r\n  Key  =  v  w  \r\n", "v  w"},
        {"\x1A[\x1ASettings\t]\x0B\r\n\x0BKey\x0C=\x1A\t v \t\x1A\x0C\r\n", "v"},
        {s + "Key=\x01v\x1F\x7F\r\n", "\x01v\x1F\x7F"},
        {s + "Key=\xA0v\x85\r\n", "\xA0v\x85"},
        {s + "\x1CKey=v\r\n", ""},
        {"[\x01Settings]\r\nKey=v\r\n", ""},
        {s + "Key=a\x01\x1A" "b\r\n", "a\x01\x1A" "b"},
        // Quotes: a matching pair around the value goes.
        {s + "Key=\"a b\"\r\n", "a b"},
        {s + "Key='a b'\r\n", "a b"},
        {s + "Key= \" a \" \r\n", " a "},
        {s + "Key=\"a\"b\"\r\n", "a\"b"},
        {s + "Key=\"\"\r\n", ""},
        {s + "Key=\"\"\"\r\n", "\""},
        {s + "Key=\"a b'\r\n", "\"a b'"},
        {s + "Key=\"\r\n", "\""},
        {s + "Key=\"abc\r\n", "\"abc"},
        // No comments: a line starting with ; or # is a key of that name, text after ; is
        // part of the value.
        {s + ";Key=v\r\nKey=w\r\n", "w"},
        {s + " ;Key=v\r\n", "v", ";Key"},
        {s + "#Key=v\r\n", ""},
        {s + "Key=v ;comment\r\n", "v ;comment"},
        {";[Settings]\r\nKey=v\r\n", ""},
        // The first line of the name wins, with or without =.
        {s + "Key=first\r\nKey=second\r\n", "first"},
        {s + "Key=\r\nKey=second\r\n", ""},
        {s + "Key\r\nKey=v\r\n", ""},
        {s + "Key=a=b\r\n", "a=b"},
        {s + "=v\r\nKey=w\r\n", "w"},
        {s + "Ke y=v\r\n", ""},
        {s + "KeyX=1\r\nKe=2\r\n", ""},
        // Sections: only the first of the name counts; nothing before the first one.
        {"Key=before\r\n[Settings]\r\n", ""},
        {"Key=before\r\n[Settings]\r\nKey=mine\r\n", "mine"},
        {"[Other]\r\nKey=other\r\n[Settings]\r\nKey=mine\r\n", "mine"},
        {s + "Other=1\r\n[Settings]\r\nKey=later\r\n", ""},
        {"[Settings]\r\n[Other]\r\nKey=o\r\n[settings]\r\nKey=later\r\n", ""},
        {s + "[]\r\nKey=v\r\n", ""},
        {"[Settings] trailing\r\nKey=v\r\n", "v"},
        {"[Set]tings]\r\nKey=v\r\n", "v", "Key", "Set]tings"},
        {"[Other]\r\n[Settings\r\nKey=v\r\n", ""},
        {s + "[Other\r\nKey=v\r\n", "v"},
        // Line ends: CR LF, LF, CR; the last line needs none.
        {"[Settings]\rOther=1\rKey=cr\r", "cr"},
        {"[Settings]\nKey=lf", "lf"},
        {"[Settings]\r\r\nKey=v\r\r\n", "v"},
        {"[Settings]\n\rKey=v\n\r", "v"},
        {s + "Key=a\rb\r\n", "a"},
        {s + "Key=v", "v"},
        {"[Settings]", ""},
        {"", ""},
        // A NUL byte ends a name or a value; the trimming happened before.
        {s + "Key=a\0b\r\n"s, "a"},
        {s + "Ke\0y=v\r\n"s, "v", "Ke"},
        {s + "Key\0junk=v\r\n"s, "v"},
        {s + "Key \0=v\r\n"s, ""},
        {s + "\0Key=v\r\n"s, ""},
        {"[Sett\0ings]\r\nKey=v\r\n"s, "v", "Key", "Sett"},
        {"[Settings \0]\r\nKey=v\r\n"s, ""},
        {"\0[Settings]\r\nKey=v\r\n"s, ""},
        {s + "Key=v \0\r\n"s, "v "},
        {s + "Key=\"a\"\0x\r\n"s, "a"},
        {s + "Key=\"a\0\"\r\n"s, "\"a"},
        // Cut to the 16384-byte buffer: 16383 bytes.
        {s + "Key=" + x.substr(0, 16383) + "\r\n", x.substr(0, 16383)},
        {s + "Key=" + x.substr(0, 16384) + "\r\n", x.substr(0, 16383)},
        {s + "Key=" + x + "\r\n", x.substr(0, 16383)},
        {s + "Key=\"" + x.substr(0, 16382) + "\"\r\n", x.substr(0, 16382)},
        {s + "Key=\"" + x.substr(0, 16384) + "\"\r\n", x.substr(0, 16383)},
        {s + "Other=" + x + x + x + x + "\r\nKey=w\r\n", "w"},
        // Encodings: a UTF-8 mark is skipped, once; UTF-16 with its mark is read.
        {"\xEF\xBB\xBF" + s + "Key=v\r\n", "v"},
        {"\xEF\xBB\xBF\xEF\xBB\xBF" + s + "Key=v\r\n", ""},
        {" \xEF\xBB\xBF" + s + "Key=v\r\n", ""},
        {s + "\xEF\xBB\xBFKey=v\r\n", ""},
        {"\xEF\xBB\xBF", ""},
        {s + "Key=caf\xC3\xA9\r\n", "caf\xC3\xA9"},  // no mark: the bytes as they are
        {Utf16Le(u"[Settings]\r\nKey=v\r\n"), "v"},
        {Utf16Le(u"[SETTINGS]\nkey = \"a b\" \n"), "a b"},
        {Utf16Le(u"[Settings]\rKey=\x1A\x0Bv w\x0C\t\r"), "v w"},
        {Utf16Le(u"[Settings]\r\nKey=v"), "v"},
        {Utf16Le(u"[Settings]\r\nKey=a\0b\r\n"s), "a"},
        {Utf16Le(u"[Settings]\r\nKey=v\r\n") + "x", "v"},
        {Utf16Le(u"\uFEFF[Settings]\r\nKey=v\r\n"), ""},
        {Utf16Le(u"[Settings]\r\nKey=" + std::u16string(20000, u'x')), x.substr(0, 16383)},
        {Utf16Be(u"[Settings]\r\nKey=v\r\n"), "v"},
        {"\xFF\xFE", ""},
        {"[\0S\0e\0t\0t\0i\0n\0g\0s\0]\0\r\0\n\0K\0e\0y\0=\0v\0\r\0\n\0"s, ""},  // no mark
        // clang-format on
    };
    for (const Row& row : rows)
        EXPECT_EQ(Read(row.Contents, row.Section, row.Key), row.Value)
            << ::testing::PrintToString(row.Contents.substr(0, 80)) << " " << row.Key;
}

TEST_F(SettingsFiles, ValuesOfUnicodeFilesInTheCodePage) {
    // What differs is only the code page the value comes out in: UTF-8 on Linux, the
    // ANSI code page (1252 here) on Windows, where a character it lacks becomes "?".
#ifdef _WIN32
    if (GetACP() != 1252) GTEST_SKIP() << "the ANSI code page is not 1252";
    const bool onLinux = false;
#else
    const bool onLinux = true;
#endif
    const struct {
        std::string Contents;
        std::string Linux, Windows;
    } rows[] = {
        {"\xEF\xBB\xBF[Settings]\r\nKey=caf\xC3\xA9\r\n", "caf\xC3\xA9", "caf\xE9"},
        {Utf16Le(u"[Settings]\r\nKey=caf\u00E9\r\n"), "caf\xC3\xA9", "caf\xE9"},
        {Utf16Le(u"[Settings]\r\nKey=\u8868x\r\n"), "\xE8\xA1\xA8x", "?x"},
        {Utf16Le(u"[Settings]\r\nKey=a\xD800"
                 u"b\r\n"),
         "a\xEF\xBF\xBD"
         "b",
         "a?b"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Read(row.Contents, "Settings", "Key"), onLinux ? row.Linux : row.Windows)
            << ::testing::PrintToString(row.Contents);
}

TEST_F(SettingsFiles, SectionsAndKeysComeInFileOrderAsOftenAsTheyAre) {
    const std::string file = (dir_ / "names.cfg").string();
    std::ofstream(file, std::ios::binary)
        << "[Settings]\r\nA=1\r\n; comment\r\n\r\n b = 2\r\nA=3\r\n"
           "[ Other ]\r\n; note\r\nX=1\r\n[settings]\r\nD=4\r\n";
    const Profile profile = OpenProfile(file);
    std::vector<std::string> names;  // sections in brackets
    for (const ProfileItem& item : ProfileOutline(profile.Contents))
        names.push_back(item.IsSection ? "[" + item.Name + "]" : item.Name);
    EXPECT_EQ(names, (std::vector<std::string>{"[Settings]", "A", "b", "A", "[Other]", "X",
                                               "[settings]", "D"}));
    EXPECT_EQ(ReadProfileSection(profile, "Other"), std::vector<std::string>{"X=1"});
    EXPECT_EQ(ReadProfileString(profile, "Settings", "D", 100), "");  // the first section counts
}

TEST_F(SettingsFiles, AFileThatCannotBeReadSaysWhy) {
    const Profile missing = OpenProfile((dir_ / "missing.cfg").string());
    EXPECT_NE(missing.Error, 0u);
    EXPECT_EQ(ReadProfileString(missing, "Settings", "Key", 100), "");
    EXPECT_TRUE(missing.Contents.empty());
    EXPECT_NE(OpenProfile(dir_.string()).Error, 0u);  // a directory
}

}  // namespace
}  // namespace keeper
