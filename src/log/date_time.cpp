// Date-time values and their calendar arithmetic.
#include "log/date_time.h"

#include <cmath>
#include <limits>

namespace keeper {

namespace {

constexpr std::int64_t MillisecondsPerDay = 86400000;
// Day number of 30 December 1899, counting 1 January of year 1 as day 1.
constexpr std::int64_t DayNumberOfZero = 693594;
constexpr std::int64_t DaysPer400Years = 146097;
constexpr std::int64_t DaysPer100Years = 36524;
constexpr std::int64_t DaysPer4Years = 1461;

bool IsLeapYear(std::int64_t year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int MonthLength(std::int64_t year, int month) {
    static constexpr int Lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : Lengths[month - 1];
}

// A value taken apart at its nearest millisecond.
struct Stamp {
    std::int64_t DayNumber;    // 1 = 1 January of year 1
    std::int64_t Millisecond;  // of the day, 0 to 86399999
};

std::int64_t MillisecondCount(DateTimeValue value) {
    // The product is formed with the 64-bit mantissa of long double: in a double it may
    // round onto a false half (46363.00000001736 lands on x.5 and would come out one
    // millisecond off).
    const long double product = static_cast<long double>(value) * 86400000.0L;
    // A value no clock gives, but a caller may: saturate rather than overflow.
    constexpr std::int64_t Largest = std::numeric_limits<std::int64_t>::max();
    if (std::isnan(product)) {
        return 0;
    }
    if (product >= 0x1p63L) {
        return Largest;
    }
    if (product <= -0x1p63L) {
        return -Largest;
    }
    // Rounded to the nearest integer, halves to even, by hand: the C library's
    // nearbyintl is all keeper would take from libm. The fraction is exact, as both
    // terms fit the mantissa.
    const auto whole = static_cast<std::int64_t>(product);  // toward zero
    const long double fraction = product - static_cast<long double>(whole);
    const bool odd = whole % 2 != 0;
    if (fraction > 0.5L || (fraction == 0.5L && odd)) return whole + 1;
    if (fraction < -0.5L || (fraction == -0.5L && odd)) return whole - 1;
    return whole;
}

Stamp StampOf(DateTimeValue value) {
    const std::int64_t count = MillisecondCount(value);
    if (count >= 0) {
        return {count / MillisecondsPerDay + DayNumberOfZero, count % MillisecondsPerDay};
    }
    // Before value 0 the division is done on the magnitude, so the fraction of a negative
    // value still counts forward from the start of its day.
    const std::int64_t magnitude = -count;
    return {DayNumberOfZero - magnitude / MillisecondsPerDay, magnitude % MillisecondsPerDay};
}

}  // namespace

bool IsValidDate(std::uint16_t year, std::uint16_t month, std::uint16_t day) {
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= MonthLength(year, month);
}

bool IsValidTime(std::uint16_t hour, std::uint16_t minute, std::uint16_t second,
                 std::uint16_t millisecond) {
    return hour < 24 && minute < 60 && second < 60 && millisecond < 1000;
}

DateTimeValue DateValueOf(std::uint16_t year, std::uint16_t month, std::uint16_t day) {
    std::int64_t n = day;
    for (int m = 1; m < month; ++m) {
        n += MonthLength(year, m);
    }
    const std::int64_t y = year - 1;
    const std::int64_t days = y * 365 + y / 4 - y / 100 + y / 400 + n - DayNumberOfZero;
    return static_cast<DateTimeValue>(days);
}

DateTimeValue TimeValueOf(std::uint16_t hour, std::uint16_t minute, std::uint16_t second,
                          std::uint16_t millisecond) {
    const std::int64_t count = hour * 3600000LL + minute * 60000LL + second * 1000LL + millisecond;
    return static_cast<DateTimeValue>(count) / static_cast<DateTimeValue>(MillisecondsPerDay);
}

DateParts SplitDate(DateTimeValue value) {
    const std::int64_t dayNumber = StampOf(value).DayNumber;
    if (dayNumber <= 0) {
        return {};
    }
    std::int64_t rest = dayNumber - 1;
    std::int64_t year = 1 + 400 * (rest / DaysPer400Years);
    rest %= DaysPer400Years;

    std::int64_t quotient = rest / DaysPer100Years;
    rest %= DaysPer100Years;
    if (quotient == 4) {  // 31 December closing a 400-year cycle
        quotient = 3;
        rest += DaysPer100Years;
    }
    year += 100 * quotient;

    year += 4 * (rest / DaysPer4Years);
    rest %= DaysPer4Years;

    quotient = rest / 365;
    rest %= 365;
    if (quotient == 4) {  // 31 December of a leap year
        quotient = 3;
        rest += 365;
    }
    year += quotient;

    int month = 1;
    while (month < 12 && rest >= MonthLength(year, month)) {
        rest -= MonthLength(year, month);
        ++month;
    }
    // Only values far past year 9999 leave 16 bits; they wrap.
    return {static_cast<std::uint16_t>(year), static_cast<std::uint16_t>(month),
            static_cast<std::uint16_t>(rest + 1)};
}

TimeParts SplitTime(DateTimeValue value) {
    const std::int64_t millisecond = StampOf(value).Millisecond;
    const std::int64_t minuteOfDay = millisecond / 60000;
    const std::int64_t rest = millisecond % 60000;
    return {static_cast<std::uint16_t>(minuteOfDay / 60),
            static_cast<std::uint16_t>(minuteOfDay % 60), static_cast<std::uint16_t>(rest / 1000),
            static_cast<std::uint16_t>(rest % 1000)};
}

std::uint16_t WeekdayOf(DateTimeValue value) {
    // Day numbers below 1 (before year 1) still map onto 1 to 7.
    const std::int64_t remainder = StampOf(value).DayNumber % 7;
    return static_cast<std::uint16_t>((remainder + 7) % 7 + 1);
}

}  // namespace keeper
