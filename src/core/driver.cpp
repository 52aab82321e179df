#include "core/driver.h"

#include "core/back_off.h"
#include "core/process_locator.h"
#include "core/run_report.h"
#include "core/settings.h"
#include "log/event_log.h"
#include "platform/clock_memory.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "platform/events.h"
#include "platform/process_text.h"
#include "platform/processes.h"
#include "platform/profile.h"
#include "resources/messages.h"
#include "text/integer_text.h"
#include "text/paths.h"

namespace keeper {
namespace {

std::string FileNameOf(std::string_view path) { return FileNamePart(path, NativePaths, LeadBytes); }

void LogStop(const RunState& run) {
    // The watched application keeps running; only its handle is ours.
    LogEntry(run, MessageText(MessageId::StopText) + " " + run.ProgramName);
}

/// The pause before the next launch, after a run of `lasted` ms. Backing off, a stop
/// request ends the pause at once and the watcher with it (false). Otherwise the pause is
/// the plain one, and a stop request stays pending for the next wait.
bool PauseBeforeRelaunch(RunState& run, BackOff& backOff, std::uint64_t lasted) {
    if (!backOff.Enabled()) {
        if (run.SleepInterval != 0) Pause(static_cast<std::uint32_t>(run.SleepInterval));
        return true;
    }
    ErrorCode error = 0;
    switch (PauseUnlessSignalled(run.WaitHandles[0], NextPause(backOff, lasted), error)) {
        case PauseOutcome::Elapsed:
            return true;
        case PauseOutcome::StopRequested:
            LogStop(run);
            return false;
        case PauseOutcome::Failed:
            LogEntry(run, "WaitForSingleObject: " + SystemErrorText(error));
            return false;
    }
    return false;
}

/// The entry of an end the watcher has seen: "End <command>: <status> after <T> s".
void LogEnd(const RunState& run, const ExitStatus& status, std::uint64_t lasted) {
    const std::string signal = status.How == ExitStatus::Signalled ? SignalName(status.Value) : "";
    LogEntry(run, FormatMessageText(MessageId::EndEntryText,
                                    {MessageText(MessageId::EndText) + " " + run.ApplicationCommand,
                                     StatusText(status, signal), SecondsText(lasted)}));
}

}  // namespace

void WatchLoop(RunState& run, Located (*locate)(RunState&)) {
    BackOff backOff{run.SleepInterval, run.MaxSleepInterval};
    // The length of a run is measured only where something needs it.
    const bool timed =
        backOff.Enabled() || run.LogDetails > 0 || !run.NoRestartExitCodes.empty();
    for (;;) {
        const Located located = locate(run);
        run.WaitHandles[1] = located.Process;
        std::uint64_t lasted = 0;  // a failed launch is a run that ended at once
        if (located.Process == NoHandle) {
            // The locator has logged a failed launch; backing off, the watcher tries
            // again. A process list that cannot be read ends it.
            if (!located.LaunchFailed || !backOff.Enabled()) return;
        } else {
            const std::uint64_t started = timed ? MonotonicMilliseconds() : 0;
            // The watcher holds nothing between entries: what start-up, the scan and the
            // entries freed goes back before the wait, which may last for weeks.
            ReleaseFreedMemory();
            ErrorCode error = 0;
            ExitStatus status;
            switch (WaitForStopOrExit(run.WaitHandles[0], run.WaitHandles[1], error)) {
                case WaitOutcome::Failed:
                    LogEntry(run, "WaitForMultipleObjects: " + SystemErrorText(error));
                    return;
                case WaitOutcome::StopRequested:
                    LogStop(run);
                    return;
                case WaitOutcome::ProcessEnded:
                    status = CloseProcess(run.WaitHandles[1]);
                    run.WaitHandles[1] = NoHandle;
                    break;
            }
            if (timed) lasted = MonotonicMilliseconds() - started;
            // An exit code that asks not to be restarted ends the watcher.
            const bool final = EndsWatch(status, run.NoRestartExitCodes);
            if (run.LogDetails > 0 || final) LogEnd(run, status, lasted);
            if (final) {
                LogStop(run);
                return;
            }
        }
        if (!PauseBeforeRelaunch(run, backOff, lasted)) return;
    }
}

std::string SwitchLetter(std::string_view argument) {
    if (argument.size() == 2 && (argument[0] == '-' || argument[0] == '/'))
        return std::string(1, argument[1]);
    return {};
}

void ApplySwitches(RunState& run, int count, std::string (*argumentAt)(int)) {
    for (int i = 1; i <= count; ++i) {
        const std::string letter = SwitchLetter(argumentAt(i));
        if (letter == "u") {
            run.StopRequested = true;
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

int RunWatchdog() {
    RunState run;
    run.ExePath = ArgumentAt(0);
    run.ProgramName = ReplaceExtension(FileNameOf(run.ExePath), "", NativePaths, LeadBytes);
    run.LogFileName = ReplaceExtension(run.ExePath, ".log", NativePaths, LeadBytes);
    run.ConfigFileName = ReplaceExtension(run.ExePath, ".cfg", NativePaths, LeadBytes);

    ApplySwitches(run, ArgumentCount(), ArgumentAt);
    const std::string currentDirectory = CurrentDirectory();
    MakeAbsolute(run.LogFileName, currentDirectory);
    MakeAbsolute(run.ConfigFileName, currentDirectory);

    run.ApplicationCommand = ReadSetting(run.ConfigFileName, "ApplicationName");
    run.ModuleName = UpperCaseCopy(FileNameOf(run.ApplicationCommand));
    if (run.ModuleName.empty()) {
        ShowErrorBox(run.ProgramName, MessageText(MessageId::NoModuleNameText), false);
        return 0;
    }

    // Every role that writes an entry reads the log's size limit first.
    const auto readLogFileLimit = [&run] {
        ApplySetting(run, "LogFileLimit", ReadSetting(run.ConfigFileName, "LogFileLimit"));
    };
    const InstanceEvent instance = CreateInstanceEvent(run.ProgramName + "_" + run.ModuleName);
    run.WaitHandles[0] = instance.Event;
    if (instance.Event == NoHandle) {
        readLogFileLimit();
        LogEntry(run, FormatMessageText(MessageId::ErrorEntryText,
                                        {"CreateEvent", SystemErrorText(instance.Error)}));
        return 0;
    }
    if (instance.Existed) {
        // Normally a watcher for this module runs: stop it, or say that it runs.
        if (run.StopRequested) {
            SignalEvent(instance.Event);
        } else {
            readLogFileLimit();
            LogEntry(run, FormatMessageText(MessageId::AlreadyWatchingText, {run.ModuleName}));
        }
        return 0;
    }
    if (run.StopRequested) return 0;  // no watcher to stop; the new name dies with us

    TakeStopSignals(run.WaitHandles[0]);
    const std::vector<std::string> complaints = ReadWatcherSettings(run);
    LogEntry(run, MessageText(MessageId::StartText) + " " + run.ProgramName);
    for (const std::string& complaint : complaints)
        LogEntry(run, complaint);
    WatchLoop(run, FindOrStartProcess);
    return 0;
}

}  // namespace keeper
