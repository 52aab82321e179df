#include "core/stopping.h"

#include <gtest/gtest.h>

#include <string>

namespace keeper {
namespace {

// A fake process that ends at the request or at the end by force, as the case says; the
// calls are written down in order.
struct FakeProcess {
    bool EndsWhenAsked = false;
    bool EndsWhenForced = true;
    bool Asked = false;
    bool Forced = false;
    std::string Calls;
} Fake;

const EndingCalls FakeEnding = {
    [](const Watched&) {
        Fake.Asked = true;
        Fake.Calls += "ask ";
    },
    [](const Watched&, std::uint32_t milliseconds) {
        Fake.Calls += "wait " + std::to_string(milliseconds) + " ";
        return (Fake.Asked && Fake.EndsWhenAsked) || (Fake.Forced && Fake.EndsWhenForced);
    },
    [](const Watched&) {
        Fake.Forced = true;
        Fake.Calls += "force ";
    },
    [](const Watched&) { Fake.Calls += "end-group "; },
};

TEST(StoppingTest, AskFirstThenEndByForceAfterTheGraceTime) {
    const struct {
        bool Ask;
        bool EndsWhenAsked;
        bool EndsWhenForced;
        Ending Result;
        const char* Calls;
    } cases[] = {
        // Ended on the request: what it started may have ignored it, and goes by force.
        {true, true, true, Ending::Asked, "ask wait 1500 end-group "},
        {true, false, true, Ending::Forced, "ask wait 1500 force wait 10000 end-group "},
        // Still running: nothing more to do; the caller says so.
        {true, false, false, Ending::Failed, "ask wait 1500 force wait 10000 "},
        // A hung application is not asked: it cannot answer.
        {false, true, true, Ending::Forced, "force wait 10000 end-group "},
    };
    for (const auto& c : cases) {
        Fake = {c.EndsWhenAsked, c.EndsWhenForced, false, false, ""};
        EXPECT_EQ(EndApplication({1, 42, NoHandle, true}, c.Ask, 1500, FakeEnding), c.Result)
            << c.Calls;
        EXPECT_EQ(Fake.Calls, c.Calls);
    }
}

TEST(StoppingTest, TheStopperWaitsTheGraceTimeAndTheForcedEndsWaitAndMore) {
    static std::uint32_t waited = 0;
    static bool ends = false;
    const auto wait = [](Handle, const std::string&, std::uint32_t milliseconds) {
        waited = milliseconds;
        return ends;
    };
    ends = true;
    EXPECT_EQ(AwaitWatcherEnd(wait, 1, "keeper_APP", 5000), 0);
    // A watcher whose forced end fails has waited 5000 + 10000 ms before its last entries.
    EXPECT_EQ(waited, 20000u);
    ends = false;
    EXPECT_EQ(AwaitWatcherEnd(wait, 1, "keeper_APP", 2147483647), 2);  // no overflow
    EXPECT_EQ(waited, 2147498647u);
}

}  // namespace
}  // namespace keeper
