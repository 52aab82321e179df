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
        // WATCHDOG_USEC= sets the time-out, counted from the last ping; it is no ping.
        {{{5000, "READY=1\nWATCHDOG_USEC=3000000"}}, 7999, false},
        {{{5000, "READY=1\nWATCHDOG_USEC=3000000"}}, 8000, true},
        {{{5000, "READY=1"}, {5500, "WATCHDOG_USEC=3000000"}}, 7999, false},
        {{{5000, "READY=1"}, {5500, "WATCHDOG_USEC=3000000"}}, 8000, true},
        {{{5000, "WATCHDOG_USEC=3000000"}}, 99999, false},
        {{{5000, "WATCHDOG_USEC=3000000"}, {6000, "WATCHDOG=1"}}, 8999, false},
        {{{5000, "READY=1\nWATCHDOG_USEC=1500"}}, 5001, false},  // rounded up to 2 ms
        {{{5000, "READY=1\nWATCHDOG_USEC=1500"}}, 5002, true},
        {{{5000, "READY=1\nWATCHDOG_USEC=0"}}, 99999, false},  // 0: no ping is due
        {{{5000, "READY=1\nWATCHDOG_USEC=18446744073709551615"}}, 99999, false},
        // Numbers that are none leave the time-out as it was.
        {{{5000, "READY=1\nWATCHDOG_USEC=18446744073709551616"}}, 6000, true},
        {{{5000, "READY=1\nWATCHDOG_USEC=-3000000"}}, 6000, true},
        {{{5000, "READY=1\nWATCHDOG_USEC=3000000 "}}, 6000, true},
        {{{5000, "READY=1\nWATCHDOG_USEC=\nWATCHDOG_USEC=+3000000"}}, 6000, true},
        {{{5000, "READY=1\nEXTEND_TIMEOUT_USEC=3000000"}}, 6000, true},  // ignored
        // STOPPING=1 ends every check, a trigger's too.
        {{{5000, "READY=1"}, {5200, "STOPPING=1"}}, 99999, false},
        {{{5000, "STOPPING=1\nWATCHDOG=trigger"}}, 5000, false},
        {{{5000, "STOPPING=0"}, {5000, "READY=1"}}, 6000, true},
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

TEST(HangWatchTest, ALaunchedApplicationMustSayItIsReadyInTime) {
    // ReadyBy 3000, time-out 10000: datagrams at 2000, then the question at `Asked`.
    const struct {
        const char* Datagram;  // none: nothing came
        std::uint64_t Asked;
        bool Hung;
    } cases[] = {
        {nullptr, 2999, false},       {nullptr, 3000, true},
        {"READY=1", 3000, false},     {"WATCHDOG=1", 11999, false},
        {"READY=1", 12000, true},     {"STATUS=starting", 3000, true},
        {"STOPPING=1", 99999, false}, {"WATCHDOG_USEC=0", 3000, true},
    };
    for (const auto& c : cases) {
        HangWatch watch{10000};
        watch.ReadyBy = 3000;
        if (c.Datagram != nullptr) TakeNotification(watch, 2000, c.Datagram);
        EXPECT_EQ(Hangs(watch, c.Asked), c.Hung)
            << (c.Datagram != nullptr ? c.Datagram : "nothing") << " asked at " << c.Asked;
    }
}

TEST(HangWatchTest, TheWaitEndsWhenTheFirstPingIsDueAndNeverAfterStopping) {
    HangWatch watch{10000};
    watch.ReadyBy = 3000;
    std::uint32_t wait = 0;
    ASSERT_TRUE(PingDeadline(watch, 1000, wait));
    EXPECT_EQ(wait, 2000u);
    TakeNotification(watch, 2000, "READY=1\nWATCHDOG_USEC=4000000");
    ASSERT_TRUE(PingDeadline(watch, 2000, wait));
    EXPECT_EQ(wait, 4000u);
    TakeNotification(watch, 2500, "WATCHDOG_USEC=0");
    EXPECT_FALSE(PingDeadline(watch, 2500, wait));  // no ping is due any more
    TakeNotification(watch, 2600, "WATCHDOG_USEC=1000000");
    ASSERT_TRUE(PingDeadline(watch, 2600, wait));
    EXPECT_EQ(wait, 400u);
    TakeNotification(watch, 2700, "STOPPING=1");
    EXPECT_FALSE(PingDeadline(watch, 2700, wait));
    EXPECT_FALSE(Hangs(watch, 99999));
}

TEST(HangWatchTest, TheApplicationAndItsSessionSpeakForIt) {
    // The application is process 100; a datagram of `Sender`, whose session was read as
    // `Session` (0: it had gone).
    const struct {
        bool LeadsSession;
        std::uint32_t Sender;
        std::uint32_t Session;
        bool Speaks;
    } cases[] = {
        {true, 100, 100, true},   // the application itself
        {true, 130, 100, true},   // a process of its session: systemd-notify of a script
        {true, 130, 7, false},    // a process of another session
        {true, 130, 0, false},    // one that had gone before its datagram was read
        {true, 100, 0, true},     // the application itself, ending
        {false, 100, 42, true},   // an adopted instance that leads no session
        {false, 130, 42, false},  // ... whose session is someone else's
        {false, 130, 100, false}, {true, 0, 100, false},  // a sender the kernel could not name
        {false, 0, 0, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SpeaksFor(100, c.LeadsSession, c.Sender, c.Session), c.Speaks)
            << c.LeadsSession << " " << c.Sender << " " << c.Session;
}

}  // namespace
}  // namespace keeper
