#include "core/launcher.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace keeper {
namespace {

TEST(Launcher, QuotesOnlyACommandThatNamesAFileWithBlanks) {
    const std::string existing = "keeper test app.bin";
    std::ofstream(existing) << "x";
    const struct {
        std::string Command;
        std::string Launched;
    } cases[] = {
        {existing, '"' + existing + '"'},
        {'"' + existing + '"', '"' + existing + '"'},  // quoted already
        {"keeper no such app.bin", "keeper no such app.bin"},
        {existing + " --flag", existing + " --flag"},  // not the file as a whole
        {"plain.bin", "plain.bin"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CommandForLaunch(c.Command), c.Launched) << c.Command;
    std::remove(existing.c_str());
}

TEST(Launcher, HangTimeoutAloneLeavesTheEnvironmentToTheBackend) {
    // The notification variables are the Linux backend's to set: the launch record keeps
    // keeper's environment (no block to build on Windows) and says what to watch.
    RunState run;
    run.HangTimeout = 1500;
    run.NotifyAddress = "@0001f";
    LaunchOptions options = LaunchOptionsOf(run, "app");
    EXPECT_TRUE(options.EnvironmentChanges.empty());
    EXPECT_EQ(options.WatchdogTimeout, 1500u);
    EXPECT_EQ(options.NotifyAddress, run.NotifyAddress);

    run.EnvironmentChanges = {{"KC_A", "1"}};
    options = LaunchOptionsOf(run, "app");
    ASSERT_EQ(options.EnvironmentChanges.size(), 1u);
    EXPECT_EQ(options.EnvironmentChanges[0].Name, "KC_A");

    run = RunState{};
    options = LaunchOptionsOf(run, "app");
    EXPECT_EQ(options.WatchdogTimeout, 0u);
    EXPECT_TRUE(options.EnvironmentChanges.empty());
}

}  // namespace
}  // namespace keeper
