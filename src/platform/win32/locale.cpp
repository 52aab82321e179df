#include "platform/locale.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstddef>

#include "resources/messages.h"
#include "text/double_byte.h"
#include "text/integer_text.h"

namespace keeper {

LocaleDateTimeSettings LocaleSettings;

namespace {

constexpr int LocaleTextSize = 256;
constexpr int EraTextSize = 256;
constexpr unsigned LanguageChinese = 4;
constexpr unsigned LanguageJapanese = 17;
constexpr unsigned SubLanguageChineseTraditional = 1;

// The locale's text for `type`, without its NUL; `fallback` when the query fails, which
// includes a text of 256 bytes or more.  An empty answer stays empty.
std::string LocaleTextOr(LCID locale, LCTYPE type, const std::string& fallback) {
    char buffer[LocaleTextSize];
    const int n = GetLocaleInfoA(locale, type, buffer, LocaleTextSize);
    if (n <= 0) return fallback;
    return std::string(buffer, static_cast<std::size_t>(std::min(n, LocaleTextSize) - 1));
}

// The locale's one-character setting for `type`; `fallback` when the query fails, which
// includes a setting of two or more characters.  An empty setting gives NUL.
char LocaleCharOr(LCID locale, LCTYPE type, char fallback) {
    char buffer[2];
    return GetLocaleInfoA(locale, type, buffer, sizeof buffer) <= 0 ? fallback : buffer[0];
}

int LocaleNumberOr(LCID locale, LCTYPE type, const char* fallbackText, int fallback) {
    return ParseIntegerOr(LocaleTextOr(locale, type, fallbackText), fallback);
}

// A name of the locale; the English one of the message table when it has none.
std::string LocaleName(LCID locale, LCTYPE type, MessageId fallback) {
    std::string name = LocaleTextOr(locale, type, "");
    return name.empty() ? MessageText(fallback) : name;
}

// A date picture of the locale, fitted to its calendar.
std::string DatePattern(LCID locale, LCTYPE type, const std::string& fallback,
                        unsigned primaryLanguage) {
    const std::string picture = LocaleTextOr(locale, type, fallback);
    const int calendar = LocaleNumberOr(locale, LOCALE_ICALENDARTYPE, "1", 1);
    return AdaptDatePattern(picture, calendar, primaryLanguage, LeadBytes);
}

// The alternate calendar's rendering of `picture` for a date; empty when that fails.
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

// The byte after the character that starts at `at`; a lead byte and its trail byte are
// one character.
std::size_t NextCharacter(const std::string& text, std::size_t at) {
    return LeadBytes.Has(text[at]) && at + 1 < text.size() ? at + 2 : at + 1;
}

std::string EraNameText(int count, std::uint16_t year, std::uint16_t month, std::uint16_t day) {
    std::string era = AlternateCalendarText("gg", year, month, day);
    if (count != 1 || era.empty()) return era;
    // The short form of the era name: the first character of a Japanese one, the last two
    // of a traditional Chinese one of four.
    if (LocaleSettings.PrimaryLanguage == LanguageJapanese) {
        return era.substr(0, NextCharacter(era, 0));
    }
    if (LocaleSettings.PrimaryLanguage == LanguageChinese &&
        LocaleSettings.SubLanguage == SubLanguageChineseTraditional) {
        std::size_t characters = 0;
        std::size_t third = 0;
        for (std::size_t i = 0; i < era.size(); i = NextCharacter(era, i)) {
            if (++characters == 3) third = i;
        }
        if (characters == 4) return era.substr(third);
    }
    return era;
}

std::string EraYearText(int count, std::uint16_t year, std::uint16_t month, std::uint16_t day) {
    std::string text = AlternateCalendarText(count <= 2 ? "yy" : "yyyy", year, month, day);
    if (count == 1 && !text.empty() && text[0] == '0') text.erase(0, 1);
    return text;
}

}  // namespace

void ReadLocaleDateTimeSettings() {
    LocaleDateTimeSettings& s = LocaleSettings;

    // The language steers the date picture and the era names.  The double-byte tables
    // were filled when the process started.
    const LCID language = GetThreadLocale();
    s.PrimaryLanguage = 9;
    s.SubLanguage = 1;
    if ((language & 0xFFFF) != 0) {
        s.PrimaryLanguage = language & 0x3FF;
        s.SubLanguage = (language >> 10) & 0x3F;
    }

    const LCID names = GetThreadLocale();
    for (std::size_t i = 0; i < 12; ++i) {
        s.MonthAbbreviations[i] = LocaleName(
            names, static_cast<LCTYPE>(LOCALE_SABBREVMONTHNAME1 + i), MonthAbbreviationIds[i]);
        s.MonthFullNames[i] =
            LocaleName(names, static_cast<LCTYPE>(LOCALE_SMONTHNAME1 + i), MonthNameIds[i]);
    }
    // The locale counts its days from Monday; index 0 of the record is Sunday.
    for (std::size_t j = 0; j < 7; ++j) {
        const std::size_t k = (j + 6) % 7;
        s.DayAbbreviations[j] = LocaleName(names, static_cast<LCTYPE>(LOCALE_SABBREVDAYNAME1 + k),
                                           DayAbbreviationIds[j]);
        s.DayFullNames[j] =
            LocaleName(names, static_cast<LCTYPE>(LOCALE_SDAYNAME1 + k), DayNameIds[j]);
    }

    const LCID locale = GetThreadLocale();
    s.DateSeparatorChar = LocaleCharOr(locale, LOCALE_SDATE, '/');
    s.ShortDatePattern = DatePattern(locale, LOCALE_SSHORTDATE, "m/d/yy", s.PrimaryLanguage);
    s.LongDatePattern = DatePattern(locale, LOCALE_SLONGDATE, "mmmm d, yyyy", s.PrimaryLanguage);
    s.TimeSeparatorChar = LocaleCharOr(locale, LOCALE_STIME, ':');
    s.AmDesignator = LocaleTextOr(locale, LOCALE_S1159, "am");
    s.PmDesignator = LocaleTextOr(locale, LOCALE_S2359, "pm");

    // The time patterns are the watchdog's own, built from the clock settings; the
    // locale's time picture is not used.
    const int hourLeadingZero = LocaleNumberOr(locale, LOCALE_ITLZERO, "0", 0);
    const int clockFormat = LocaleNumberOr(locale, LOCALE_ITIME, "0", 0);
    const int markPosition =
        clockFormat == 0 ? LocaleNumberOr(locale, LOCALE_ITIMEMARKPOSN, "0", 0) : 0;
    const TimePatterns time = ComposeTimePatterns(clockFormat, markPosition, hourLeadingZero);
    s.ShortTimePattern = time.ShortTimePattern;
    s.LongTimePattern = time.LongTimePattern;
}

DateTimeValue CurrentLocalDateTime() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return DateValueOf(now.wYear, now.wMonth, now.wDay) +
           TimeValueOf(now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
}

EraTexts PlatformEraTexts() { return EraTexts{EraNameText, EraYearText}; }

}  // namespace keeper
