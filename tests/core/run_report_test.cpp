#include "core/run_report.h"

#include <gtest/gtest.h>

namespace keeper {
namespace {

TEST(RunReportTest, StatusTextSaysHowTheProcessEnded) {
    const struct {
        ExitStatus Status;
        const char* SignalName;
        const char* Text;
    } cases[] = {
        {{ExitStatus::Exited, 0}, "", "exit code 0"},
        {{ExitStatus::Exited, 3}, "", "exit code 3"},
        {{ExitStatus::Exited, 0xFFFF}, "", "exit code 65535"},
        {{ExitStatus::Exited, 0x10000}, "", "exit code 65536 (0x00010000)"},
        {{ExitStatus::Exited, 0xC0000005}, "", "exit code 3221225477 (0xC0000005)"},
        {{ExitStatus::Exited, 0xFFFFFFFF}, "", "exit code 4294967295 (0xFFFFFFFF)"},
        {{ExitStatus::Signalled, 9}, "SIGKILL", "signal 9 (SIGKILL)"},
        {{ExitStatus::Signalled, 11}, "SIGSEGV", "signal 11 (SIGSEGV)"},
        {{ExitStatus::Unknown, 0}, "", "exit code unknown"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StatusText(c.Status, c.SignalName), c.Text);
}

TEST(RunReportTest, SecondsHaveOneDecimal) {
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "0.0"},      {49, "0.0"},      {50, "0.1"},         {12345, "12.3"},
        {12350, "12.4"}, {99950, "100.0"}, {3600000, "3600.0"},
    };
    for (const auto& [ms, text] : cases)
        EXPECT_EQ(SecondsText(ms), text) << ms;
}

TEST(RunReportTest, ExitCodeListsTakeIntegerFormsBetweenCommas) {
    const struct {
        const char* Text;
        bool Valid;
        std::vector<std::uint32_t> Codes;
    } cases[] = {
        {"3", true, {3}},
        {" 3 , 4,5 ", true, {3, 4, 5}},
        {"$10,0x10,x10", true, {16, 16, 16}},
        {"0xC0000005", true, {0xC0000005}},
        {"-1073741819", true, {0xC0000005}},  // the same 32-bit code
        {"-1", true, {0xFFFFFFFF}},
        {"3221225477", true, {0xC0000005}},  // as the End entry writes it
        {"4294967295", true, {0xFFFFFFFF}},
        {"4294967296", false, {}},
        {"+3221225477", false, {}},
        {"3,,4", false, {}},
        {"3,", false, {}},
        {",3", false, {}},
        {"3,x", false, {}},
        {"3;4", false, {}},
        {"1e3", false, {}},
        {" ", false, {}},
    };
    for (const auto& c : cases) {
        std::vector<std::uint32_t> codes = {99};
        EXPECT_EQ(ParseExitCodes(c.Text, codes), c.Valid) << c.Text;
        if (c.Valid)
            EXPECT_EQ(codes, c.Codes) << c.Text;
        else
            EXPECT_EQ(codes, std::vector<std::uint32_t>{99}) << c.Text;  // left as it was
    }
}

TEST(RunReportTest, OnlyAListedExitCodeEndsTheWatch) {
    const std::vector<std::uint32_t> codes = {3, 0xC0000005};
    EXPECT_TRUE(EndsWatch({ExitStatus::Exited, 3}, codes));
    EXPECT_TRUE(EndsWatch({ExitStatus::Exited, 0xC0000005}, codes));
    EXPECT_FALSE(EndsWatch({ExitStatus::Exited, 4}, codes));
    EXPECT_FALSE(EndsWatch({ExitStatus::Signalled, 3}, codes));  // signal 3 is no exit code
    EXPECT_FALSE(EndsWatch({ExitStatus::Unknown, 3}, codes));
    EXPECT_FALSE(EndsWatch({ExitStatus::Exited, 3}, {}));
}

}  // namespace
}  // namespace keeper
