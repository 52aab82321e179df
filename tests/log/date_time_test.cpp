#include "log/date_time.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace keeper {

// Readable failure messages.
static void PrintTo(const DateParts& d, std::ostream* os)
{
    *os << d.Year << '-' << d.Month << '-' << d.Day;
}

static void PrintTo(const TimeParts& t, std::ostream* os)
{
    *os << t.Hour << ':' << t.Minute << ':' << t.Second << '.' << t.Millisecond;
}

namespace {

struct Anchor {
    DateParts date;
    double value;
    std::uint16_t weekday;
};

TEST(DateTimeTest, KnownDatesHaveTheirValuesAndWeekdays)
{
    const Anchor anchors[] = {
        {{1899, 12, 30}, 0, 7},      {{1, 1, 1}, -693593, 2},  {{1900, 3, 1}, 61, 5},
        {{2000, 2, 29}, 36585, 3},   {{2026, 12, 7}, 46363, 2}, {{9999, 12, 31}, 2958465, 6},
    };
    for (const Anchor& a : anchors) {
        SCOPED_TRACE(a.value);
        EXPECT_EQ(DateValueOf(a.date.Year, a.date.Month, a.date.Day), a.value);
        EXPECT_EQ(SplitDate(a.value), a.date);
        EXPECT_EQ(WeekdayOf(a.value), a.weekday);
    }
}

TEST(DateTimeTest, EveryDayOfYears1To9999RoundTrips)
{
    const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    double value = -693593;
    std::uint16_t weekday = 2;
    for (int year = 1; year <= 9999; ++year) {
        const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
        for (int month = 1; month <= 12; ++month) {
            const int days = lengths[month - 1] + (month == 2 && leap ? 1 : 0);
            for (int day = 1; day <= days; ++day, ++value, weekday = weekday % 7 + 1) {
                const DateParts date{static_cast<std::uint16_t>(year),
                                     static_cast<std::uint16_t>(month),
                                     static_cast<std::uint16_t>(day)};
                // A negative value's fraction counts forward from its day, too.
                const double later = value < 0 ? value - 0.75 : value + 0.75;
                if (DateValueOf(date.Year, date.Month, date.Day) != value ||
                    SplitDate(later) != date || WeekdayOf(value) != weekday) {
                    ASSERT_EQ(DateValueOf(date.Year, date.Month, date.Day), value);
                    ASSERT_EQ(SplitDate(later), date);
                    ASSERT_EQ(WeekdayOf(value), weekday);
                }
            }
        }
    }
    EXPECT_EQ(value, 2958466);
}

TEST(DateTimeTest, OutOfRangeArgumentsRaiseConvertErrors)
{
    const DateParts badDates[] = {{0, 1, 1},     {10000, 1, 1},  {2026, 0, 1}, {2026, 13, 1},
                                  {2026, 1, 0},  {2026, 1, 32},  {2026, 4, 31}, {2024, 2, 30},
                                  {1900, 2, 29}, {2100, 2, 29}, {2023, 2, 29}};
    for (const DateParts& d : badDates) {
        try {
            DateValueOf(d.Year, d.Month, d.Day);
            ADD_FAILURE() << d.Year << '-' << d.Month << '-' << d.Day << " was accepted";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), "Invalid argument to date encode");
            EXPECT_STREQ(e.ClassName(), "EConvertError");
        }
    }
    const TimeParts badTimes[] = {{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}};
    for (const TimeParts& t : badTimes) {
        EXPECT_THROW(TimeValueOf(t.Hour, t.Minute, t.Second, t.Millisecond), EConvertError);
    }
    EXPECT_NO_THROW(DateValueOf(2400, 2, 29));
    EXPECT_NO_THROW(TimeValueOf(23, 59, 59, 999));
}

TEST(DateTimeTest, TimesRoundTripThroughTheMillisecond)
{
    EXPECT_EQ(TimeValueOf(12, 0, 0, 0), 0.5);
    EXPECT_EQ(TimeValueOf(18, 0, 0, 0), 0.75);
    for (const double day : {0.0, 46363.0, 2958465.0}) {
        for (int ms = 0; ms < 86400000; ms += 997) {
            const TimeParts t{static_cast<std::uint16_t>(ms / 3600000),
                              static_cast<std::uint16_t>(ms / 60000 % 60),
                              static_cast<std::uint16_t>(ms / 1000 % 60),
                              static_cast<std::uint16_t>(ms % 1000)};
            ASSERT_EQ(SplitTime(day + TimeValueOf(t.Hour, t.Minute, t.Second, t.Millisecond)),
                      t) << day << ' ' << ms;
        }
    }
    const double last = DateValueOf(9999, 12, 31) + TimeValueOf(23, 59, 59, 999);
    EXPECT_EQ(SplitTime(last), (TimeParts{23, 59, 59, 999}));
    EXPECT_EQ(SplitDate(last), (DateParts{9999, 12, 31}));
}

struct Rounding {
    double value;
    DateParts date;
    TimeParts time;
};

TEST(DateTimeTest, SplitsReadTheNearestMillisecond)
{
    const Rounding cases[] = {
        // Less than half a millisecond short of midnight is already the next day.
        {46363 + 86399999.6 / 86400000, {2026, 12, 8}, {0, 0, 0, 0}},
        {46363 + 0.4 / 86400000, {2026, 12, 7}, {0, 0, 0, 0}},
        {46363 + 0.6 / 86400000, {2026, 12, 7}, {0, 0, 0, 1}},
        // Products a double would round onto x.5 (and then to the even 2).
        {0x1.6a36000000952p+15, {2026, 12, 7}, {0, 0, 0, 1}},
        {0x1.6a36000000f89p+15, {2026, 12, 7}, {0, 0, 0, 3}},
        // Negative values: the fraction counts forward from the start of the day.
        {-0.25, {1899, 12, 30}, {6, 0, 0, 0}},
        {-1.25, {1899, 12, 29}, {6, 0, 0, 0}},
        {-1.75, {1899, 12, 29}, {18, 0, 0, 0}},
        {-693593.5, {1, 1, 1}, {12, 0, 0, 0}},
        {-693594.0, {0, 0, 0}, {0, 0, 0, 0}},  // before year 1
    };
    for (const Rounding& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(SplitDate(c.value), c.date);
        EXPECT_EQ(SplitTime(c.value), c.time);
    }
}

TEST(DateTimeTest, ValuesNoClockGivesStayDefined)
{
    const double inf = std::numeric_limits<double>::infinity();
    for (const double v : {std::nan(""), inf, -inf, 1e300, -1e300, -1e6}) {
        SCOPED_TRACE(v);
        const std::uint16_t weekday = WeekdayOf(v);
        EXPECT_GE(weekday, 1);
        EXPECT_LE(weekday, 7);
        EXPECT_LT(SplitTime(v).Hour, 24);
        EXPECT_LE(SplitDate(v).Month, 12);
    }
    EXPECT_EQ(SplitDate(std::nan("")), (DateParts{1899, 12, 30}));
    EXPECT_EQ(SplitDate(-1e300), (DateParts{}));
}

}  // namespace
}  // namespace keeper
