#include "core/hang_watch.h"

#include <gtest/gtest.h>

#include <vector>

namespace keeper {
namespace {

TEST(HangWatchTest, AWindowHangsWhenItFailsEveryCheckForTheTimeOut) {
    // Checks at the given times (ms), failing or not, and whether the application hangs
    // after the last one; time-out 1000.
    const struct {
        std::vector<std::pair<std::uint64_t, bool>> Checks;
        bool Hung;
    } cases[] = {
        {{{5000, false}, {5250, false}}, false},
        {{{5000, true}}, false},
        {{{5000, true}, {5250, true}, {5500, true}, {5750, true}}, false},  // 750 ms only
        {{{5000, true}, {5250, true}, {5500, true}, {5750, true}, {6000, true}}, true},
        {{{5000, true}, {5500, true}, {5750, false}, {6000, true}, {6750, true}}, false},
        {{{5000, true}, {5500, true}, {5750, false}, {6000, true}, {7000, true}}, true},
        {{{5000, false}, {9000, true}, {9999, true}}, false},
    };
    for (const auto& c : cases) {
        HangWatch watch{1000};
        for (const auto& [now, failing] : c.Checks)
            TakeWindowCheck(watch, now, failing);
        EXPECT_EQ(Hangs(watch, c.Checks.back().first), c.Hung)
            << ::testing::PrintToString(c.Checks);
    }
}

TEST(HangWatchTest, PingsArmTheWatchAndMustComeWithinTheTimeOut) {
    // Datagrams at the given times, then the question at `Asked`; time-out 1000.
    const struct {
        std::vector<std::pair<std::uint64_t, const char*>> Datagrams;
        std::uint64_t Asked;
        bool Hung;
    } cases[] = {
        {{}, 99999, false},                           // never pinged: never hung
        {{{5000, "STATUS=starting"}}, 99999, false},  // other lines arm nothing
        {{{5000, "READY=1"}}, 5999, false},
        {{{5000, "READY=1"}}, 6000, true},
        {{{5000, "WATCHDOG=1"}, {5900, "WATCHDOG=1"}}, 6800, false},
        {{{5000, "WATCHDOG=1"}, {5900, "STATUS=busy"}}, 6000, true},  // STATUS is no ping
        {{{5000, "STATUS=x\nREADY=1\nMAINPID=3"}}, 5500, false},      // several lines
        {{{5000, "STATUS=x\nREADY=1\nMAINPID=3"}}, 6000, true},
        {{{5000, "WATCHDOG=trigger"}}, 5000, true},  // at once, armed or not
        {{{5000, "READY=1\nWATCHDOG=trigger\n"}}, 5000, true},
        {{{5000, "WATCHDOG=11"}, {5000, "READY=10"}, {5000, " WATCHDOG=1"}}, 99999, false},
        {{{5000, "\n\n"}, {5000, "WATCHDOG=1x"}, {5000, "WATCHDOG=1\r"}}, 99999, false},
    };
    for (const auto& c : cases) {
        HangWatch watch{1000};
        for (const auto& [now, text] : c.Datagrams)
            TakeNotification(watch, now, text);
        EXPECT_EQ(Hangs(watch, c.Asked), c.Hung) << ::testing::PrintToString(c.Datagrams);
    }
}

TEST(HangWatchTest, TheWaitLastsUntilAPingIsDue) {
    HangWatch watch{10000};
    std::uint32_t wait = 0;
    EXPECT_FALSE(PingDeadline(watch, 5000, wait));  // unarmed: no time-out at all
    TakeNotification(watch, 5000, "READY=1");
    ASSERT_TRUE(PingDeadline(watch, 7500, wait));
    EXPECT_EQ(wait, 7500u);
    ASSERT_TRUE(PingDeadline(watch, 16000, wait));
    EXPECT_EQ(wait, 0u);
    EXPECT_EQ(CheckInterval(10000), 2500u);
    EXPECT_EQ(CheckInterval(400), 250u);  // never more often than every 250 ms
}

}  // namespace
}  // namespace keeper
