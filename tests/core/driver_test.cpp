#include "core/driver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <vector>

#include "platform/clock_memory.h"
#include "platform/events.h"
#include "platform/files.h"
#include "platform/process_text.h"

namespace keeper {
namespace {

struct SwitchCase {
    std::vector<std::string> Arguments;  // arguments 1..n
    bool Stop;
    std::string Log;
    std::string Config;
    bool Help = false;
    bool Version = false;
};

TEST(Driver, SwitchesFollowTheirRules) {
    const SwitchCase cases[] = {
        {{"/u"}, true, "default.log", "default.cfg"},
        {{"-u"}, true, "default.log", "default.cfg"},
        {{"/U"}, false, "default.log", "default.cfg"},  // only the lower-case u stops
        {{"/L", "x.log"}, false, "x.log", "default.cfg"},
        {{"-l", "x.log", "/i", "k.cfg"}, false, "x.log", "k.cfg"},
        {{"/I", "k.cfg"}, false, "default.log", "k.cfg"},
        {{"/l"}, false, "default.log", "default.cfg"},  // a last l has nothing to take
        {{"/l", "/u"}, false, "/u", "default.cfg"},     // the next argument is taken whole
        {{"/l", "a.log", "/l", "b.log"}, false, "b.log", "default.cfg"},
        {{"-ux", "u", "//u", "x"}, false, "default.log", "default.cfg"},
        {{"x", "/u", "/i"}, true, "default.log", "default.cfg"},
        // Help and the version, never taken as the name after l or i.
        {{"/?"}, false, "default.log", "default.cfg", true},
        {{"-h", "--version"}, false, "default.log", "default.cfg", true, true},
        {{"/v"}, false, "default.log", "default.cfg", false, true},
        {{"/H", "/V", "--HELP", "-help", "/?x"}, false, "default.log", "default.cfg"},
        {{"/l", "/?"}, false, "/?", "default.cfg"},
    };
    static const std::vector<std::string>* arguments = nullptr;
    for (const SwitchCase& c : cases) {
        RunState run;
        run.LogFileName = "default.log";
        run.ConfigFileName = "default.cfg";
        arguments = &c.Arguments;
        ApplySwitches(run, static_cast<int>(c.Arguments.size()),
                      [](int i) { return arguments->at(static_cast<std::size_t>(i - 1)); });
        const std::string what = ::testing::PrintToString(c.Arguments);
        EXPECT_EQ(run.StopRequested, c.Stop) << what;
        EXPECT_EQ(run.LogFileName, c.Log) << what;
        EXPECT_EQ(run.ConfigFileName, c.Config) << what;
        EXPECT_EQ(run.HelpRequested, c.Help) << what;
        EXPECT_EQ(run.VersionRequested, c.Version) << what;
    }
}

TEST(Driver, SwitchLetterTakesTwoByteSwitchesOnly) {
    EXPECT_EQ(SwitchLetter("/u"), "u");
    EXPECT_EQ(SwitchLetter("-L"), "L");
    EXPECT_EQ(SwitchLetter("-ux"), "");
    EXPECT_EQ(SwitchLetter("u"), "");
    EXPECT_EQ(SwitchLetter("+u"), "");
    EXPECT_EQ(SwitchLetter(""), "");
}

TEST(Driver, MakeAbsolutePrefixesBareNamesOnly) {
    const char sep = NativePaths.Separator;
    const std::string cwd = std::string(1, sep) + "work";
    std::string bare = "x.log";
    MakeAbsolute(bare, cwd);
    EXPECT_EQ(bare, cwd + sep + "x.log");

    std::string relative = std::string("sub") + sep + "x.log";
    const std::string kept = relative;
    MakeAbsolute(relative, cwd);
    EXPECT_EQ(relative, kept);

    std::string atRoot = "x.log";
    MakeAbsolute(atRoot, std::string(1, sep));  // the root already ends in a separator
    EXPECT_EQ(atRoot, std::string(1, sep) + "x.log");
}

TEST(Driver, SleepIntervalFallsBackToTheDefault) {
    const struct {
        const char* Setting;
        std::int32_t Pause;
    } cases[] = {
        {"", 10000},          {"0", 0},      {"500", 500},
        {"$10", 16},          {"0x10", 16},  {"abc", 10000},
        {"500x", 10000},      {"-1", 10000}, {"-$1", 10000},
        {"$FFFFFFFF", 10000}, {"-0", 0},     {"2147483647", 2147483647},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SleepIntervalOf(c.Setting), c.Pause) << c.Setting;
}

/// The results the fake locator gives, one a call; a call past them fails the test.
const std::vector<Located>* Results = nullptr;
std::size_t Calls = 0;

Located FakeLocate(RunState&) {
    if (Calls >= Results->size()) throw std::runtime_error("the watcher looked once more");
    return (*Results)[Calls++];
}

TEST(Driver, BackingOffRetriesAFailedLaunchButNotAnUnreadableProcessList) {
    // Each end has its exit code.
    const std::string log = CurrentDirectory() + NativePaths.Separator + "driver-test-loop.log";
    const InstanceEvent instance =
        CreateInstanceEvent("keeper-driver-test_" + std::to_string(MonotonicMilliseconds()));
    ASSERT_NE(instance.Event, NoHandle);
    const struct {
        std::vector<Located> Results;
        std::size_t Calls;
        std::int32_t MaxSleepInterval;
        ExitCode Exit;
    } cases[] = {
        // the list cannot be read: the end
        {{Located{}}, 1, 1000, ExitSystemFailure},
        // a failed launch is tried again when backing off, the end otherwise
        {{Located{NoHandle, true}, Located{}}, 2, 1000, ExitSystemFailure},
        {{Located{NoHandle, true}, Located{NoHandle, true}, Located{}}, 3, 1000, ExitSystemFailure},
        {{Located{NoHandle, true}}, 1, 0, ExitLaunchFailed},
    };
    for (const auto& c : cases) {
        RunState run;
        run.LogFileName = log;
        run.SleepInterval = 0;
        run.MaxSleepInterval = c.MaxSleepInterval;
        run.WaitHandles[0] = instance.Event;
        Results = &c.Results;
        Calls = 0;
        ExitCode exit = ExitDone;
        EXPECT_NO_THROW(exit = WatchLoop(run, FakeLocate));
        EXPECT_EQ(Calls, c.Calls);
        EXPECT_EQ(exit, c.Exit) << c.Calls;
        // The locator logs its own failures; the loop adds nothing.
        EXPECT_FALSE(IsExistingFile(log));
        std::remove(log.c_str());
    }
}

}  // namespace
}  // namespace keeper
