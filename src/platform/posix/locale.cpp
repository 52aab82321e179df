#include "platform/locale.h"

#include <langinfo.h>
#include <locale.h>
#include <time.h>

#include <algorithm>
#include <array>

#include "log/strftime_picture.h"
#include "resources/messages.h"

namespace keeper {

LocaleDateTimeSettings LocaleSettings;

namespace {

constexpr std::array<nl_item, 12> MonthAbbreviationItems = {ABMON_1, ABMON_2,  ABMON_3,  ABMON_4,
                                                            ABMON_5, ABMON_6,  ABMON_7,  ABMON_8,
                                                            ABMON_9, ABMON_10, ABMON_11, ABMON_12};
constexpr std::array<nl_item, 12> MonthNameItems = {MON_1, MON_2, MON_3, MON_4,  MON_5,  MON_6,
                                                    MON_7, MON_8, MON_9, MON_10, MON_11, MON_12};
// DAY_1 and ABDAY_1 are Sunday, as in the record.
constexpr std::array<nl_item, 7> DayAbbreviationItems = {ABDAY_1, ABDAY_2, ABDAY_3, ABDAY_4,
                                                         ABDAY_5, ABDAY_6, ABDAY_7};
constexpr std::array<nl_item, 7> DayNameItems = {DAY_1, DAY_2, DAY_3, DAY_4, DAY_5, DAY_6, DAY_7};

// The names of one kind; an empty one is the English name of the message table.
template <std::size_t N>
void ReadNames(locale_t time, const std::array<nl_item, N>& items,
               const std::array<MessageId, N>& defaults, std::array<std::string, N>& names) {
    for (std::size_t i = 0; i < N; ++i) {
        names[i] = time != nullptr ? nl_langinfo_l(items[i], time) : "";
        if (names[i].empty()) names[i] = MessageText(defaults[i]);
    }
}

}  // namespace

void ReadLocaleDateTimeSettings() {
    // The user's LC_TIME as LC_ALL, LC_TIME and LANG name it, read without touching the
    // locale of the process. One that cannot be set (not installed, misspelt) means the
    // C locale, as for date(1); only when even that cannot be had do the defaults stay.
    LocaleDateTimeSettings settings;
    locale_t time = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
    if (time == nullptr) time = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(nullptr));
    ReadNames(time, MonthAbbreviationItems, MonthAbbreviationIds, settings.MonthAbbreviations);
    ReadNames(time, MonthNameItems, MonthNameIds, settings.MonthFullNames);
    ReadNames(time, DayAbbreviationItems, DayAbbreviationIds, settings.DayAbbreviations);
    ReadNames(time, DayNameItems, DayNameIds, settings.DayFullNames);
    if (time != nullptr) {
        // The pictures keep / and : as separator tokens; these separators print them as
        // strftime does.
        settings.DateSeparatorChar = '/';
        settings.TimeSeparatorChar = ':';
        const std::string dateFormat = nl_langinfo_l(D_FMT, time);
        const std::string timeFormat = nl_langinfo_l(T_FMT, time);
        const std::string twelveHourFormat = nl_langinfo_l(T_FMT_AMPM, time);
        if (!dateFormat.empty()) {
            settings.ShortDatePattern = PictureOfStrftime(dateFormat, twelveHourFormat);
            settings.LongDatePattern = settings.ShortDatePattern;
        }
        if (!timeFormat.empty()) {
            settings.LongTimePattern = PictureOfStrftime(timeFormat, twelveHourFormat);
            settings.ShortTimePattern = ShortTimePictureOf(settings.LongTimePattern);
        }
        settings.AmDesignator = nl_langinfo_l(AM_STR, time);
        settings.PmDesignator = nl_langinfo_l(PM_STR, time);
        freelocale(time);
    }
    LocaleSettings = std::move(settings);
}

DateTimeValue CurrentLocalDateTime() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    if (localtime_r(&now.tv_sec, &local) == nullptr) return 0;
    // A leap second (60) counts as the last second of its minute.
    const auto second = static_cast<std::uint16_t>(std::min(local.tm_sec, 59));
    return DateValueOf(static_cast<std::uint16_t>(local.tm_year + 1900),
                       static_cast<std::uint16_t>(local.tm_mon + 1),
                       static_cast<std::uint16_t>(local.tm_mday)) +
           TimeValueOf(static_cast<std::uint16_t>(local.tm_hour),
                       static_cast<std::uint16_t>(local.tm_min), second,
                       static_cast<std::uint16_t>(now.tv_nsec / 1000000));
}

EraTexts PlatformEraTexts() {
    const auto none = [](int, std::uint16_t, std::uint16_t, std::uint16_t) {
        return std::string();
    };
    return EraTexts{none, none};
}

}  // namespace keeper
