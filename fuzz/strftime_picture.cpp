// The translation of strftime formats into pictures: any format translates, and a format
// without conversions renders as itself.
#include <cstdint>
#include <string>

#include "log/date_time_text.h"
#include "log/strftime_picture.h"
#include "support.h"

using keeper::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    const std::string twelveHour = provider.ConsumeRandomLengthString(16);
    const std::string format = provider.ConsumeRemainingBytesAsString();

    const std::string picture = keeper::PictureOfStrftime(format, twelveHour);
    const std::string shortPicture = keeper::ShortTimePictureOf(picture);
    const double value = keeper::DateValueOf(2026, 12, 8) + keeper::TimeValueOf(13, 5, 7, 0);
    const std::string text = keeper::DateTimeText(picture, value, {}, {}, {});
    keeper::DateTimeText(shortPicture, value, {}, {}, {});

    // Literal text comes through unchanged: letters and quotes are quoted, the separators
    // are the default record's / and :.
    if (format.find('%') == std::string::npos && format.find('\0') == std::string::npos &&
        !format.empty() && format.size() <= 256)
        Require(text == format);
    return 0;
}
