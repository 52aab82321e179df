// Date-time text: the locale's date and time settings and the pattern formatter.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "log/date_time.h"
#include "text/double_byte.h"
#include "text/languages.h"

namespace keeper {

/// The date and time settings of the thread locale, read once at start-up.  A
/// default-constructed record holds what every failed locale query gives.
struct LocaleDateTimeSettings {
    char DateSeparatorChar = '/';                  ///< output for the / token; NUL outputs nothing
    char TimeSeparatorChar = ':';                  ///< output for the : token; NUL outputs nothing
    std::string ShortDatePattern = "m/d/yy";       ///< date part of the time stamp; c, ddddd
    std::string LongDatePattern = "mmmm d, yyyy";  ///< dddddd
    std::string ShortTimePattern = "h:mm AMPM";    ///< t
    std::string LongTimePattern = "h:mm:ss AMPM";  ///< time part of the time stamp; c, tt
    std::string AmDesignator = "am";               ///< hours 0 to 11
    std::string PmDesignator = "pm";               ///< hours 12 to 23
    /// Index 0 = January.
    std::array<std::string, 12> MonthAbbreviations = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::array<std::string, 12> MonthFullNames = {"January",   "February", "March",    "April",
                                                  "May",       "June",     "July",     "August",
                                                  "September", "October",  "November", "December"};
    /// Index 0 = Sunday.
    std::array<std::string, 7> DayAbbreviations = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    std::array<std::string, 7> DayFullNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                               "Thursday", "Friday", "Saturday"};
    unsigned PrimaryLanguage = LanguageEnglish;
    unsigned SubLanguage = SubLanguageEnglishUs;
};

/// The era tokens, answered by the platform's alternate calendar.  Each gets the token's
/// count and the date; a failure, or a missing function, gives the empty text.
struct EraTexts {
    using Query = std::string (*)(int count, std::uint16_t year, std::uint16_t month,
                                  std::uint16_t day);
    Query EraNameText = nullptr;  ///< g
    Query EraYearText = nullptr;  ///< e
};

/// Renders `value` through `pattern`; the empty pattern stands for "C".  At most 256
/// bytes; what does not fit is dropped.  Tokens, in any case: c, d to dddddd, m to mmmm,
/// n, y, h, s, z, t, tt, g, e, the a forms (AM/PM, A/P, AMPM, AAAA, AAA), / and :, and
/// quoted text in ' or ".  An m or mm whose last letter before it is h is a minute.  c,
/// ddddd, dddddd, t and tt render the locale's patterns; inside those they output nothing.
///   "M/d/yyyy h:mm:ss AMPM" at 2026-12-07 13:05:07 => "12/7/2026 1:05:07 PM" (designators
///   AM and PM)
///   "C" at 2026-12-07 00:00:00.250 => the short date alone
std::string DateTimeText(std::string_view pattern, DateTimeValue value,
                         const LocaleDateTimeSettings& settings, const LeadByteSet& lead,
                         const EraTexts& era);

/// Fits the locale's date picture to its calendar.  For calendar types 3 to 5 (Japanese,
/// Taiwanese, Korean eras) gg becomes ggg and the years become era years:
/// "gg yy/MM/dd" => "ggg ee/MM/dd".  Otherwise, for Chinese, Japanese and Korean (primary
/// languages 4, 17, 18) every g is dropped: "gg yyyy/MM/dd" => " yyyy/MM/dd".  A double-byte
/// character is kept whole in both cases.
std::string AdaptDatePattern(std::string_view picture, int calendarType, unsigned primaryLanguage,
                             const LeadByteSet& lead);

struct TimePatterns {
    std::string ShortTimePattern;
    std::string LongTimePattern;
};

/// The time patterns composed from the locale's clock settings: `clockFormat`
/// (LOCALE_ITIME, 0 = 12-hour), `markPosition` (LOCALE_ITIMEMARKPOSN, 0 = marker after the
/// time; only looked at on the 12-hour clock) and `hourLeadingZero` (LOCALE_ITLZERO).
///   (0, 0, 0) => "h:mm AMPM", "h:mm:ss AMPM";   (0, 1, 1) => "AMPM hh:mm", "AMPM hh:mm:ss";
///   (1, any, 0) => "h:mm", "h:mm:ss"
TimePatterns ComposeTimePatterns(int clockFormat, int markPosition, int hourLeadingZero);

}  // namespace keeper
