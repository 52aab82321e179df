// The settings-file lookup over arbitrary files, sections, keys and buffer sizes.
#include <cstdint>
#include <string>

#include "support.h"
#include "text/profile_lookup.h"

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
    return 0;
}
