#include "core/run_report.h"

#include <algorithm>

#include "resources/messages.h"
#include "text/integer_text.h"

namespace keeper {
namespace {

std::string UnsignedText(std::uint64_t value) {
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + value % 10));
        value /= 10;
    } while (value != 0);
    return digits;
}

/// The text without the blanks around it.
std::string_view WithoutBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

/// A code in a form ParseInteger accepts, or in unsigned decimal up to 4294967295: the form
/// the "End" entry writes a Windows status code in.
bool ExitCodeOf(std::string_view text, std::uint32_t& code) {
    if (const std::optional<std::int32_t> value = ParseInteger(text)) {
        code = static_cast<std::uint32_t>(*value);
        return true;
    }
    if (text.empty() || text.size() > 10 ||
        text.find_first_not_of("0123456789") != std::string_view::npos)
        return false;
    std::uint64_t value = 0;
    for (const char digit : text)
        value = value * 10 + static_cast<std::uint64_t>(digit - '0');
    if (value > 0xFFFFFFFF) return false;
    code = static_cast<std::uint32_t>(value);
    return true;
}

}  // namespace

std::string StatusText(const ExitStatus& status, std::string_view signalName) {
    switch (status.How) {
        case ExitStatus::Exited: {
            std::string code = UnsignedText(status.Value);
            if (status.Value >= 0x10000) code += " (0x" + HexDigits(status.Value, 8) + ")";
            return FormatMessageText(MessageId::ExitCodeText, {code});
        }
        case ExitStatus::Signalled:
            return FormatMessageText(MessageId::SignalText,
                                     {UnsignedText(status.Value), signalName});
        case ExitStatus::Unknown:
            break;
    }
    return MessageText(MessageId::ExitCodeUnknownText);
}

std::string SecondsText(std::uint64_t milliseconds) {
    const std::uint64_t tenths = (milliseconds + 50) / 100;
    return UnsignedText(tenths / 10) + "." + static_cast<char>('0' + tenths % 10);
}

bool ParseExitCodes(std::string_view text, std::vector<std::uint32_t>& codes) {
    std::vector<std::uint32_t> parsed;
    for (;;) {
        const std::size_t comma = text.find(',');
        std::uint32_t code = 0;
        if (!ExitCodeOf(WithoutBlanks(text.substr(0, comma)), code)) return false;
        parsed.push_back(code);
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    codes = std::move(parsed);
    return true;
}

bool EndsWatch(const ExitStatus& status, const std::vector<std::uint32_t>& codes) {
    return status.How == ExitStatus::Exited &&
           std::find(codes.begin(), codes.end(), status.Value) != codes.end();
}

}  // namespace keeper
