// The clock and the user's date and time conventions, as the platform answers them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace keeper {

/// The local date and time, field by field; each field in range.
struct LocalTime {
    std::uint16_t Year = 0;
    std::uint16_t Month = 0;  ///< 1 = January
    std::uint16_t Day = 0;
    std::uint16_t Hour = 0;
    std::uint16_t Minute = 0;
    std::uint16_t Second = 0;
    std::uint16_t Millisecond = 0;
};

/// The local date and time now (GetLocalTime on Windows).
/// Note: Linux counts a leap second as the last second of its minute.
LocalTime CurrentLocalTime();

/// What the user's locale says about dates and times, answer by answer, without meaning
/// given to any: empty where the platform has no answer (the query failed).
struct LocaleAnswers {
    /// The locale's identifier (GetThreadLocale); 0 where there is none.
    std::uint32_t LocaleId = 0;
    /// The names, index 0 = January or Sunday; empty where the locale has none.
    std::array<std::string, 12> MonthAbbreviations;
    std::array<std::string, 12> MonthNames;
    std::array<std::string, 7> DayAbbreviations;
    std::array<std::string, 7> DayNames;
    std::optional<char> DateSeparator;  ///< LOCALE_SDATE; none also for two characters or more
    std::optional<char> TimeSeparator;  ///< LOCALE_STIME, likewise
    std::optional<std::string> AmDesignator;
    std::optional<std::string> PmDesignator;
    /// Windows: the date pictures (LOCALE_SSHORTDATE, LOCALE_SLONGDATE) and, as texts,
    /// the calendar (LOCALE_ICALENDARTYPE) and the clock settings (LOCALE_ITLZERO,
    /// LOCALE_ITIME, and LOCALE_ITIMEMARKPOSN, asked only for a 12-hour clock).
    /// Note: none on Linux.
    std::optional<std::string> ShortDatePicture;
    std::optional<std::string> LongDatePicture;
    std::optional<std::string> CalendarType;
    std::optional<std::string> HourLeadingZero;
    std::optional<std::string> ClockFormat;
    std::optional<std::string> MarkPosition;
    /// Linux: the strftime formats of LC_TIME (D_FMT, T_FMT, T_FMT_AMPM). An LC_TIME
    /// that cannot be set (not installed) answers as the C locale does.
    /// Note: none on Windows.
    std::optional<std::string> DateFormat;
    std::optional<std::string> TimeFormat;
    std::optional<std::string> TwelveHourFormat;
};

/// The answers of the user's locale (on Windows the thread locale; every query passes
/// the plain LCTYPE, so the user's own changes count).
LocaleAnswers ReadLocaleAnswers();

/// The date rendered by the alternate calendar of the thread locale through `picture`
/// ("gg", "yy" or "yyyy"); the empty text when that fails.
/// Note: Linux has no alternate calendar: always the empty text.
std::string AlternateCalendarText(const char* picture, std::uint16_t year, std::uint16_t month,
                                  std::uint16_t day);

}  // namespace keeper
