#include "platform/process_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#ifdef _WIN32
#include <windows.h>
#else
#include <locale.h>
#include <clocale>
#include <cstdlib>
#endif

namespace keeper {
namespace {

#ifndef _WIN32

/// Runs the test with the character type of the locale `name`, as if keeper had been
/// started with LC_ALL=name, and puts back the one before.
class CharacterType {
public:
    explicit CharacterType(const char* name) {
        if (const char* all = std::getenv("LC_ALL")) savedAll_ = all;
        savedType_ = std::setlocale(LC_CTYPE, nullptr);
        Start(name);
    }
    ~CharacterType() {
        Start(savedType_.c_str());
        if (savedAll_)
            setenv("LC_ALL", savedAll_->c_str(), 1);
        else
            unsetenv("LC_ALL");
    }
    static bool Installed(const char* name) {
        const locale_t locale = newlocale(LC_CTYPE_MASK, name, locale_t{});
        if (locale != nullptr) freelocale(locale);
        return locale != nullptr;
    }

private:
    static void Start(const char* name) {
        setenv("LC_ALL", name, 1);
        char program[] = "keeper_tests";
        char* argv[] = {program, nullptr};
        InitProcessText(1, argv);
    }
    std::optional<std::string> savedAll_;
    std::string savedType_;
};

struct CaseRow {
    std::string_view Text, Upper;
};

TEST(UpperCaseCopyTest, LettersOfAUtf8LocaleThatKeepTheirLength) {
    if (!CharacterType::Installed("de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    const CharacterType german("de_DE.UTF-8");
    const CaseRow rows[] = {
        {"keeper-demo.bin", "KEEPER-DEMO.BIN"},
        {"caf\xC3\xA9", "CAF\xC3\x89"},                            // é => É
        {"m\xC3\xBF", "M\xC5\xB8"},                                // ÿ => Ÿ, another lead byte
        {"\xD0\xB6\xCE\xB1", "\xD0\x96\xCE\x91"},                  // Cyrillic ж, Greek α
        {"\xEF\xBD\x81\xE2\x93\x90", "\xEF\xBC\xA1\xE2\x92\xB6"},  // fullwidth a, circled a
        {"\xF0\x90\x90\xA8", "\xF0\x90\x90\x80"},                  // Deseret, four bytes
        // Upper cases of another length: the letter stays.
        {"stra\xC3\x9F"
         "e",
         "STRA\xC3\x9F"
         "E"},                             // ß
        {"\xC4\xB1x", "\xC4\xB1X"},        // dotless ı => I
        {"\xC5\xBFx", "\xC5\xBFX"},        // long ſ => S
        {"\xC9\x90", "\xC9\x90"},          // ɐ => Ɐ, three bytes
        {"\xE2\xB1\xA5", "\xE2\xB1\xA5"},  // ⱥ => Ⱥ, two bytes
        // Bytes that are not UTF-8 stay, and do not swallow the letters after them.
        {"a\xFF"
         "b",
         "A\xFF"
         "B"},
        {"a\x80"
         "b",
         "A\x80"
         "B"},
        {"\xC3"
         "a",
         "\xC3"
         "A"},                   // cut short by a letter
        {"caf\xC3", "CAF\xC3"},  // cut short by the end
        {"\xE2\x93", "\xE2\x93"},
        {"\xC3\xA9\xC3", "\xC3\x89\xC3"},
        {"\xC1\xA9", "\xC1\xA9"},                  // overlong i: not I
        {"\xE0\x83\xA9", "\xE0\x83\xA9"},          // overlong é
        {"\xF0\x8F\xBF\xBF", "\xF0\x8F\xBF\xBF"},  // overlong U+FFFF
        {"\xED\xA0\x80"
         "a",
         "\xED\xA0\x80"
         "A"},                                     // surrogate
        {"\xF4\x90\x80\x80", "\xF4\x90\x80\x80"},  // above U+10FFFF
        {"", ""},
    };
    for (const CaseRow& row : rows) {
        const std::string upper = UpperCaseCopy(row.Text);
        EXPECT_EQ(upper, row.Upper) << ::testing::PrintToString(std::string(row.Text));
        EXPECT_TRUE(SameTextIgnoreCase(row.Text, row.Upper))
            << ::testing::PrintToString(std::string(row.Text));
    }
}

TEST(UpperCaseCopyTest, OnlyAsciiInTheCLocale) {
    const CharacterType c("C");
    EXPECT_EQ(UpperCaseCopy("caf\xC3\xA9 \xD0\xB6"), "CAF\xC3\xA9 \xD0\xB6");
    EXPECT_FALSE(SameTextIgnoreCase("caf\xC3\xA9", "CAF\xC3\x89"));
    EXPECT_TRUE(SameTextIgnoreCase("caf\xC3\xA9", "CAF\xC3\xA9"));
}

TEST(SameTextIgnoreCaseTest, ComparesTheUpperCasesInAUtf8Locale) {
    if (!CharacterType::Installed("de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    const CharacterType german("de_DE.UTF-8");
    const struct {
        std::string_view A, B;
        bool Same;
    } rows[] = {
        {"KEEPER-DEMO", "keeper-demo", true},
        {"caf\xC3\xA9", "CAF\xC3\x89", true},
        {"CAF\xC3\x89", "caf\xC3\xA9", true},
        {"caf\xC3\xA9", "CAFE", false},
        {"caf\xC3\xA9", "cafe\xCC\x81", false},  // é against e and a combining accent
        {"\xC3\xA9x", "\xC3\x89y", false},       // ASCII differs after a letter
        {"abc", "abd", false},
        {"ab\xFF", "AB\xFF", true},
        {"ab\xFF", "AB\xFE", false},
        {"stra\xC3\x9F"
         "e",
         "STRASSE", false},
        {"\xC4\xB1", "I\x01", false},
        {"", "", true},
        {"a", "", false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(SameTextIgnoreCase(row.A, row.B), row.Same)
            << ::testing::PrintToString(std::string(row.A)) << " "
            << ::testing::PrintToString(std::string(row.B));
}

#else

TEST(UpperCaseCopyTest, LettersOfTheAnsiCodePage) {
    if (GetACP() != 1252) GTEST_SKIP() << "the ANSI code page is not 1252";
    EXPECT_EQ(UpperCaseCopy("caf\xE9"), "CAF\xC9");
    EXPECT_TRUE(SameTextIgnoreCase("caf\xE9", "CAF\xC9"));
    EXPECT_FALSE(SameTextIgnoreCase("caf\xE9", "CAFE"));
}

#endif

}  // namespace
}  // namespace keeper
