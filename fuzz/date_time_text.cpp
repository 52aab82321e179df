// The formatter over arbitrary patterns, values and locale records, and the shaping of the
// locale's date picture.
#include <cstdint>
#include <string>

#include "log/date_time_text.h"
#include "support.h"

using keeper::fuzz::Require;

namespace {

std::string Short(FuzzedDataProvider& data) { return data.ConsumeRandomLengthString(24); }

keeper::LocaleDateTimeSettings Settings(FuzzedDataProvider& data) {
    keeper::LocaleDateTimeSettings s;
    if (!data.ConsumeBool()) return s;  // the default record, as in most runs of keeper
    s.DateSeparatorChar = data.ConsumeIntegral<char>();
    s.TimeSeparatorChar = data.ConsumeIntegral<char>();
    s.ShortDatePattern = Short(data);
    s.LongDatePattern = Short(data);
    s.ShortTimePattern = Short(data);
    s.LongTimePattern = Short(data);
    s.AmDesignator = Short(data);
    s.PmDesignator = Short(data);
    for (auto& name : s.MonthAbbreviations)
        name = Short(data);
    for (auto& name : s.MonthFullNames)
        name = Short(data);
    for (auto& name : s.DayAbbreviations)
        name = Short(data);
    for (auto& name : s.DayFullNames)
        name = Short(data);
    s.PrimaryLanguage = data.ConsumeIntegral<unsigned>();
    s.SubLanguage = data.ConsumeIntegral<unsigned>();
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    const keeper::LeadByteSet lead = keeper::fuzz::PickLeadBytes(provider);
    const keeper::LocaleDateTimeSettings settings = Settings(provider);
    // Any double: ordinary dates, the ends of the calendar, NaN and infinities.
    const double value = provider.ConsumeBool()
                             ? provider.ConsumeFloatingPoint<double>()
                             : provider.ConsumeFloatingPointInRange(-700000.0, 3000000.0);
    // The era queries are plain functions, as the platform's are: they answer from here.
    static std::string eraName;
    static std::string eraYear;
    eraName = Short(provider);
    eraYear = Short(provider);
    keeper::EraTexts era;
    era.EraNameText = [](int, std::uint16_t, std::uint16_t, std::uint16_t) { return eraName; };
    era.EraYearText = [](int, std::uint16_t, std::uint16_t, std::uint16_t) { return eraYear; };
    const int calendarType = provider.ConsumeIntegralInRange(0, 7);
    const std::string pattern = provider.ConsumeRemainingBytesAsString();

    Require(keeper::DateTimeText(pattern, value, settings, lead, era).size() <= 256);

    // Only the era calendars and the CJK languages change a date picture.
    const std::string adapted =
        keeper::AdaptDatePattern(pattern, calendarType, settings.PrimaryLanguage, lead);
    const bool eras = calendarType >= 3 && calendarType <= 5;
    const bool cjk = settings.PrimaryLanguage == 4 || settings.PrimaryLanguage == 17 ||
                     settings.PrimaryLanguage == 18;
    if (!eras && !cjk) Require(adapted == pattern);
    if (!eras && cjk) Require(adapted.size() <= pattern.size());
    return 0;
}
