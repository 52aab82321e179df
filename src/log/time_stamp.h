// The time stamp at the head of every log entry, and the locale settings it follows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "log/date_time.h"
#include "log/date_time_text.h"
#include "log/fatal_errors.h"
#include "platform/locale.h"

namespace keeper {

/// The date and time settings of the user's locale, read once at start-up and only read
/// afterwards; `TimeStampText` renders through them.
extern LocaleDateTimeSettings LocaleSettings;

/// The settings record the locale's answers make, with the text `lead` bytes: a failed
/// query gives the default of a default-constructed record, a name the locale lacks the
/// English one of the message table. Pictures (Windows) are fitted to the calendar; the
/// time patterns are composed from the clock settings. Strftime formats (Linux) are
/// translated into pictures.
LocaleDateTimeSettings SettingsFromAnswers(const LocaleAnswers& answers, const LeadByteSet& lead);

/// Fills `LocaleSettings` from the user's locale; runs once at start-up.
void ReadLocaleDateTimeSettings();

/// The local date and time now; DateOutsideCalendar or TimeOutsideCalendar when the clock
/// gives one outside the calendar.
Result<DateTimeValue> CurrentLocalDateTime();

/// The era tokens g and e of the time stamp, from the platform's alternate calendar: the
/// era's name (with a count of 1 its short form: the first character of a Japanese one,
/// the last two of four of a traditional Chinese one) and the year within the era (with a
/// count of 1 without a leading zero). The empty text when the calendar has none.
std::string EraNameText(int count, std::uint16_t year, std::uint16_t month, std::uint16_t day);
std::string EraYearText(int count, std::uint16_t year, std::uint16_t month, std::uint16_t day);

/// The date and time `value` as the time stamp of an entry made then gives it.
std::string StampText(DateTimeValue value);

/// The local date and time now in the user's short date and long time patterns (the
/// pattern "C"); at midnight to the second the date alone. The error of
/// CurrentLocalDateTime when the clock is outside the calendar.
Result<std::string> TimeStampText();

}  // namespace keeper
