#include "log/time_stamp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
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

/// The local date and time now, which the clock always gives inside the calendar here.
double Now() {
    const Result<DateTimeValue> now = CurrentLocalDateTime();
    EXPECT_EQ(now.Error, 0u);
    return now.Value;
}

// 8 December 2026, a Tuesday, at 13:05:07.250, and the same day at 00:00:00.250.
const double Afternoon = DateValueOf(2026, 12, 8) + TimeValueOf(13, 5, 7, 250);
const double JustAfterMidnight = DateValueOf(2026, 12, 8) + TimeValueOf(0, 0, 0, 250);

std::string Text(const char* pattern, double value) {
    return DateTimeText(pattern, value, LocaleSettings, LeadBytes, {EraNameText, EraYearText});
}

TEST(LocaleTest, ClockIsLocalTimeWithMilliseconds) {
    // The local time now as the C library sees it, to the second.
    const auto libraryNow = [] {
        const std::time_t now = std::time(nullptr);
        const std::tm t = *std::localtime(&now);
        return DateValueOf(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday) +
               TimeValueOf(t.tm_hour, t.tm_min, std::min(t.tm_sec, 59), 0);
    };
    const double before = libraryNow();
    const double now = Now();
    const double after = libraryNow();
    const double second = 1.0 / 86400;
    EXPECT_GE(now, before - 0.001 * second);
    EXPECT_LT(now, after + 1.001 * second);
    // Somewhere in a short run of readings a millisecond other than 0 turns up.
    bool milliseconds = false;
    for (int i = 0; i < 50 && !milliseconds; ++i) {
        milliseconds = SplitTime(Now()).Millisecond != 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    EXPECT_TRUE(milliseconds);
}

#ifndef _WIN32

TEST(PosixLocaleTest, SettingsOfTheLocaleThatTheVariablesName) {
    const char* const names[] = {"LC_ALL", "LC_TIME", "LANG"};
    const auto set = [&](int i, const char* value) {
        value ? setenv(names[i], value, 1) : unsetenv(names[i]);
    };
    std::optional<std::string> saved[3];
    for (int i = 0; i < 3; ++i)
        if (const char* value = std::getenv(names[i])) saved[i] = value;
    const LocaleDateTimeSettings savedSettings = LocaleSettings;
    const auto installed = [](const char* name) {
        const locale_t locale = newlocale(LC_TIME_MASK, name, locale_t{});
        if (locale != nullptr) freelocale(locale);
        return locale != nullptr;
    };
    const bool german = installed("de_DE.UTF-8");
    const struct {
        bool installed;
        const char* variables[3];  // LC_ALL, LC_TIME, LANG; nullptr is unset
        std::string stamp;         // at Afternoon; just after midnight the date stands alone
        const char* names;         // dddd mmmm|ddd mmm|t|AMPM at Afternoon, |AMPM at midnight
    } rows[] = {
        // clang-format off
        {true, {"C"}, "12/08/26 13:05:07", "Tuesday December|Tue Dec|13:05|PM|AM"},
        {german, {"de_DE.UTF-8"}, "08.12.2026 13:05:07", "Dienstag Dezember|Di Dez|13:05||"},
        {german, {nullptr, "de_DE.UTF-8", "C"}, "08.12.2026 13:05:07",
         "Dienstag Dezember|Di Dez|13:05||"},
        {german, {"C", "de_DE.UTF-8"}, "12/08/26 13:05:07", "Tuesday December|Tue Dec|13:05|PM|AM"},
        {installed("ja_JP.UTF-8"), {"ja_JP.UTF-8"}, "2026年12月08日 13時05分07秒",
         "火曜日 12月|火 12月|13時05分07秒|午後|午前"},
        // A locale that is not installed is the C locale, as for date(1), not the
        // defaults of failed queries (12/8/26 1:05:07 pm).
        {true, {"xx_XX.UTF-8"}, "12/08/26 13:05:07", "Tuesday December|Tue Dec|13:05|PM|AM"},
        {true, {nullptr, nullptr, "xx_XX.UTF-8"}, "12/08/26 13:05:07",
         "Tuesday December|Tue Dec|13:05|PM|AM"}};
    // clang-format on
    bool skipped = false;
    for (const auto& row : rows) {
        skipped = skipped || !row.installed;
        if (!row.installed) continue;
        for (int i = 0; i < 3; ++i)
            set(i, row.variables[i]);
        ReadLocaleDateTimeSettings();
        EXPECT_EQ(Text("", Afternoon), row.stamp);
        EXPECT_EQ(Text("", JustAfterMidnight), row.stamp.substr(0, row.stamp.find(' ')));
        EXPECT_EQ(Text("dddd mmmm|ddd mmm|t|AMPM|", Afternoon) + Text("AMPM", JustAfterMidnight),
                  row.names);
    }
    // The pictures of the C locale, and the shape of its time stamps now.
    set(0, "C");
    ReadLocaleDateTimeSettings();
    const LocaleDateTimeSettings& s = LocaleSettings;
    EXPECT_EQ(s.ShortDatePattern + "|" + s.LongTimePattern + "|" + s.ShortTimePattern,
              "mm/dd/yy|hh:nn:ss|hh:nn");
    EXPECT_TRUE(
        std::regex_match(Text("", Now()), std::regex(R"(\d\d/\d\d/\d\d( \d\d:\d\d:\d\d)?)")));
    EXPECT_EQ(Text("g|ggg|e|ee|yy", Afternoon), "||||26");  // Linux has no era calendar
    for (int i = 0; i < 3; ++i)
        set(i, saved[i] ? saved[i]->c_str() : nullptr);
    LocaleSettings = savedSettings;
    if (skipped) GTEST_SKIP() << "de_DE.UTF-8 or ja_JP.UTF-8 is not installed";
}

#else

TEST(WindowsLocaleTest, SettingsOfTheThreadLocale) {
    LocaleSettings = LocaleDateTimeSettings{.ShortDatePattern = "", .LongTimePattern = ""};
    ReadLocaleDateTimeSettings();
    const LocaleDateTimeSettings& s = LocaleSettings;
    for (const std::string& text : {s.ShortDatePattern, s.LongDatePattern, s.ShortTimePattern,
                                    s.LongTimePattern, s.MonthFullNames[11], s.DayAbbreviations[6]})
        EXPECT_FALSE(text.empty());
    if (s.PrimaryLanguage != 9 || s.SubLanguage != 1) {
        GTEST_SKIP() << "the thread locale is not English (United States)";
    }
    EXPECT_EQ(Text("", Afternoon), "12/8/2026 1:05:07 PM");
    EXPECT_EQ(Text("", JustAfterMidnight), "12/8/2026");
    EXPECT_EQ(Text("dddd mmm|t", Afternoon), "Tuesday Dec|1:05 PM");
    // The Gregorian calendar's year within its era is the year; one digit drops a leading zero.
    EXPECT_EQ(EraYearText(4, 2026, 12, 8), "2026");
    EXPECT_EQ(EraYearText(2, 2005, 3, 4), "05");
    EXPECT_EQ(EraYearText(1, 2005, 3, 4), "5");
    EXPECT_EQ(EraYearText(1, 2026, 3, 4), "26");
    EXPECT_EQ(EraNameText(1, 0, 0, 0), "");  // no such date
}

#endif

}  // namespace
}  // namespace keeper
