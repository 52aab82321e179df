#include "log/date_time.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>

namespace keeper {

// Readable failure messages.
static void PrintTo(const DateParts& d, std::ostream* os) {
    *os << d.Year << '-' << d.Month << '-' << d.Day;
}
static void PrintTo(const TimeParts& t, std::ostream* os) {
    *os << t.Hour << ':' << t.Minute << ':' << t.Second << '.' << t.Millisecond;
}

namespace {

TEST(DateTimeTest, EveryDayOfYears1To9999RoundTrips) {
    EXPECT_EQ(DateValueOf(1899, 12, 30), 0);
    EXPECT_EQ(WeekdayOf(0), 7);  // a Saturday
    // From 1 January of year 1, a Monday, day by day.
    const std::uint16_t lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    double value = -693593;
    std::uint16_t weekday = 2;
    for (std::uint16_t year = 1; year <= 9999; ++year) {
        const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
        for (std::uint16_t month = 1; month <= 12; ++month) {
            const int days = lengths[month - 1] + (month == 2 && leap ? 1 : 0);
            for (std::uint16_t day = 1; day <= days; ++day, ++value, weekday = weekday % 7 + 1) {
                // A negative value's fraction counts forward from its day, too.
                const double later = value < 0 ? value - 0.75 : value + 0.75;
                ASSERT_EQ(DateValueOf(year, month, day), value);
                ASSERT_EQ(SplitDate(later), (DateParts{year, month, day})) << later;
                ASSERT_EQ(WeekdayOf(value), weekday) << value;
            }
        }
    }
    EXPECT_EQ(value, 2958466);
}

TEST(DateTimeTest, DatesAndTimesOutsideTheCalendarAreInvalid) {
    const DateParts badDates[] = {{0, 1, 1},     {10000, 1, 1}, {2026, 0, 1},  {2026, 13, 1},
                                  {2026, 1, 0},  {2026, 1, 32}, {2026, 4, 31}, {2024, 2, 30},
                                  {1900, 2, 29}, {2100, 2, 29}, {2023, 2, 29}};
    for (const DateParts& d : badDates)
        EXPECT_FALSE(IsValidDate(d.Year, d.Month, d.Day)) << testing::PrintToString(d);
    for (const TimeParts& t :
         {TimeParts{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}})
        EXPECT_FALSE(IsValidTime(t.Hour, t.Minute, t.Second, t.Millisecond))
            << testing::PrintToString(t);
    for (const DateParts& d : {DateParts{2400, 2, 29}, {1, 1, 1}, {9999, 12, 31}, {2024, 2, 29}})
        EXPECT_TRUE(IsValidDate(d.Year, d.Month, d.Day)) << testing::PrintToString(d);
    EXPECT_TRUE(IsValidTime(23, 59, 59, 999));
    EXPECT_TRUE(IsValidTime(0, 0, 0, 0));
}

TEST(DateTimeTest, TimesRoundTripThroughTheMillisecond) {
    EXPECT_EQ(TimeValueOf(12, 0, 0, 0), 0.5);
    EXPECT_EQ(TimeValueOf(18, 0, 0, 0), 0.75);
    for (const double day : {0.0, 46363.0, 2958465.0}) {
        for (int ms = 0; ms < 86400000; ms += 997) {
            const TimeParts t{static_cast<std::uint16_t>(ms / 3600000),
                              static_cast<std::uint16_t>(ms / 60000 % 60),
                              static_cast<std::uint16_t>(ms / 1000 % 60),
                              static_cast<std::uint16_t>(ms % 1000)};
            ASSERT_EQ(SplitTime(day + TimeValueOf(t.Hour, t.Minute, t.Second, t.Millisecond)), t)
                << day << ' ' << ms;
        }
    }
}

TEST(DateTimeTest, SplitsReadTheNearestMillisecond) {
    const std::tuple<double, DateParts, TimeParts> cases[] = {
        // Less than half a millisecond short of midnight is already the next day.
        {46363 + 86399999.6 / 86400000, {2026, 12, 8}, {0, 0, 0, 0}},
        {46363 + 0.4 / 86400000, {2026, 12, 7}, {0, 0, 0, 0}},
        {46363 + 0.6 / 86400000, {2026, 12, 7}, {0, 0, 0, 1}},
        // Products a double would round onto x.5 (and then to the even 2).
        {0x1.6a36000000952p+15, {2026, 12, 7}, {0, 0, 0, 1}},
        {0x1.6a36000000f89p+15, {2026, 12, 7}, {0, 0, 0, 3}},
        // Exact halves (2^-11 days is 42187.5 ms) round to the even millisecond.
        {0x1p-11, {1899, 12, 30}, {0, 0, 42, 188}},
        {0x3p-11, {1899, 12, 30}, {0, 2, 6, 562}},
        {-0x1p-11, {1899, 12, 30}, {0, 0, 42, 188}},
        // Negative values: the fraction counts forward from the start of the day.
        {-0.25, {1899, 12, 30}, {6, 0, 0, 0}},
        {-1.25, {1899, 12, 29}, {6, 0, 0, 0}},
        {-693593.5, {1, 1, 1}, {12, 0, 0, 0}},
        {-693594.0, {0, 0, 0}, {0, 0, 0, 0}},  // before year 1
        {2958465 + 86399999.0 / 86400000, {9999, 12, 31}, {23, 59, 59, 999}}};
    for (const auto& [value, date, time] : cases) {
        EXPECT_EQ(SplitDate(value), date) << value;
        EXPECT_EQ(SplitTime(value), time) << value;
    }
}

TEST(DateTimeTest, ValuesNoClockGivesStayDefined) {
    const double inf = std::numeric_limits<double>::infinity();
    for (const double v : {std::nan(""), inf, -inf, 1e300, -1e300, -1e6}) {
        EXPECT_TRUE(WeekdayOf(v) >= 1 && WeekdayOf(v) <= 7) << v;
        EXPECT_LT(SplitTime(v).Hour, 24) << v;
        EXPECT_LE(SplitDate(v).Month, 12) << v;
    }
    EXPECT_EQ(SplitDate(std::nan("")), (DateParts{1899, 12, 30}));
    EXPECT_EQ(SplitTime(std::nan("")), (TimeParts{}));
    EXPECT_EQ(SplitDate(-1e300), (DateParts{}));
}

}  // namespace
}  // namespace keeper
