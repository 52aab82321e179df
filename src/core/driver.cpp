#include "core/driver.h"

#include <optional>

#include "core/back_off.h"
#include "core/hang_watch.h"
#include "core/launcher.h"
#include "core/process_locator.h"
#include "core/run_report.h"
#include "core/settings.h"
#include "core/stopping.h"
#include "log/event_log.h"
#include "log/time_stamp.h"
#include "platform/clock_memory.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "platform/events.h"
#include "platform/hangs.h"
#include "platform/process_text.h"
#include "platform/processes.h"
#include "platform/profile.h"
#include "platform/status.h"
#include "resources/messages.h"
#include "text/integer_text.h"
#include "text/paths.h"

namespace keeper {
namespace {

std::string FileNameOf(std::string_view path) { return FileNamePart(path, NativePaths, LeadBytes); }

/// The local date and time now, for the status record; 0 for a clock outside the calendar.
DateTimeValue Now() { return CurrentLocalDateTime().Value; }

/// Writes the status record anew: at each turn of the watch loop, never in between.
void Publish(const RunState& run) {
    if (run.StatusRecord != NoHandle) WriteStatusRecord(run.StatusRecord, EncodeStatus(run.Status));
}

void LogStop(const RunState& run) {
    // The watched application keeps running; only its handle is ours.
    LogEntry(run, MessageText(MessageId::StopText) + " " + run.ProgramName);
}

/// Tells a status query of a pause of `milliseconds` that starts now.
void PublishPause(RunState& run, std::uint32_t milliseconds) {
    run.Status.ApplicationState = WatchStatus::Paused;
    run.Status.ApplicationSince = Now() + milliseconds / 86400000.0;
    Publish(run);
}

/// Reads the datagrams waiting on the notification socket, so that no sender blocks, and
/// gives those that speak for the application `id` to `watch` as come at `now`; the others
/// are dropped. `leadsSession`: its session's processes speak for it too.
void ReadNotifications(const RunState& run, HangWatch& watch, std::uint64_t now, std::uint32_t id,
                       bool leadsSession) {
    Notification datagram;
    for (int n = 0; n < NotificationBatch && ReadNotification(run.NotifySocket, datagram); ++n)
        if (SpeaksFor(id, leadsSession, datagram.Sender, datagram.Session))
            TakeNotification(watch, now, datagram.Text);
}

/// The pause before the next launch, after a run of `lasted` ms. With back-off or
/// "StopApplication", a stop request ends the pause at once and the watcher with it;
/// otherwise it stays pending for the next wait. The notification socket is drained
/// meanwhile. None when the watcher goes on, else its exit code.
std::optional<ExitCode> PauseBeforeRelaunch(RunState& run, BackOff& backOff, std::uint64_t lasted) {
    const bool plain = !backOff.Enabled() && run.StopApplication <= 0;
    const std::uint32_t pause = backOff.Enabled() ? NextPause(backOff, lasted)
                                                  : static_cast<std::uint32_t>(run.SleepInterval);
    if (plain && pause == 0) return std::nullopt;
    PublishPause(run, pause);
    const Result<WaitOutcome> waited =
        Wait({plain ? NoHandle : run.WaitHandles[0], NoHandle, run.NotifySocket},
             MonotonicMilliseconds() + pause);
    switch (waited.Value) {
        case WaitOutcome::StopRequested:
            LogStop(run);
            return ExitDone;
        case WaitOutcome::Failed:
            LogEntry(run, "WaitForSingleObject: " + SystemErrorText(waited.Error));
            return ExitSystemFailure;
        default:
            return std::nullopt;
    }
}

/// The entry of an end the watcher has seen: "End <command>: <status> after <T> s".
void LogEnd(const RunState& run, const ExitStatus& status, std::uint64_t lasted) {
    const std::string signal = status.How == ExitStatus::Signalled ? SignalName(status.Value) : "";
    LogEntry(run, FormatMessageText(MessageId::EndEntryText,
                                    {MessageText(MessageId::EndText) + " " + run.ApplicationCommand,
                                     StatusText(status, signal), SecondsText(lasted)}));
}

/// Under "StopApplication", a stop request ends the application before the watcher: it
/// is asked to end, and after the grace time ended by force with what it started. Logs
/// its "End" entry (with "LogDetails"), then "Stop" or "Terminate" with the command, or
/// "Still running" when even the end by force did not end it.
void StopApplicationFirst(RunState& run, const Located& located, std::uint64_t started) {
    const Watched watched{located.Process, located.Id, located.Group, located.Launched,
                          run.NotifySocket};
    const Ending ending =
        EndApplication(watched, true, static_cast<std::uint32_t>(run.StopApplication));
    const ExitStatus status =
        ending == Ending::Failed ? ExitStatus{} : CloseProcess(located.Process);
    run.WaitHandles[1] = NoHandle;
    CloseGroup(located.Group);
    if (run.LogDetails > 0 && ending != Ending::Failed)
        LogEnd(run, status, MonotonicMilliseconds() - started);
    const MessageId entry = ending == Ending::Asked    ? MessageId::StopText
                            : ending == Ending::Forced ? MessageId::TerminateText
                                                       : MessageId::StillRunningText;
    LogEntry(run, MessageText(entry) + " " + run.ApplicationCommand);
}

/// The wait for the end of a run under "HangTimeout": still one wait, which also ends for
/// a check of the windows, every CheckInterval (Windows), or for a datagram of the
/// notification socket, when a ping is due, and with "ReadyTimeout" when the launched
/// application must have said that it is ready (Linux). The socket is read whoever sends:
/// the application launched or adopted, or another process. Gives TimedOut once the
/// application hangs, with its cause in `hung`, any other outcome as the plain wait does.
Result<WaitOutcome> WaitWatchingHangs(const RunState& run, const Located& located,
                                      HangCause& hung) {
    HangWatch watch{static_cast<std::uint64_t>(run.HangTimeout)};
    // The platform that has a notification socket has no windows to check.
    const bool pings = run.NotifySocket != NoHandle;
    if (pings && located.Launched && run.ReadyTimeout > 0)
        watch.ReadyBy = MonotonicMilliseconds() + static_cast<std::uint64_t>(run.ReadyTimeout);
    // A launched application leads a session of its own; an adopted one may.
    const bool leadsSession = pings && SessionOf(located.Id) == located.Id;
    for (;;) {
        std::uint32_t wait = CheckInterval(watch.Timeout);
        const bool timed = !pings || PingDeadline(watch, MonotonicMilliseconds(), wait);
        const Result<WaitOutcome> waited =
            Wait({run.WaitHandles[0], run.WaitHandles[1], run.NotifySocket, true},
                 timed ? MonotonicMilliseconds() + wait : NoDeadline);
        const std::uint64_t now = MonotonicMilliseconds();
        if (waited.Value == WaitOutcome::TimedOut && !pings) {
            TakeWindowCheck(watch, now, WindowNotAnswering(located.Id));
        } else if (waited.Value == WaitOutcome::Notified) {
            ReadNotifications(run, watch, now, located.Id, leadsSession);
        } else if (waited.Value != WaitOutcome::TimedOut) {
            return waited;
        }
        hung = CauseOfHang(watch, now);
        if (hung != HangCause::None) return {WaitOutcome::TimedOut, 0};
    }
}

/// What is left of the tree of a launched application that ended by itself, counted while
/// its group still has the application's id: with "EndLeftovers" it is ended, so that no
/// worker of it holds on to what the next launch needs.
std::uint32_t TakeLeftovers(const RunState& run, const Located& located) {
    if (!located.Launched || (run.EndLeftovers <= 0 && run.LogDetails <= 0)) return 0;
    const Watched watched{located.Process, located.Id, located.Group, true, NoHandle};
    const std::uint32_t left = CountWhatIsLeft(watched);
    if (left > 0 && run.EndLeftovers > 0) EndWhatIsLeft(watched);
    return left;
}

/// The entries of what a launched application left when it ended by itself: the `left`
/// processes ended ("EndLeftovers") or left running ("LogDetails"); with "LogDetails"
/// also, once, a hint at a program that forked into the background: it ended at once with
/// exit code 0 while another process of its name runs.
void LogLeftovers(RunState& run, const Located& located, const ExitStatus& ended,
                  std::uint64_t lasted, std::uint32_t left) {
    if (left > 0)
        LogEntry(run, FormatMessageText(run.EndLeftovers > 0 ? MessageId::LeftoversEndedText
                                                             : MessageId::LeftoversRunningText,
                                        {run.ApplicationCommand, std::to_string(left)}));
    constexpr std::uint64_t AtOnce = 1000;  // ms
    if (run.LogDetails <= 0 || run.ForkHinted || !located.Launched || lasted >= AtOnce ||
        ended.How != ExitStatus::Exited || ended.Value != 0)
        return;
    const Located other = FindRunningInstance(ListProcessIds().Value, NameQuery(run));
    if (other.Process == NoHandle) return;
    static_cast<void>(CloseProcess(other.Process));
    run.ForkHinted = true;
    LogEntry(run, FormatMessageText(MessageId::ForkedText, {run.ApplicationCommand}));
}

/// An application that hangs cannot answer a request: it is ended at once, with its group.
/// The "Hung" entry says why.
ExitStatus EndHungApplication(RunState& run, const Located& located, HangCause cause) {
    LogEntry(run, FormatMessageText(MessageId::HungEntryText,
                                    {run.ApplicationCommand, HangCauseText(cause)}));
    const Watched watched{located.Process, located.Id, located.Group, located.Launched,
                          run.NotifySocket};
    const Ending ending = EndApplication(watched, false, 0);
    // Still running after that, it is no longer watched: its handle goes all the same.
    const ExitStatus status = CloseProcess(located.Process);
    if (ending != Ending::Failed) return status;
    LogEntry(run, MessageText(MessageId::StillRunningText) + " " + run.ApplicationCommand);
    return {};
}

}  // namespace

Located FindOrStartProcess(RunState& run) {
    const Result<Located> found = FindApplication(run);
    if (found.Error != 0) return {};
    return found.Value.Process != NoHandle ? found.Value : LaunchApplication(run);
}

ExitCode WatchLoop(RunState& run, Located (*locate)(RunState&)) {
    BackOff backOff{run.SleepInterval, run.MaxSleepInterval};
    for (;;) {
        const Located located = locate(run);
        run.WaitHandles[1] = located.Process;
        WatchStatus& status = run.Status;
        status.ApplicationState =
            located.Process != NoHandle ? WatchStatus::Running : WatchStatus::Ended;
        status.ApplicationId = located.Id;
        status.Launched = located.Launched;
        status.ApplicationSince = Now();
        if (located.Launched) ++status.Launches;
        Publish(run);
        std::uint64_t lasted = 0;  // a failed launch is a run that ended at once
        if (located.Process == NoHandle) {
            // The launcher has logged a failed launch; backing off, the watcher tries
            // again. A process list that cannot be read ends it.
            if (!located.LaunchFailed) return ExitSystemFailure;
            if (!backOff.Enabled()) return ExitLaunchFailed;
        } else {
            const std::uint64_t started = MonotonicMilliseconds();
            // The watcher holds nothing between entries: what start-up, the scan and the
            // entries freed goes back before the wait, which may last for weeks.
            ReleaseFreedMemory();
            ExitStatus ended;
            HangCause hung = HangCause::None;
            std::uint32_t left = 0;  // processes of the tree the application left running
            const Result<WaitOutcome> waited =
                run.HangTimeout > 0 ? WaitWatchingHangs(run, located, hung)
                                    : Wait({run.WaitHandles[0], run.WaitHandles[1]}, NoDeadline);
            switch (waited.Value) {
                case WaitOutcome::Failed:
                    LogEntry(run, "WaitForMultipleObjects: " + SystemErrorText(waited.Error));
                    return ExitSystemFailure;
                case WaitOutcome::StopRequested:
                    if (run.StopApplication > 0) StopApplicationFirst(run, located, started);
                    LogStop(run);
                    return ExitDone;
                case WaitOutcome::ProcessEnded:
                case WaitOutcome::Notified:  // not given by either wait
                    left = TakeLeftovers(run, located);
                    ended = CloseProcess(run.WaitHandles[1]);
                    break;
                case WaitOutcome::TimedOut:  // the application hangs
                    ended = EndHungApplication(run, located, hung);
                    break;
            }
            run.WaitHandles[1] = NoHandle;
            CloseGroup(located.Group);
            lasted = MonotonicMilliseconds() - started;
            status.ApplicationState = WatchStatus::Ended;
            status.HasEnded = true;
            status.LastEnd = ended;
            status.LastHang = hung;
            status.LastLasted = lasted;
            Publish(run);
            // An exit code that asks not to be restarted ends the watcher; a hung
            // application ended by force is relaunched whatever its code.
            const bool final = hung == HangCause::None && EndsWatch(ended, run.NoRestartExitCodes);
            if (run.LogDetails > 0 || final) LogEnd(run, ended, lasted);
            LogLeftovers(run, located, ended, lasted, left);
            if (final) {
                LogStop(run);
                return ExitDone;
            }
        }
        if (const std::optional<ExitCode> end = PauseBeforeRelaunch(run, backOff, lasted))
            return *end;
    }
}

std::string SwitchLetter(std::string_view argument) {
    if (argument.size() == 2 && (argument[0] == '-' || argument[0] == '/'))
        return std::string(1, argument[1]);
    return {};
}

void ApplySwitches(RunState& run, int count, std::string (*argumentAt)(int)) {
    for (int i = 1; i <= count; ++i) {
        const std::string argument = argumentAt(i);
        const std::string letter = SwitchLetter(argument);
        if (letter == "u") {
            run.StopRequested = true;
        } else if (letter == "s") {
            run.StatusRequested = true;
        } else if (letter == "?" || letter == "h" || argument == "--help") {
            run.HelpRequested = true;
        } else if (letter == "v" || argument == "--version") {
            run.VersionRequested = true;
        } else if (SameTextIgnoreCase(letter, "l") && i < count) {
            run.LogFileName = argumentAt(++i);
        } else if (SameTextIgnoreCase(letter, "i") && i < count) {
            run.ConfigFileName = argumentAt(++i);
        }
    }
}

void MakeAbsolute(std::string& path, const std::string& currentDirectory) {
    if (DirectoryPart(path, NativePaths, LeadBytes).empty())
        path = WithTrailingDelimiter(currentDirectory, NativePaths, LeadBytes) + path;
}

std::int32_t SleepIntervalOf(std::string_view setting) {
    const std::int32_t value = ParseIntegerOr(setting, DefaultSleepInterval);
    return value < 0 ? DefaultSleepInterval : value;
}

namespace {

/// keeper's own file names, from its executable's path, and what the switches make of them.
void ReadCommandLine(RunState& run) {
    run.ExePath = ArgumentAt(0);
    run.ProgramName = ReplaceExtension(FileNameOf(run.ExePath), "", NativePaths, LeadBytes);
    run.LogFileName = ReplaceExtension(run.ExePath, ".log", NativePaths, LeadBytes);
    run.ConfigFileName = ReplaceExtension(run.ExePath, ".cfg", NativePaths, LeadBytes);
    ApplySwitches(run, ArgumentCount(), ArgumentAt);
    const std::string currentDirectory = CurrentDirectory();
    MakeAbsolute(run.LogFileName, currentDirectory);
    MakeAbsolute(run.ConfigFileName, currentDirectory);
}

/// The remarks on the settings file, one a line with the line it is about, for a user who
/// checks the file: "/etc/k.cfg, line 3: Duplicate key in Settings: …".
void PrintSettingsNotes(const RunState& run, const Profile& settings) {
    RunState read;
    read.ConfigFileName = run.ConfigFileName;
    std::string text;
    for (const SettingsNote& note : ReadWatcherSettings(read, settings))
        text += (note.Line > 0
                     ? FormatMessageText(MessageId::SettingsLineText,
                                         {run.ConfigFileName, std::to_string(note.Line), note.Text})
                     : note.Text) +
                "\n";
    WriteStandardOutput(text);
}

/// The status query: the watcher's status, or why none can run, then the remarks on the
/// settings file; gives the query's exit code. Starts, stops and logs nothing, and never
/// takes the instance name.
int AnswerStatusQuery(const RunState& run, const Profile& settings) {
    int exitCode = 3;
    if (run.ModuleName.empty()) {
        // A query answers in its output, never in a box: no watcher can run so.
        WriteStandardOutput(MessageText(MessageId::NoModuleNameText) + "\n");
        ShowErrorCause(run.ProgramName, MissingModuleCause(settings));
    } else {
        const std::string line =
            CommandLineOf(run.ApplicationCommand, ReadSetting(settings, "Parameters"));
        exitCode =
            QueryStatus(run.ProgramName + "_" + run.ModuleName, run.ModuleName, CommandText(line));
    }
    PrintSettingsNotes(run, settings);
    return exitCode;
}

/// The status record, made as soon as the name is taken, so that a held name always has
/// one; the error of one that cannot be made, or 0.
ErrorCode MakeStatusRecord(RunState& run, const std::string& instanceName) {
    const Result<Handle> record = CreateStatusRecord(instanceName);
    run.StatusRecord = record.Value;
    run.Status.WatcherId = OwnProcessId();
    run.Status.WatcherSince = Now();
    run.Status.SettingsFile = run.ConfigFileName;
    run.Status.LogFile = run.LogFileName;
    Publish(run);
    return record.Error;
}

/// The watcher's first entries: its start, the remarks on the settings file that the log
/// gets, and what could not be made for it.
void LogWatcherStart(RunState& run, const std::vector<SettingsNote>& notes,
                     const NotifyChannel& notify, ErrorCode recordError) {
    LogEntry(run, MessageText(MessageId::StartText) + " " + run.ProgramName);
    // The file's form is remarked on in detail only: the log of a file that keeper reads as
    // it always did stays as it always was.
    for (const SettingsNote& note : notes)
        if (!note.Form || run.LogDetails > 0) LogEntry(run, note.Text);
    // Without its socket, an application cannot ping: it is never taken for hung.
    if (LogIfFailed(run, notify.Error == 0, notify.Error)) {
        run.NotifySocket = notify.Socket;
        run.NotifyAddress = notify.Address;
    }
    // Without its record, a status query finds the watcher but cannot tell more.
    LogIfFailed(run, run.StatusRecord != NoHandle, recordError);
}

}  // namespace

int RunWatchdog() {
    RunState run;
    ReadCommandLine(run);
    // Help and the version answer in the output, as a status query does, and start nothing.
    if (run.HelpRequested || run.VersionRequested) {
        WriteStandardOutput(
            run.HelpRequested
                ? FormatMessageText(MessageId::UsageText, {run.ProgramName})
                : FormatMessageText(MessageId::VersionText, {run.ProgramName, KEEPER_VERSION}));
        return ExitDone;
    }
    // The settings file is read here and nowhere later: the watcher keeps none of it.
    const Profile settings = OpenProfile(run.ConfigFileName);
    run.ApplicationCommand = ReadSetting(settings, "ApplicationName");
    run.ModuleName = UpperCaseCopy(FileNameOf(run.ApplicationCommand));
    if (run.StatusRequested) return AnswerStatusQuery(run, settings);
    if (run.ModuleName.empty()) {
        ShowErrorBox(run.ProgramName, MessageText(MessageId::NoModuleNameText), false);
        ShowErrorCause(run.ProgramName, MissingModuleCause(settings));
        return settings.Error != 0 ? ExitSettingsUnreadable : ExitNotConfigured;
    }

    // Every role that writes an entry reads the log's size limit first.
    const auto readLogFileLimit = [&] {
        ApplySetting(run, "LogFileLimit", ReadSetting(settings, "LogFileLimit"));
    };
    const std::string instanceName = run.ProgramName + "_" + run.ModuleName;
    const InstanceEvent instance = CreateInstanceEvent(instanceName);
    run.WaitHandles[0] = instance.Event;
    if (instance.Event == NoHandle) {
        readLogFileLimit();
        LogEntry(run, FormatMessageText(MessageId::ErrorEntryText,
                                        {"CreateEvent", SystemErrorText(instance.Error)}));
        return ExitSystemFailure;
    }
    if (instance.Existed) {
        // Normally a watcher for this module runs: stop it, or say that it runs.
        if (!run.StopRequested) {
            readLogFileLimit();
            LogEntry(run, FormatMessageText(MessageId::AlreadyWatchingText, {run.ModuleName}));
            return ExitDone;  // what the caller wanted: a watcher runs
        }
        SignalEvent(instance.Event);
        // With "StopApplication", the stopper returns once the watcher has ended.
        ApplySetting(run, "StopApplication", ReadSetting(settings, "StopApplication"));
        if (run.StopApplication <= 0) return ExitDone;
        return AwaitWatcherEnd(WaitForWatcherEnd, instance.Event, instanceName,
                               run.StopApplication);
    }
    if (run.StopRequested) return ExitDone;  // no watcher to stop; the new name dies with us

    // The watcher: the name is taken; its record, its settings, then its first entries. A
    // stopper that waits may come at once: the mark it waits on comes first.
    HoldWatcherMark(instanceName);
    const ErrorCode recordError = MakeStatusRecord(run, instanceName);
    TakeStopSignals(run.WaitHandles[0]);
    const std::vector<SettingsNote> notes = ReadWatcherSettings(run, settings);
    run.Status.Command =
        CommandText(CommandLineOf(run.ApplicationCommand, run.ApplicationParameters));
    NotifyChannel notify;
    if (run.HangTimeout > 0) notify = OpenNotifyChannel(instanceName);
    LogWatcherStart(run, notes, notify, recordError);
    return WatchLoop(run, FindOrStartProcess);
}

}  // namespace keeper
