#include "platform/events.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/process_text.h"
#include "platform/processes.h"
#include "text/paths.h"

namespace keeper {
namespace {

/// A name no other test run uses.
std::string UniqueName(const char* what) {
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    return std::string("keeper-test_") + what + "_" + std::to_string(now);
}

/// Launches the demo program beside the test binary for `lifetime` milliseconds.
Handle LaunchDemo(const char* lifetime) {
    const std::string dir = DirectoryPart(ArgumentAt(0), NativePaths, LeadBytes);
    const Launch launch = LaunchProcess(dir + "keeper-demo " + lifetime);
    EXPECT_NE(launch.Process, NoHandle) << "error " << launch.Error;
    return launch.Process;
}

TEST(InstanceEvent, ExactlyTheFirstCreatorSeesTheNameAsNew) {
    const std::string name = UniqueName("new");
    const InstanceEvent first = CreateInstanceEvent(name);
    ASSERT_NE(first.Event, NoHandle) << "error " << first.Error;
    EXPECT_FALSE(first.Existed);
    const InstanceEvent second = CreateInstanceEvent(name);
    ASSERT_NE(second.Event, NoHandle);
    EXPECT_TRUE(second.Existed);
    // Names are compared exactly, case included.
    const InstanceEvent other = CreateInstanceEvent(name + "X");
    const InstanceEvent otherCase = CreateInstanceEvent(name + "x");
    EXPECT_FALSE(other.Existed);
    EXPECT_FALSE(otherCase.Existed);
}

TEST(InstanceEvent, SignalWaitsForTheNextWaitAndWinsTies) {
    const std::string name = UniqueName("signal");
    const InstanceEvent watcher = CreateInstanceEvent(name);
    const InstanceEvent stopper = CreateInstanceEvent(name);
    ASSERT_TRUE(stopper.Existed);

    ErrorCode error = 0;
    // Two signals while nobody waits are one pending signal.
    ASSERT_TRUE(SignalEvent(stopper.Event));
    ASSERT_TRUE(SignalEvent(stopper.Event));
    const Handle running = LaunchDemo("5000");
    EXPECT_EQ(WaitForStopOrExit(watcher.Event, running, error), WaitOutcome::StopRequested);

    const Handle ended = LaunchDemo("0");
    EXPECT_EQ(WaitForStopOrExit(watcher.Event, ended, error), WaitOutcome::ProcessEnded);

    // Both ready: the event comes first.
    ASSERT_TRUE(SignalEvent(stopper.Event));
    EXPECT_EQ(WaitForStopOrExit(watcher.Event, ended, error), WaitOutcome::StopRequested);
    EXPECT_EQ(WaitForStopOrExit(watcher.Event, ended, error), WaitOutcome::ProcessEnded);
    CloseProcess(ended);
    CloseProcess(running);  // the demo ends by itself a little later
}

}  // namespace
}  // namespace keeper
