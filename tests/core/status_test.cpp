#include "core/status.h"

#include <gtest/gtest.h>

#include <string>

#include "log/time_stamp.h"
#include "platform/status.h"

namespace keeper {
namespace {

WatchStatus Sample() {
    WatchStatus status;
    status.WatcherId = 4242;
    status.WatcherSince = DateValueOf(2026, 12, 9) + TimeValueOf(8, 30, 0, 0);
    status.ApplicationState = WatchStatus::Running;
    status.ApplicationId = 77;
    status.Launched = true;
    status.ApplicationSince = DateValueOf(2026, 12, 9) + TimeValueOf(9, 0, 5, 0);
    status.Launches = 4;
    status.HasEnded = true;
    status.LastEnd = {ExitStatus::Signalled, 11};
    status.LastLasted = 12345;
    status.SettingsFile = "/etc/keeper/keeper.cfg";
    status.LogFile = std::string(300, 'l');
    return status;
}

TEST(StatusTest, ARecordReadsBackAsItWasWritten) {
    WatchStatus empty;
    WatchStatus paused = Sample();
    paused.ApplicationState = WatchStatus::Paused;
    paused.LastEnd = {ExitStatus::Exited, 0xC0000005};
    paused.LastHang = HangCause::PingOverdue;
    paused.Command = "/opt/app/server --port 8080";
    paused.LastFailure = "Error 2: No such file or directory (WorkingDirectory /srv/gone)";
    paused.LastFailureAt = paused.WatcherSince;
    for (const WatchStatus& status : {empty, Sample(), paused}) {
        WatchStatus read;
        read.WatcherId = 1;
        ASSERT_TRUE(DecodeStatus(EncodeStatus(status), read));
        EXPECT_EQ(read, status);
    }
    // Texts of any length leave the record within its room, cut.
    WatchStatus huge = Sample();
    huge.Command = huge.LastFailure = huge.SettingsFile = huge.LogFile = std::string(1 << 20, 'x');
    const std::string record = EncodeStatus(huge);
    EXPECT_LE(record.size(), StatusRecordSize);
    WatchStatus read;
    ASSERT_TRUE(DecodeStatus(record, read));
    EXPECT_TRUE(huge.Command.starts_with(read.Command) && read.Command.size() > 1000);
}

TEST(StatusTest, ARecordHalfWrittenCutOrGarbledIsNoRecord) {
    const std::string record = EncodeStatus(Sample());
    WatchStatus read;
    // Cut anywhere, or with one byte changed anywhere.
    for (std::size_t n = 0; n < record.size(); ++n) {
        EXPECT_FALSE(DecodeStatus(record.substr(0, n), read)) << n;
        std::string garbled = record;
        garbled[n] = static_cast<char>(garbled[n] ^ 0x10);
        EXPECT_FALSE(DecodeStatus(garbled, read)) << n;
    }
    // A record written over a longer one: the rest of the old one is no part of it.
    WatchStatus shorter = Sample();
    shorter.LogFile = "x";
    const std::string over = EncodeStatus(shorter) + record.substr(EncodeStatus(shorter).size());
    ASSERT_TRUE(DecodeStatus(over, read));
    EXPECT_EQ(read, shorter);
    // Half of one record and half of the next, as a reader may meet them while the watcher
    // writes.
    WatchStatus next = Sample();
    next.Launches = 5;
    next.ApplicationId = 78;
    const std::string after = EncodeStatus(next);
    for (std::size_t n = 1; n + 1 < record.size(); ++n) {
        const std::string torn = record.substr(0, n) + after.substr(n);
        if (torn != record && torn != after) {
            EXPECT_FALSE(DecodeStatus(torn, read)) << n;
        }
    }
}

TEST(StatusTest, TheReportSaysOneFactALineAndTheExitCodeFollowsTheApplication) {
    const WatchStatus running = Sample();
    const std::string since = StampText(running.ApplicationSince);
    const std::string head =
        "Watcher: process 4242, running since " + StampText(running.WatcherSince) + "\n";
    const std::string tail =
        "Restarts: 3\nLast end: signal 11 (SIGSEGV) after 12.3 s\n"
        "Settings file: /etc/keeper/keeper.cfg\nLog file: " +
        std::string(300, 'l') + "\n";
    EXPECT_EQ(StatusReport(running, "SIGSEGV"),
              head + "Application: process 77, launched, running since " + since + "\n" + tail);
    EXPECT_EQ(StatusExitCode(running), 0);

    WatchStatus adopted = running;
    adopted.Launched = false;
    EXPECT_EQ(StatusReport(adopted, "SIGSEGV"),
              head + "Application: process 77, adopted, watched since " + since + "\n" + tail);

    WatchStatus paused = running;
    paused.ApplicationState = WatchStatus::Paused;
    EXPECT_EQ(StatusReport(paused, "SIGSEGV"),
              head + "Application: not running, next launch at " + since + "\n" + tail);
    EXPECT_EQ(StatusExitCode(paused), 1);

    // Before the first run: no restarts, no end.
    WatchStatus starting;
    starting.WatcherId = 4242;
    starting.WatcherSince = running.WatcherSince;
    starting.SettingsFile = "k.cfg";
    starting.LogFile = "k.log";
    EXPECT_EQ(StatusReport(starting, ""),
              head +
                  "Application: not running\nRestarts: 0\nSettings file: k.cfg\n"
                  "Log file: k.log\n");
    EXPECT_EQ(StatusExitCode(starting), 1);
    WatchStatus ended = starting;
    ended.ApplicationState = WatchStatus::Ended;
    ended.Launches = 1;
    ended.HasEnded = true;
    ended.LastEnd = {ExitStatus::Exited, 3};
    ended.LastLasted = 2000;
    EXPECT_TRUE(StatusReport(ended, "").find(
                    "\nRestarts: 0\nLast end: exit code 3 after 2.0 s\n") != std::string::npos)
        << StatusReport(ended, "");
    EXPECT_EQ(StatusExitCode(ended), 1);
}

}  // namespace
}  // namespace keeper
