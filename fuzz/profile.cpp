// The settings-file lookup over arbitrary files, sections, keys and buffer sizes.
#include <cstdint>
#include <string>

#include "support.h"
#include "text/profile_lookup.h"
#include "text/utf8.h"

using keeper::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    const std::size_t buffer = provider.ConsumeIntegralInRange<std::size_t>(0, 300);
    const bool ownNames = provider.ConsumeBool();
    const std::string section = ownNames ? provider.ConsumeRandomLengthString(12) : "Settings";
    const std::string key = ownNames ? provider.ConsumeRandomLengthString(12) : "ApplicationName";
    const std::string contents = provider.ConsumeRemainingBytesAsString();

    const std::string value = keeper::LookUpProfileString(contents, section, key, buffer);
    // The value fits the buffer with its terminating NUL, holds no NUL, and never runs
    // past the end of its line.
    Require(value.size() + 1 <= (buffer == 0 ? 1 : buffer));
    Require(value.find('\0') == std::string::npos);
    Require(value.find_first_of("\r\n") == std::string::npos);
    // A UTF-16 file gives well-formed UTF-8, even when cut to the buffer.
    if (contents.starts_with("\xFF\xFE") || contents.starts_with("\xFE\xFF")) {
        char32_t code = 0;
        for (std::size_t at = 0; at < value.size();) {
            const std::size_t length = keeper::Utf8SequenceAt(value, at, code);
            Require(length != 0);
            at += length;
        }
    }
    return 0;
}
