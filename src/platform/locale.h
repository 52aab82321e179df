// The clock and the user's date and time conventions.
#pragma once

#include <cstdint>
#include <string>

#include "log/date_time.h"
#include "log/date_time_text.h"

namespace keeper {

/// The date and time settings of the user's locale, read once at start-up and only read
/// afterwards; `TimeStampText` renders through them.
extern LocaleDateTimeSettings LocaleSettings;

/// Fills `LocaleSettings` from the thread locale; failed queries give the defaults of a
/// default-constructed record, names the English ones of the message table.
/// Note: Linux translates LC_TIME's date and time formats into picture tokens; an
/// LC_TIME that cannot be set (not installed) gives those of the C locale.
void ReadLocaleDateTimeSettings();

/// The local date and time now.
DateTimeValue CurrentLocalDateTime();

/// The era tokens g and e through the platform's alternate calendar.
/// Note: Linux has no alternate calendar; both give the empty text.
EraTexts PlatformEraTexts();

}  // namespace keeper
