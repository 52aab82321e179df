// Date-time values and their calendar arithmetic.
#pragma once

#include <cstdint>

namespace keeper {

/// Days since 30 December 1899 (value 0); the fraction is the elapsed part of the day
/// (0.5 is noon).  Proleptic Gregorian calendar, one millisecond resolution, years 1 to 9999.
using DateTimeValue = double;

struct DateParts {
    std::uint16_t Year = 0;
    std::uint16_t Month = 0;  ///< 1 = January
    std::uint16_t Day = 0;
    bool operator==(const DateParts&) const = default;
};

struct TimeParts {
    std::uint16_t Hour = 0;
    std::uint16_t Minute = 0;
    std::uint16_t Second = 0;
    std::uint16_t Millisecond = 0;
    bool operator==(const TimeParts&) const = default;
};

/// True when 1 <= year <= 9999, 1 <= month <= 12 and the day lies in that month.
/// (2024, 2, 29) => true;  (2023, 2, 29) => false.
bool IsValidDate(std::uint16_t year, std::uint16_t month, std::uint16_t day);

/// True when hour < 24, minute < 60, second < 60 and millisecond < 1000.
bool IsValidTime(std::uint16_t hour, std::uint16_t minute, std::uint16_t second,
                 std::uint16_t millisecond);

/// The whole-day value of a valid date (IsValidDate).  (1899, 12, 30) => 0;
/// (1, 1, 1) => -693593;  (9999, 12, 31) => 2958465.
DateTimeValue DateValueOf(std::uint16_t year, std::uint16_t month, std::uint16_t day);

/// The fraction of a day of a valid time (IsValidTime).  (12, 0, 0, 0) => 0.5.
DateTimeValue TimeValueOf(std::uint16_t hour, std::uint16_t minute, std::uint16_t second,
                          std::uint16_t millisecond);

/// The date of a value, read from its nearest millisecond.  0 => 1899-12-30;
/// -1.25 => 1899-12-29 (a negative value counts its fraction forward from the day's start).
/// Values before 1 January of year 1 give 0, 0, 0.
DateParts SplitDate(DateTimeValue value);

/// The time of day of a value, read from its nearest millisecond.  0.75 => 18:00:00.000;
/// -1.25 => 06:00:00.000.
TimeParts SplitTime(DateTimeValue value);

/// The day of the week, 1 = Sunday to 7 = Saturday.  0 (a Saturday) => 7.
std::uint16_t WeekdayOf(DateTimeValue value);

}  // namespace keeper
