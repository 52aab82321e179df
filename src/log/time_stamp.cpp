#include "log/time_stamp.h"

#include <memory>

#include "log/strftime_picture.h"
#include "resources/messages.h"
#include "text/double_byte.h"
#include "text/integer_text.h"
#include "text/languages.h"

namespace keeper {

LocaleDateTimeSettings LocaleSettings;

namespace {

// The locale's names; the English one of the message table where it has none.
template <std::size_t N>
void NamesOrDefaults(const std::array<std::string, N>& names,
                     const std::array<MessageId, N>& defaults, std::array<std::string, N>& out) {
    for (std::size_t i = 0; i < N; ++i)
        out[i] = names[i].empty() ? MessageText(defaults[i]) : names[i];
}

int NumberOr(const std::optional<std::string>& text, const char* fallbackText, int fallback) {
    return ParseIntegerOr(text.value_or(fallbackText), fallback);
}

}  // namespace

LocaleDateTimeSettings SettingsFromAnswers(const LocaleAnswers& answers, const LeadByteSet& lead) {
    LocaleDateTimeSettings s;
    // The language steers the date picture and the era names.
    if ((answers.LocaleId & 0xFFFF) != 0) {
        s.PrimaryLanguage = answers.LocaleId & 0x3FF;
        s.SubLanguage = (answers.LocaleId >> 10) & 0x3F;
    }
    NamesOrDefaults(answers.MonthAbbreviations, MonthAbbreviationIds, s.MonthAbbreviations);
    NamesOrDefaults(answers.MonthNames, MonthNameIds, s.MonthFullNames);
    NamesOrDefaults(answers.DayAbbreviations, DayAbbreviationIds, s.DayAbbreviations);
    NamesOrDefaults(answers.DayNames, DayNameIds, s.DayFullNames);
    s.DateSeparatorChar = answers.DateSeparator.value_or(s.DateSeparatorChar);
    s.TimeSeparatorChar = answers.TimeSeparator.value_or(s.TimeSeparatorChar);
    s.AmDesignator = answers.AmDesignator.value_or(s.AmDesignator);
    s.PmDesignator = answers.PmDesignator.value_or(s.PmDesignator);

    if (answers.DateFormat || answers.TimeFormat) {
        // Strftime formats: the pictures keep / and : as separator tokens, which the
        // default separators print as strftime does.
        const std::string twelveHour = answers.TwelveHourFormat.value_or("");
        if (!answers.DateFormat.value_or("").empty()) {
            s.ShortDatePattern = PictureOfStrftime(*answers.DateFormat, twelveHour);
            s.LongDatePattern = s.ShortDatePattern;
        }
        if (!answers.TimeFormat.value_or("").empty()) {
            s.LongTimePattern = PictureOfStrftime(*answers.TimeFormat, twelveHour);
            s.ShortTimePattern = ShortTimePictureOf(s.LongTimePattern);
        }
        return s;
    }

    // Pictures, fitted to the calendar; the time patterns are the watchdog's own, built
    // from the clock settings, and the locale's time picture is not used.
    const int calendar = NumberOr(answers.CalendarType, "1", 1);
    s.ShortDatePattern = AdaptDatePattern(answers.ShortDatePicture.value_or("m/d/yy"), calendar,
                                          s.PrimaryLanguage, lead);
    s.LongDatePattern = AdaptDatePattern(answers.LongDatePicture.value_or("mmmm d, yyyy"), calendar,
                                         s.PrimaryLanguage, lead);
    const int clockFormat = NumberOr(answers.ClockFormat, "0", 0);
    const TimePatterns time = ComposeTimePatterns(
        clockFormat, clockFormat == 0 ? NumberOr(answers.MarkPosition, "0", 0) : 0,
        NumberOr(answers.HourLeadingZero, "0", 0));
    s.ShortTimePattern = time.ShortTimePattern;
    s.LongTimePattern = time.LongTimePattern;
    return s;
}

namespace {

[[gnu::noinline]] void TakeSettingsFrom(const LocaleAnswers& answers) {
    LocaleSettings = SettingsFromAnswers(answers, LeadBytes);
}

}  // namespace

void ReadLocaleDateTimeSettings() {
    // The answers go on the heap, and the record is made in a frame of its own after the
    // reading: the C library's locale loading goes deep into the stack, whose deepest page
    // stays resident for as long as the watcher waits.
    const auto answers = std::make_unique<const LocaleAnswers>(ReadLocaleAnswers());
    TakeSettingsFrom(*answers);
}

Result<DateTimeValue> CurrentLocalDateTime() {
    const LocalTime now = CurrentLocalTime();
    if (!IsValidDate(now.Year, now.Month, now.Day)) return {0, DateOutsideCalendar};
    if (!IsValidTime(now.Hour, now.Minute, now.Second, now.Millisecond))
        return {0, TimeOutsideCalendar};
    return {DateValueOf(now.Year, now.Month, now.Day) +
                TimeValueOf(now.Hour, now.Minute, now.Second, now.Millisecond),
            0};
}

std::string EraNameText(int count, std::uint16_t year, std::uint16_t month, std::uint16_t day) {
    std::string era = AlternateCalendarText("gg", year, month, day);
    if (count != 1 || era.empty()) return era;
    // The short form of the era name: the first character of a Japanese one, the last two
    // of a traditional Chinese one of four.
    if (LocaleSettings.PrimaryLanguage == LanguageJapanese)
        return era.substr(0, CharacterLength(era, 0, LeadBytes));
    if (LocaleSettings.PrimaryLanguage == LanguageChinese &&
        LocaleSettings.SubLanguage == SubLanguageChineseTraditional) {
        std::size_t characters = 0;
        std::size_t third = 0;
        for (std::size_t i = 0; i < era.size(); i += CharacterLength(era, i, LeadBytes)) {
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

std::string StampText(DateTimeValue value) {
    return DateTimeText("", value, LocaleSettings, LeadBytes, {EraNameText, EraYearText});
}

Result<std::string> TimeStampText() {
    const Result<DateTimeValue> now = CurrentLocalDateTime();
    if (now.Error != 0) return {{}, now.Error};
    return {StampText(now.Value), 0};
}

}  // namespace keeper
