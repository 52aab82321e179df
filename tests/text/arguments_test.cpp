#include "text/arguments.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "support/shift_jis.h"

namespace keeper {
namespace {

using namespace std::string_view_literals;

struct SplitCase {
    std::string_view line;
    std::vector<std::string> tokens;  // token 0 is the program token
    bool shiftJis = false;
};

TEST(ArgumentsTest, SplitsCountsAndIndexes) {
    const SplitCase cases[] = {
        // Quoting
        {R"(prog a"b c"d)", {"prog", "ab cd"}},
        {R"("C:\Program Files\keeper.exe" /u)", {R"(C:\Program Files\keeper.exe)", "/u"}},
        {R"(prog "unclosed  stretch)", {"prog", "unclosed  stretch"}},
        {R"(prog a""b)", {"prog", "ab"}},
        {R"(prog a\"b c"\ d)", {"prog", R"(a\b c\)", "d"}},
        // A backslash before a double quote is an ordinary byte: the quote closes
        {R"("C:\dir\" /u)", {R"(C:\dir\)", "/u"}},
        {R"(prog """ x)", {"prog", " x"}},
        // Stand-alone pairs of quotes are no argument; a lone final quote ends the count
        {R"(prog "" x "")", {"prog", "x"}},
        {R"("" prog "" "" a)", {"prog", "a"}},
        {R"(prog """")", {"prog"}},
        {R"(prog a ")", {"prog", "a"}},
        {R"(prog a " )", {"prog", "a", " "}},
        // Separators
        {"prog", {"prog"}},
        {"", {}},
        {"  \t ", {}},
        {"prog\ta\x01"
         "b\x1f\x1f  c\r\n",
         {"prog", "a", "b", "c"}},
        {"prog x\0y z"sv, {"prog", "x"}},  // NUL ends the command line
        {"prog \x80\xff", {"prog", "\x80\xff"}},
        // A lead byte takes the next byte with it, even a quote or a blank
        {"prog \"\x81\" x\" y", {"prog", "\x81\" x", "y"}, true},
        {"prog \"\x81\" x\" y", {"prog", "\x81", "x y"}, false},
        {"prog \x81 y", {"prog", "\x81 y"}, true},
        {"prog a\x81", {"prog", "a\x81"}, true},
        {"prog a\x81\0b c"sv, {"prog", "a\x81"}, true},  // but never a NUL
    };
    for (const SplitCase& c : cases) {
        const LeadByteSet lead = c.shiftJis ? ShiftJisLeadBytes() : LeadByteSet{};
        const int count = c.tokens.empty() ? 0 : static_cast<int>(c.tokens.size()) - 1;
        EXPECT_EQ(CountArguments(c.line, lead), count) << c.line;
        for (int i = 0; i < static_cast<int>(c.tokens.size()); ++i) {
            EXPECT_EQ(ArgumentOf(c.line, i, lead), c.tokens[i]) << c.line << " #" << i;
        }
        EXPECT_EQ(ArgumentOf(c.line, count + 1, lead), "") << c.line;
        EXPECT_EQ(ArgumentOf(c.line, -1, lead), "") << c.line;
    }
}

struct ScanCase {
    std::string_view line;
    std::size_t pos;
    std::string token;
    std::size_t next;
};

TEST(ArgumentsTest, ScanStopsAtTheSeparatorAfterTheToken) {
    const ScanCase cases[] = {
        {R"(a"b c"d e)", 0, "ab cd", 7}, {R"(a"b c"d e)", 7, "e", 9}, {R"(a"b c"d e)", 9, "", 9},
        {R"(a"b c"d e)", 3, "cd e", 9},  // the quote at 5 opens a stretch that is never closed
        {R"(x "" "" )", 1, "", 8},       {R"(x ")", 1, "", 3},        {"abc", 42, "", 3},
    };
    for (const ScanCase& c : cases) {
        const ScannedArgument scanned = ScanArgument(c.line, c.pos, LeadByteSet{});
        EXPECT_EQ(scanned.Token, c.token) << c.line << " @" << c.pos;
        EXPECT_EQ(scanned.Next, c.next) << c.line << " @" << c.pos;
    }
}

}  // namespace
}  // namespace keeper
