#include "platform/locale.h"

#include <langinfo.h>
#include <locale.h>
#include <time.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace keeper {
namespace {

constexpr nl_item MonthAbbreviationItems[12] = {ABMON_1, ABMON_2,  ABMON_3,  ABMON_4,
                                                ABMON_5, ABMON_6,  ABMON_7,  ABMON_8,
                                                ABMON_9, ABMON_10, ABMON_11, ABMON_12};
constexpr nl_item MonthNameItems[12] = {MON_1, MON_2, MON_3, MON_4,  MON_5,  MON_6,
                                        MON_7, MON_8, MON_9, MON_10, MON_11, MON_12};
// DAY_1 and ABDAY_1 are Sunday, as in the answers.
constexpr nl_item DayAbbreviationItems[7] = {ABDAY_1, ABDAY_2, ABDAY_3, ABDAY_4,
                                             ABDAY_5, ABDAY_6, ABDAY_7};
constexpr nl_item DayNameItems[7] = {DAY_1, DAY_2, DAY_3, DAY_4, DAY_5, DAY_6, DAY_7};

template <std::size_t N>
void ReadNames(locale_t time, const nl_item (&items)[N], std::array<std::string, N>& names) {
    for (std::size_t i = 0; i < N; ++i)
        names[i] = nl_langinfo_l(items[i], time);
}

/// The name of the user's LC_TIME locale, as the C library takes it from the environment:
/// LC_ALL, else LC_TIME, else LANG, the first that is set and not empty; "C" for none.
const char* TimeLocaleName() {
    for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
        const char* name = std::getenv(variable);
        if (name != nullptr && *name != '\0') return name;
    }
    return "C";
}

/// True for the C locale under its names: C, POSIX, and C with a character set (C.UTF-8),
/// whose date and time the C library defines as C's. The C library has C's built in; the
/// others it would look up in the locale archive, then load its table of locale aliases
/// and the locale's own files, and keep them all on the heap for good.
bool IsCLocale(std::string_view name) {
    return name == "C" || name == "POSIX" || name.starts_with("C.");
}

/// Has the C library read the local time zone, which it keeps on the heap for as long as
/// the process lives: its file's name, its data and the zone's names, small blocks it takes
/// while it reads the file through a buffer of a page. Small blocks freed just before are
/// taken first, so the ones it keeps come to lie low in the heap, before anything else, and
/// not behind the buffer: all that the waiting watcher keeps then fits the heap's first
/// page, the only one left to it once the freed memory is handed back.
void ReadTimeZone() {
    void* early[4];
    for (void*& block : early)
        block = std::malloc(20);
    for (void* block : early)
        std::free(block);
    const time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
}

}  // namespace

LocaleAnswers ReadLocaleAnswers() {
    // The user's LC_TIME as LC_ALL, LC_TIME and LANG name it, read without touching the
    // locale of the process. One that cannot be set (not installed, misspelt) means the
    // C locale, as for date(1); only when even that cannot be had is there no answer.
    LocaleAnswers answers;
    ReadTimeZone();
    const char* name = TimeLocaleName();
    locale_t time = newlocale(LC_TIME_MASK, IsCLocale(name) ? "C" : name,
                              static_cast<locale_t>(nullptr));
    if (time == nullptr) time = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(nullptr));
    if (time == nullptr) return answers;
    ReadNames(time, MonthAbbreviationItems, answers.MonthAbbreviations);
    ReadNames(time, MonthNameItems, answers.MonthNames);
    ReadNames(time, DayAbbreviationItems, answers.DayAbbreviations);
    ReadNames(time, DayNameItems, answers.DayNames);
    answers.DateFormat = nl_langinfo_l(D_FMT, time);
    answers.TimeFormat = nl_langinfo_l(T_FMT, time);
    answers.TwelveHourFormat = nl_langinfo_l(T_FMT_AMPM, time);
    answers.AmDesignator = nl_langinfo_l(AM_STR, time);
    answers.PmDesignator = nl_langinfo_l(PM_STR, time);
    freelocale(time);
    return answers;
}

LocalTime CurrentLocalTime() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    if (localtime_r(&now.tv_sec, &local) == nullptr) return {1899, 12, 30};
    // A leap second (60) counts as the last second of its minute.
    return {static_cast<std::uint16_t>(local.tm_year + 1900),
            static_cast<std::uint16_t>(local.tm_mon + 1),
            static_cast<std::uint16_t>(local.tm_mday),
            static_cast<std::uint16_t>(local.tm_hour),
            static_cast<std::uint16_t>(local.tm_min),
            static_cast<std::uint16_t>(std::min(local.tm_sec, 59)),
            static_cast<std::uint16_t>(now.tv_nsec / 1000000)};
}

std::string AlternateCalendarText(const char*, std::uint16_t, std::uint16_t, std::uint16_t) {
    return {};
}

}  // namespace keeper
