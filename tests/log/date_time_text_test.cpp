#include "log/date_time_text.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "support/shift_jis.h"

namespace keeper {
namespace {

// 7 December 2026 (a Monday) at 13:05:07.250, and 4 March 2005 (a Friday) at 08:09:02.007.
const double Dec7 = DateValueOf(2026, 12, 7);
const double Afternoon = Dec7 + TimeValueOf(13, 5, 7, 250);
const double Morning = DateValueOf(2005, 3, 4) + TimeValueOf(8, 9, 2, 7);

double At(std::uint16_t h, std::uint16_t s = 0, std::uint16_t ms = 0) {
    return Dec7 + TimeValueOf(h, 0, s, ms);
}

// Each case: pattern, value, expected text.
void ExpectAll(std::initializer_list<std::tuple<std::string, double, std::string>> cases,
               const LocaleDateTimeSettings& settings = {}, const LeadByteSet& lead = {},
               const EraTexts& era = {}) {
    for (const auto& [pattern, value, expected] : cases) {
        EXPECT_EQ(DateTimeText(pattern, value, settings, lead, era), expected)
            << "pattern \"" << pattern << "\" at " << value;
    }
}

TEST(DateTimeTextTest, TimeStampsAndComposedTimePatterns) {
    // The time is left out only when hour, minute and second are all 0.
    ExpectAll({{"", Afternoon, "12/7/2026 1:05:07 PM"},
               {"", At(0, 0, 999), "12/7/2026"},
               {"", At(0, 1), "12/7/2026 12:00:01 AM"}},
              {.ShortDatePattern = "M/d/yyyy", .AmDesignator = "AM", .PmDesignator = "PM"});
    ExpectAll({{"", Afternoon, "07.12.2026 13:05:07"}},
              {.ShortDatePattern = "dd.MM.yyyy", .LongTimePattern = "hh:mm:ss"});
    ExpectAll({{"", Afternoon, "12/7/26 1:05:07 pm"}});  // every query failed
    ExpectAll({{"", At(0, 1), "12/7/26 0.00.01"}},
              {.TimeSeparatorChar = '.', .LongTimePattern = "h:mm:ss"});
    // Clock format, marker position, leading zero => short|long pattern.
    const std::tuple<int, int, int, std::string> rows[] = {
        {0, 0, 0, "h:mm AMPM|h:mm:ss AMPM"},
        {0, 0, 1, "hh:mm AMPM|hh:mm:ss AMPM"},
        {0, 2, 0, "AMPM h:mm|AMPM h:mm:ss"},
        {1, 1, 5, "hh:mm|hh:mm:ss"},
    };
    for (const auto& [clock, mark, zero, patterns] : rows) {
        const TimePatterns p = ComposeTimePatterns(clock, mark, zero);
        EXPECT_EQ(p.ShortTimePattern + "|" + p.LongTimePattern, patterns) << clock << mark << zero;
    }
}

TEST(DateTimeTextTest, Tokens) {
    ExpectAll({
        {"d|dd|ddd|dddd m|mm|mmm|mmmm|mmmmm", Morning, "4|04|Fri|Friday 3|03|Mar|March|March"},
        {"y|yy|yyy|yyyyy", Morning, "05|05|2005|2005"},
        {"yy yyyy", DateValueOf(5, 1, 2), "05 0005"},
        {"h|hh|hhh n|nn s|ss z|zz|zzz|zzzz", Morning, "8|08|08 9|09 2|02 7|07|007|007"},
        // A run is of equal bytes, case included: Mm is two months.
        {"D/M/YYYY HH:NN:SS Mm dD", Morning, "4/3/2005 08:09:02 33 44"},
        {"t|tt|ddddd|dddddd|c|cc", Morning,
         "8:09 am|8:09:02 am|3/4/05|March 4, 2005|3/4/05 8:09:02 am|3/4/05 8:09:02 am"},
        {"aaaa aaa AAA ab A bfijklopqruvwx -.,;#@", Morning,
         "Friday Fri Fri ab A bfijklopqruvwx -.,;#@"},
        {"mmm|mmmm|d|yyyy|ddd", -693594.0, "||0|0000|Sun"},  // before year 1
    });
    LocaleDateTimeSettings s{.DateSeparatorChar = '\0', .TimeSeparatorChar = '-'};
    s.MonthFullNames[11] = "Dezember";
    ExpectAll({{"d/m h:n mmmm", Afternoon, "712 13-5 Dezember"}}, s);
}

TEST(DateTimeTextTest, MinuteOrMonthTwelveHourClockAndQuotes) {
    // m is a minute when the last letter before it is h; a quoted text is no letter.
    ExpectAll({{"h:mm|h mm|H:MM|h'x'mm|h:m:m", Afternoon, "13:05|13 05|13:05|13x05|13:5:12"},
               {"h x mm|h a mm|mm", Afternoon, "13 x 12|13 a 12|12"},
               {"'h'|\"h\"|d''d|'it\"s' \"it's\"", Afternoon, "h|h|77|it\"s it's"},
               {"d 'abc", Afternoon, "7 abc"}});
    ExpectAll({{"h AMPM|hh AMPM", At(0), "12 am|12 am"},
               {"h AMPM", At(12), "12 pm"},
               {"h AMPM", At(13), "1 pm"},
               {"hh AM/PM|h am/pm|h Am/Pm|h a/p|h A/P", At(9), "09 AM|9 am|9 Am|9 a|9 A"},
               {"hh AM/PM|h am/pm|h Am/Pm|h a/p|h A/P", At(21), "09 PM|9 pm|9 Pm|9 p|9 P"},
               // The look-ahead stops at the next h and at the first unquoted a.
               {"h 'AMPM'|h H AMPM", At(13), "13 AMPM|13 1 pm"},
               {"h aaa AMPM", At(13), "13 Mon pm"},
               {"h\"x' AMPM", At(13), "1x' AMPM"},
               // A marker before the hour counts for the rest of its own pattern only.
               {"AMPM h t", At(13), "pm 1 13"}},
              {.ShortTimePattern = "h"});
}

TEST(DateTimeTextTest, NestingStopsAtTheSecondLevelAndOutputIsCutAt256Bytes) {
    ExpectAll({{"ddddd", Afternoon, "7     |"},
               {"c", Afternoon, "7     | 13  "},
               {"dddddd", Afternoon, "Monday"}},
              {.ShortDatePattern = "d c ddddd dddddd t tt|",
               .LongDatePattern = "dddd",
               .LongTimePattern = "h tt c"});
    ExpectAll({{"", Afternoon, " 1:05:07 pm"}}, {.ShortDatePattern = ""});
    const std::string x250(250, 'x');
    const std::string x255(255, 'x');
    ExpectAll({{std::string(300, 'x'), Afternoon, std::string(256, 'x')},
               {"'" + x250 + "'mmmm", Afternoon, x250 + "Decemb"}});
    ExpectAll({{"C", Afternoon, x250 + " 1:05:"}}, {.ShortDatePattern = "'" + x250 + "'"});
    // A character that does not fit whole loses its trail byte.
    ExpectAll({{x255 + "\x81\x40", Afternoon, x255 + "\x81"}}, {}, ShiftJisLeadBytes());
}

TEST(DateTimeTextTest, DoubleByteCharactersStayWhole) {
    // Pattern, text with Shift-JIS lead bytes, text with single bytes only.
    // clang-format off
    const std::tuple<std::string, std::string, std::string> rows[] = {
        // yyyy<year>M<month>d<day>: the trail byte of <year> is an N.
        {"yyyy\x94NM\x8c\x8e" "d\x93\xfa", "2026\x94N12\x8c\x8e" "7\x93\xfa",
         "2026\x94" "512\x8c\x8e" "7\x93\xfa"},
        // A double-byte character between h and mm makes mm a month.
        {"h\x81\x40mm", "13\x81\x40" "12", "13\x81\x40" "05"},
        {"'\x81'x'", "\x81'x", "\x81x"},
        {"h\x82" "AMPM", "13\x82" "A12P12", "1\x82pm"},
        {"d\x81", "7\x81", "7\x81"}};
    // clang-format on
    for (const auto& [pattern, withShiftJis, singleBytes] : rows) {
        ExpectAll({{pattern, Afternoon, withShiftJis}}, {}, ShiftJisLeadBytes());
        ExpectAll({{pattern, Afternoon, singleBytes}});
    }
}

TEST(DateTimeTextTest, EraTokensAndAdaptedDatePictures) {
    EraTexts era;
    era.EraNameText = [](int count, std::uint16_t y, std::uint16_t m, std::uint16_t d) {
        return "N" + std::to_string(count) + "@" + std::to_string(y * 10000 + m * 100 + d);
    };
    era.EraYearText = [](int count, std::uint16_t, std::uint16_t, std::uint16_t) {
        return "Y" + std::to_string(count);
    };
    ExpectAll({{"ggg ee/MM/dd|g|G|e|eeee", Afternoon,
                "N3@20261207 Y2/12/07|N1@20261207|N1@20261207|Y1|Y4"}},
              {}, {}, era);
    ExpectAll({{"g/e", Afternoon, "/"}});  // no era calendar
    // Picture, calendar type, primary language, adapted picture.
    // clang-format off
    const std::tuple<std::string, int, unsigned, std::string> rows[] = {
        {"gg yy/MM/dd", 3, 17, "ggg ee/MM/dd"}, {"GG YYYY y Yyy", 4, 4, "ggg eeee e eee"},
        {"g\x88yy", 5, 18, "g\x88ye"},          {"gg yyyy/MM/dd", 1, 17, " yyyy/MM/dd"},
        {"Gyg", 2, 4, "y"},                     {"gg\x88g", 1, 18, "\x88g"},
        {"gg yy", 1, 9, "gg yy"},               {"gg yy", 6, 17, " yy"}};
    // clang-format on
    for (const auto& [picture, calendar, language, expected] : rows) {
        EXPECT_EQ(AdaptDatePattern(picture, calendar, language, ShiftJisLeadBytes()), expected)
            << picture << " " << calendar << " " << language;
    }
    EXPECT_EQ(AdaptDatePattern("\x88yy", 3, 9, {}), std::string("\x88") + "ee");
}

}  // namespace
}  // namespace keeper
