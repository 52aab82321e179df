#include "platform/events.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "log/event_log.h"
#include "platform/posix/event_errors.h"
#endif

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
    LaunchOptions options;
    options.CommandLine = dir + "keeper-demo " + lifetime;
    const Launch launch = LaunchProcess(options);
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

    // Two signals while nobody waits are one pending signal.
    ASSERT_TRUE(SignalEvent(stopper.Event));
    ASSERT_TRUE(SignalEvent(stopper.Event));
    const Handle running = LaunchDemo("5000");
    EXPECT_EQ(Wait({watcher.Event, running}, NoDeadline).Value, WaitOutcome::StopRequested);

    const Handle ended = LaunchDemo("0");
    EXPECT_EQ(Wait({watcher.Event, ended}, NoDeadline).Value, WaitOutcome::ProcessEnded);

    // Both ready: the event comes first.
    ASSERT_TRUE(SignalEvent(stopper.Event));
    EXPECT_EQ(Wait({watcher.Event, ended}, NoDeadline).Value, WaitOutcome::StopRequested);
    EXPECT_EQ(Wait({watcher.Event, ended}, NoDeadline).Value, WaitOutcome::ProcessEnded);
    CloseProcess(ended);
    CloseProcess(running);  // the demo ends by itself a little later
}

#ifndef _WIN32
/// A name space of instance events under a fresh directory, made unfit by `spoil`, and
/// the code that creating an event in it fails with.
class RefusedNameSpace : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("XDG_RUNTIME_DIR");
        if (old != nullptr) saved_ = old;
        char pattern[] = "/tmp/keeper-events-test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        setenv("XDG_RUNTIME_DIR", root_.c_str(), 1);
        space_ = root_ + "/keeper";
    }
    void TearDown() override {
        std::filesystem::remove_all(root_);
        if (saved_.empty())
            unsetenv("XDG_RUNTIME_DIR");
        else
            setenv("XDG_RUNTIME_DIR", saved_.c_str(), 1);
    }
    InstanceEvent Create() { return CreateInstanceEvent("keeper_PROGRAM"); }

    std::string saved_, root_, space_;
};

TEST_F(RefusedNameSpace, IsCreatedPrivateAndUsed) {
    const InstanceEvent event = Create();
    ASSERT_NE(event.Event, NoHandle) << SystemErrorText(event.Error);
    struct stat info {};
    ASSERT_EQ(lstat(space_.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    ASSERT_EQ(lstat((space_ + "/keeper_PROGRAM").c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(RefusedNameSpace, EachUnfitDirectoryOrEventHasItsOwnCodeAndText) {
    const bool root = geteuid() == 0;
    const struct {
        const char* What;
        bool NeedsRoot;
        ErrorCode Code;
        std::string Text;
        std::function<void(const std::string&)> Spoil;
    } cases[] = {
        {"a symbolic link", false, NameSpaceSymbolicLink, "is a symbolic link",
         [](const std::string& s) {
             std::filesystem::create_directory(s + ".real");
             chmod((s + ".real").c_str(), 0700);
             std::filesystem::create_directory_symlink(s + ".real", s);
         }},
        {"a file", false, NameSpaceNotDirectory, "is not a directory",
         [](const std::string& s) { std::ofstream(s) << "x"; }},
        {"group-writable", false, NameSpaceOpenToOthers, "is open to other users",
         [](const std::string& s) {
             mkdir(s.c_str(), 0700);
             chmod(s.c_str(), 0770);
         }},
        {"world-writable", false, NameSpaceOpenToOthers, "is open to other users",
         [](const std::string& s) {
             mkdir(s.c_str(), 0700);
             chmod(s.c_str(), 01777);
         }},
        {"another user's", true, NameSpaceOtherOwner, "is owned by another user",
         [](const std::string& s) {
             mkdir(s.c_str(), 0700);
             ASSERT_EQ(chown(s.c_str(), 65534, 65534), 0);
         }},
        {"an event that is a file", false, EventNotFifo, "is not a FIFO",
         [](const std::string& s) {
             mkdir(s.c_str(), 0700);
             std::ofstream(s + "/keeper_PROGRAM") << "x";
         }},
        {"an event that is a symbolic link", false, EventNotFifo, "is not a FIFO",
         [](const std::string& s) {
             mkdir(s.c_str(), 0700);
             mkfifo((s + "/elsewhere").c_str(), 0600);
             std::filesystem::create_symlink(s + "/elsewhere", s + "/keeper_PROGRAM");
         }},
        {"another user's event", true, EventOtherOwner, "is owned by another user",
         [](const std::string& s) {
             mkdir(s.c_str(), 0700);
             mkfifo((s + "/keeper_PROGRAM").c_str(), 0600);
             ASSERT_EQ(chown((s + "/keeper_PROGRAM").c_str(), 65534, 65534), 0);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        if (c.NeedsRoot && !root) continue;
        std::filesystem::remove_all(space_);
        std::filesystem::remove_all(space_ + ".real");
        c.Spoil(space_);
        const InstanceEvent event = Create();
        EXPECT_EQ(event.Event, NoHandle);
        EXPECT_EQ(event.Error, c.Code);
        const std::string text = SystemErrorText(event.Error);
        EXPECT_NE(text.find(c.Text), std::string::npos) << text;
        EXPECT_NE(text.find(space_), std::string::npos) << text;
    }
}

TEST_F(RefusedNameSpace, CodesOfTheSystemKeepTheirTexts) {
    EXPECT_EQ(SystemErrorText(ENOENT), "No such file or directory");
    EXPECT_EQ(SystemErrorText(OwnErrorBase + 100), "");
}
#endif

}  // namespace
}  // namespace keeper
