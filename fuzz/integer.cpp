// ParseInteger: never crashes, and agrees with a plain reading of decimal texts.
#include <charconv>
#include <cstdint>
#include <string_view>

#include "support.h"
#include "text/integer_text.h"

using keeper::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto value = keeper::ParseInteger(text);

    // A text of an optional sign and decimal digits alone is valid exactly when its value
    // fits 32 bits, and then it is that value.
    std::string_view digits = text;
    const bool negative = !digits.empty() && digits.front() == '-';
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) digits.remove_prefix(1);
    if (!digits.empty() && digits.size() < 19 &&
        digits.find_first_not_of("0123456789") == std::string_view::npos) {
        std::int64_t expected = 0;
        std::from_chars(digits.data(), digits.data() + digits.size(), expected);
        if (negative) expected = -expected;
        const bool fits = expected >= INT32_MIN && expected <= INT32_MAX;
        Require(value.has_value() == fits);
        if (fits) Require(*value == expected);
    }
    // Whatever is valid writes back to a text that reads as the same value.
    if (value) Require(keeper::ParseInteger(keeper::IntegerText(*value)) == value);
    return 0;
}
