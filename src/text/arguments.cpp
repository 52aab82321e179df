// Splitting a command line into arguments.
#include "text/arguments.h"

#include <climits>
#include <utility>

#include "text/ascii.h"

namespace keeper {

namespace {

constexpr unsigned char Quote = 0x22;
constexpr unsigned char LastSeparator = 0x20;

// The byte at `pos` as an unsigned value; 0 past the end, so that the end of the view and
// a NUL byte both end the command line.
unsigned char ByteAt(std::string_view text, std::size_t pos) {
    return pos < text.size() ? static_cast<unsigned char>(text[pos]) : 0;
}

// Skips blanks, control bytes and stand-alone pairs of double quotes.
std::size_t SkipSeparators(std::string_view text, std::size_t pos, const LeadByteSet& lead) {
    for (;;) {
        const unsigned char byte = ByteAt(text, pos);
        if (byte != 0 && byte <= LastSeparator) {
            pos += CharacterLength(text, pos, lead);
        } else if (byte == Quote && ByteAt(text, pos + 1) == Quote) {
            pos += 2;
        } else {
            return pos;
        }
    }
}

// ScanArgument over a command line that holds no NUL byte.
ScannedArgument Scan(std::string_view commandLine, std::size_t pos, const LeadByteSet& lead) {
    ScannedArgument result;
    pos = SkipSeparators(commandLine, pos, lead);
    while (ByteAt(commandLine, pos) > LastSeparator) {
        if (ByteAt(commandLine, pos) == Quote) {
            ++pos;
            // Inside quotes everything up to the closing quote belongs to the argument.
            while (ByteAt(commandLine, pos) != 0 && ByteAt(commandLine, pos) != Quote) {
                const std::size_t length = CharacterLength(commandLine, pos, lead);
                result.Token.append(commandLine.substr(pos, length));
                pos += length;
            }
            if (ByteAt(commandLine, pos) == Quote) {
                ++pos;
            }
        } else {
            const std::size_t length = CharacterLength(commandLine, pos, lead);
            result.Token.append(commandLine.substr(pos, length));
            pos += length;
        }
    }
    result.Next = pos < commandLine.size() ? pos : commandLine.size();
    return result;
}

}  // namespace

ScannedArgument ScanArgument(std::string_view commandLine, std::size_t pos,
                             const LeadByteSet& lead) {
    return Scan(UpToNul(commandLine), pos, lead);
}

int CountArguments(std::string_view commandLine, const LeadByteSet& lead) {
    commandLine = UpToNul(commandLine);
    std::size_t pos = Scan(commandLine, 0, lead).Next;
    int count = 0;
    while (count < INT_MAX) {
        const ScannedArgument argument = Scan(commandLine, pos, lead);
        if (argument.Token.empty()) {
            break;
        }
        ++count;
        pos = argument.Next;
    }
    return count;
}

std::string ArgumentOf(std::string_view commandLine, int index, const LeadByteSet& lead) {
    if (index < 0) {
        return {};
    }
    commandLine = UpToNul(commandLine);
    std::size_t pos = 0;
    for (int number = 0;; ++number) {
        ScannedArgument argument = Scan(commandLine, pos, lead);
        if (argument.Token.empty() || number == index) {
            return std::move(argument.Token);
        }
        pos = argument.Next;
    }
}

}  // namespace keeper
