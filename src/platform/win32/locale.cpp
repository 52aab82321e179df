#include "platform/locale.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>

#include "text/integer_text.h"

namespace keeper {
namespace {

constexpr int LocaleTextSize = 256;
constexpr int EraTextSize = 256;

// The locale's text for `type`, without its NUL; none when the query fails, which
// includes a text of 256 bytes or more. An empty answer stays empty.
std::optional<std::string> LocaleText(LCID locale, LCTYPE type) {
    char buffer[LocaleTextSize];
    const int n = GetLocaleInfoA(locale, type, buffer, LocaleTextSize);
    if (n <= 0) return std::nullopt;
    return std::string(buffer, static_cast<std::size_t>(std::min(n, LocaleTextSize) - 1));
}

// The locale's one-character setting for `type`; none when the query fails, which
// includes a setting of two or more characters. An empty setting gives NUL.
std::optional<char> LocaleChar(LCID locale, LCTYPE type) {
    char buffer[2];
    if (GetLocaleInfoA(locale, type, buffer, sizeof buffer) <= 0) return std::nullopt;
    return buffer[0];
}

}  // namespace

LocaleAnswers ReadLocaleAnswers() {
    LocaleAnswers answers;
    answers.LocaleId = GetThreadLocale();

    const LCID names = GetThreadLocale();
    for (std::size_t i = 0; i < 12; ++i) {
        answers.MonthAbbreviations[i] =
            LocaleText(names, static_cast<LCTYPE>(LOCALE_SABBREVMONTHNAME1 + i)).value_or("");
        answers.MonthNames[i] =
            LocaleText(names, static_cast<LCTYPE>(LOCALE_SMONTHNAME1 + i)).value_or("");
    }
    // The locale counts its days from Monday; index 0 of the answers is Sunday.
    for (std::size_t j = 0; j < 7; ++j) {
        const std::size_t k = (j + 6) % 7;
        answers.DayAbbreviations[j] =
            LocaleText(names, static_cast<LCTYPE>(LOCALE_SABBREVDAYNAME1 + k)).value_or("");
        answers.DayNames[j] =
            LocaleText(names, static_cast<LCTYPE>(LOCALE_SDAYNAME1 + k)).value_or("");
    }

    const LCID locale = GetThreadLocale();
    answers.DateSeparator = LocaleChar(locale, LOCALE_SDATE);
    answers.ShortDatePicture = LocaleText(locale, LOCALE_SSHORTDATE);
    answers.LongDatePicture = LocaleText(locale, LOCALE_SLONGDATE);
    answers.CalendarType = LocaleText(locale, LOCALE_ICALENDARTYPE);
    answers.TimeSeparator = LocaleChar(locale, LOCALE_STIME);
    answers.AmDesignator = LocaleText(locale, LOCALE_S1159);
    answers.PmDesignator = LocaleText(locale, LOCALE_S2359);
    answers.HourLeadingZero = LocaleText(locale, LOCALE_ITLZERO);
    answers.ClockFormat = LocaleText(locale, LOCALE_ITIME);
    // Where the marker stands is asked only of a 12-hour clock.
    if (ParseIntegerOr(answers.ClockFormat.value_or("0"), 0) == 0)
        answers.MarkPosition = LocaleText(locale, LOCALE_ITIMEMARKPOSN);
    return answers;
}

LocalTime CurrentLocalTime() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return {now.wYear,   now.wMonth,  now.wDay,         now.wHour,
            now.wMinute, now.wSecond, now.wMilliseconds};
}

std::string AlternateCalendarText(const char* picture, std::uint16_t year, std::uint16_t month,
                                  std::uint16_t day) {
    SYSTEMTIME date{};
    date.wYear = year;
    date.wMonth = month;
    date.wDay = day;
    char buffer[EraTextSize];
    if (GetDateFormatA(GetThreadLocale(), DATE_USE_ALT_CALENDAR, &date, picture, buffer,
                       EraTextSize) == 0) {
        return {};
    }
    buffer[EraTextSize - 1] = '\0';
    return buffer;
}

}  // namespace keeper
