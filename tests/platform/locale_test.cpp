#include "platform/locale.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <regex>
#include <string>
#include <thread>

#ifndef _WIN32
#include <locale.h>
#endif

namespace keeper {
namespace {

// 8 December 2026, a Tuesday, at 13:05:07.250, and the same day at 00:00:00.250.
const double Afternoon = DateValueOf(2026, 12, 8) + TimeValueOf(13, 5, 7, 250);
const double JustAfterMidnight = DateValueOf(2026, 12, 8) + TimeValueOf(0, 0, 0, 250);

std::string Stamp(double value) {
    return DateTimeText("", value, LocaleSettings, LeadBytes, PlatformEraTexts());
}

// The local time now as the C library sees it, to the second.
double LibraryLocalTime() {
    const std::time_t now = std::time(nullptr);
    const std::tm local = *std::localtime(&now);
    return DateValueOf(static_cast<std::uint16_t>(local.tm_year + 1900),
                       static_cast<std::uint16_t>(local.tm_mon + 1),
                       static_cast<std::uint16_t>(local.tm_mday)) +
           TimeValueOf(static_cast<std::uint16_t>(local.tm_hour),
                       static_cast<std::uint16_t>(local.tm_min),
                       static_cast<std::uint16_t>(std::min(local.tm_sec, 59)), 0);
}

TEST(LocaleTest, ClockIsLocalTimeWithMilliseconds) {
    const double before = LibraryLocalTime();
    const double now = CurrentLocalDateTime();
    const double after = LibraryLocalTime();
    const double second = 1.0 / 86400;
    EXPECT_GE(now, before - 0.001 * second);
    EXPECT_LT(now, after + 1.001 * second);

    // Somewhere in a short run of readings a millisecond other than 0 turns up.
    bool milliseconds = false;
    for (int i = 0; i < 50 && !milliseconds; ++i) {
        milliseconds = SplitTime(CurrentLocalDateTime()).Millisecond != 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    EXPECT_TRUE(milliseconds);
}

#ifndef _WIN32

// Sets the locale variables for one test and puts everything back afterwards.
class PosixLocaleTest : public testing::Test {
protected:
    void SetUp() override {
        for (const char* name : Names) {
            const char* value = std::getenv(name);
            saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
        savedSettings_ = LocaleSettings;
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_) {
            if (value)
                setenv(name, value->c_str(), 1);
            else
                unsetenv(name);
        }
        LocaleSettings = savedSettings_;
    }

    static void UseLocale(const char* name) {
        unsetenv("LC_TIME");
        unsetenv("LANG");
        setenv("LC_ALL", name, 1);
        ReadLocaleDateTimeSettings();
    }

    static bool Installed(const char* name) {
        const locale_t locale = newlocale(LC_TIME_MASK, name, static_cast<locale_t>(nullptr));
        if (locale == nullptr) return false;
        freelocale(locale);
        return true;
    }

private:
    static constexpr const char* Names[] = {"LC_ALL", "LC_TIME", "LANG"};
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
    LocaleDateTimeSettings savedSettings_;
};

TEST_F(PosixLocaleTest, CLocale) {
    UseLocale("C");
    EXPECT_EQ(LocaleSettings.ShortDatePattern, "mm/dd/yy");
    EXPECT_EQ(LocaleSettings.LongTimePattern, "hh:nn:ss");
    EXPECT_EQ(LocaleSettings.ShortTimePattern, "hh:nn");
    EXPECT_EQ(LocaleSettings.PrimaryLanguage, 9u);
    EXPECT_EQ(LocaleSettings.SubLanguage, 1u);
    EXPECT_EQ(Stamp(Afternoon), "12/08/26 13:05:07");
    EXPECT_EQ(Stamp(JustAfterMidnight), "12/08/26");
    EXPECT_EQ(DateTimeText("dddd mmmm t AMPM", Afternoon, LocaleSettings, LeadBytes, {}),
              "Tuesday December 13:05 PM");
    EXPECT_TRUE(std::regex_match(Stamp(CurrentLocalDateTime()),
                                 std::regex(R"(\d\d/\d\d/\d\d( \d\d:\d\d:\d\d)?)")));
}

TEST_F(PosixLocaleTest, LocaleVariablesInTheirOrder) {
    if (!Installed("de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    // LC_ALL before LC_TIME before LANG.
    unsetenv("LC_ALL");
    setenv("LC_TIME", "de_DE.UTF-8", 1);
    setenv("LANG", "C", 1);
    ReadLocaleDateTimeSettings();
    EXPECT_EQ(Stamp(Afternoon), "08.12.2026 13:05:07");
    setenv("LC_ALL", "C", 1);
    ReadLocaleDateTimeSettings();
    EXPECT_EQ(Stamp(Afternoon), "12/08/26 13:05:07");
}

TEST_F(PosixLocaleTest, German) {
    if (!Installed("de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    UseLocale("de_DE.UTF-8");
    EXPECT_EQ(Stamp(Afternoon), "08.12.2026 13:05:07");
    EXPECT_EQ(Stamp(JustAfterMidnight), "08.12.2026");
    EXPECT_EQ(LocaleSettings.MonthFullNames[2], "März");
    EXPECT_EQ(LocaleSettings.MonthAbbreviations[9], "Okt");
    EXPECT_EQ(LocaleSettings.DayFullNames[0], "Sonntag");
    EXPECT_EQ(LocaleSettings.DayAbbreviations[2], "Di");
    EXPECT_EQ(LocaleSettings.AmDesignator, "");
    EXPECT_EQ(LocaleSettings.PmDesignator, "");
}

TEST_F(PosixLocaleTest, Japanese) {
    if (!Installed("ja_JP.UTF-8")) GTEST_SKIP() << "ja_JP.UTF-8 is not installed";
    UseLocale("ja_JP.UTF-8");
    EXPECT_EQ(Stamp(Afternoon), "2026年12月08日 13時05分07秒");
    EXPECT_EQ(LocaleSettings.ShortTimePattern, LocaleSettings.LongTimePattern);
    EXPECT_EQ(LocaleSettings.DayFullNames[2], "火曜日");
}

TEST_F(PosixLocaleTest, UnknownLocaleGivesTheDefaults) {
    UseLocale("xx_XX.no-such-locale");
    const LocaleDateTimeSettings defaults;
    EXPECT_EQ(LocaleSettings.ShortDatePattern, defaults.ShortDatePattern);
    EXPECT_EQ(LocaleSettings.LongTimePattern, defaults.LongTimePattern);
    EXPECT_EQ(LocaleSettings.MonthFullNames, defaults.MonthFullNames);
    EXPECT_EQ(LocaleSettings.DayAbbreviations, defaults.DayAbbreviations);
    EXPECT_EQ(Stamp(Afternoon), "12/8/26 1:05:07 pm");
}

TEST_F(PosixLocaleTest, NoEras) {
    const EraTexts era = PlatformEraTexts();
    ASSERT_TRUE(era.EraNameText && era.EraYearText);
    EXPECT_EQ(era.EraNameText(1, 2026, 12, 8), "");
    EXPECT_EQ(era.EraYearText(4, 2026, 12, 8), "");
    UseLocale("C");
    EXPECT_EQ(DateTimeText("g|ggg|e|ee|yy", Afternoon, LocaleSettings, LeadBytes, era), "||||26");
}

#else

TEST(WindowsLocaleTest, SettingsOfTheThreadLocale) {
    LocaleSettings = LocaleDateTimeSettings{};
    LocaleSettings.ShortDatePattern.clear();
    LocaleSettings.LongTimePattern.clear();
    ReadLocaleDateTimeSettings();
    EXPECT_FALSE(LocaleSettings.ShortDatePattern.empty());
    EXPECT_FALSE(LocaleSettings.LongDatePattern.empty());
    EXPECT_FALSE(LocaleSettings.ShortTimePattern.empty());
    EXPECT_FALSE(LocaleSettings.LongTimePattern.empty());
    for (const std::string& name : LocaleSettings.MonthFullNames)
        EXPECT_FALSE(name.empty());
    for (const std::string& name : LocaleSettings.DayAbbreviations)
        EXPECT_FALSE(name.empty());
    if (LocaleSettings.PrimaryLanguage != 9 || LocaleSettings.SubLanguage != 1) {
        GTEST_SKIP() << "the thread locale is not English (United States)";
    }
    EXPECT_EQ(LocaleSettings.DayFullNames[0], "Sunday");
    EXPECT_EQ(LocaleSettings.MonthAbbreviations[11], "Dec");
    EXPECT_EQ(Stamp(Afternoon), "12/8/2026 1:05:07 PM");
    EXPECT_EQ(Stamp(JustAfterMidnight), "12/8/2026");
    EXPECT_EQ(DateTimeText("t", Afternoon, LocaleSettings, LeadBytes, {}), "1:05 PM");
}

TEST(WindowsLocaleTest, EraYearOfTheGregorianCalendar) {
    ReadLocaleDateTimeSettings();
    if (LocaleSettings.PrimaryLanguage != 9) GTEST_SKIP() << "the thread locale is not English";
    // The Gregorian calendar's year within its era is the year; one digit drops a
    // leading zero.
    const EraTexts era = PlatformEraTexts();
    EXPECT_EQ(era.EraYearText(4, 2026, 12, 8), "2026");
    EXPECT_EQ(era.EraYearText(2, 2005, 3, 4), "05");
    EXPECT_EQ(era.EraYearText(1, 2005, 3, 4), "5");
    EXPECT_EQ(era.EraYearText(1, 2026, 3, 4), "26");
    EXPECT_EQ(era.EraNameText(1, 0, 0, 0), "");  // no such date
}

#endif

}  // namespace
}  // namespace keeper
