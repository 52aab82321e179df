// libFuzzer target for the text parsers: the first byte picks the parser, the rest is
// its input. Each parser must neither crash nor break its own promises.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "log/date_time_text.h"
#include "text/arguments.h"
#include "text/integer_text.h"
#include "text/paths.h"
#include "text/profile_lookup.h"

namespace {

void Require(bool condition) {
    if (!condition) __builtin_trap();
}

void Integers(std::string_view text) {
    const auto value = keeper::ParseInteger(text);
    // A valid decimal text reads back as itself once written.
    if (value && !text.empty() && text.find_first_of("$xX") == std::string_view::npos &&
        text.front() >= '1' && text.front() <= '9')
        Require(keeper::IntegerText(*value) == text);
}

void Arguments(std::string_view line, const keeper::LeadByteSet& lead) {
    const int count = keeper::CountArguments(line, lead);
    for (int i = 0; i <= count; ++i)
        Require(i == 0 || !keeper::ArgumentOf(line, i, lead).empty());
    Require(keeper::ArgumentOf(line, count + 1, lead).empty());
}

void Paths(std::string_view path, const keeper::PathStyle& style,
           const keeper::LeadByteSet& lead) {
    // The directory part followed by the file-name part gives the path back.
    Require(keeper::DirectoryPart(path, style, lead) + keeper::FileNamePart(path, style, lead) ==
            path);
    keeper::ReplaceExtension(path, ".log", style, lead);
    keeper::WithTrailingDelimiter(path, style, lead);
}

void Formatter(std::string_view pattern, const keeper::LeadByteSet& lead) {
    const double value = keeper::DateValueOf(2026, 12, 7) + keeper::TimeValueOf(13, 5, 7, 250);
    Require(keeper::DateTimeText(pattern, value, {}, lead, {}).size() <= 256);
    keeper::AdaptDatePattern(pattern, 3, 17, lead);
}

void Settings(std::string_view contents) {
    Require(keeper::LookUpProfileString(contents, "Settings", "ApplicationName", 64).size() < 64);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const keeper::LeadByteSet shiftJis = keeper::ShiftJisLeadBytes();
    switch (data[0] % 7) {
        case 0: Integers(input); break;
        case 1: Arguments(input, shiftJis); break;
        case 2: Paths(input, keeper::WindowsPaths, shiftJis); break;
        case 3: Paths(input, keeper::PosixPaths, {}); break;
        case 4: Formatter(input, shiftJis); break;
        case 5: Formatter(input, {}); break;
        case 6: Settings(input); break;
    }
    return 0;
}
