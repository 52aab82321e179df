#include "core/status.h"

#include <cstring>
#include <type_traits>

#include "core/run_report.h"
#include "log/time_stamp.h"
#include "platform/events.h"
#include "platform/process_text.h"
#include "platform/processes.h"
#include "platform/status.h"
#include "resources/messages.h"
#include "text/arguments.h"

namespace keeper {
namespace {

constexpr std::uint32_t RecordVersion = 2;

/// FNV-1a, 32 bits: enough to tell a torn record from a whole one.
std::uint32_t Checksum(std::string_view bytes) {
    std::uint32_t hash = 2166136261u;
    for (const char c : bytes)
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return hash;
}

template <typename T>
void Put(std::string& out, const T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

/// A text of the record, cut so that the four of them leave the record within
/// StatusRecordSize: a command line of a megabyte is still a command line.
void PutText(std::string& out, const std::string& text) {
    constexpr std::size_t TextLimit = (StatusRecordSize - 256) / 4;
    const std::string_view kept = std::string_view(text).substr(0, TextLimit);
    Put(out, static_cast<std::uint32_t>(kept.size()));
    out += kept;
}

/// Reads the fields back in order; any read past the end makes the whole record invalid.
class Reader {
public:
    explicit Reader(std::string_view bytes) : rest_(bytes) {}
    template <typename T>
    void Get(T& value) {
        if (rest_.size() < sizeof value) {
            valid_ = false;
            return;
        }
        std::memcpy(&value, rest_.data(), sizeof value);
        rest_.remove_prefix(sizeof value);
    }
    void GetText(std::string& text) {
        std::uint32_t size = 0;
        Get(size);
        if (!valid_ || rest_.size() < size) {
            valid_ = false;
            return;
        }
        text.assign(rest_.substr(0, size));
        rest_.remove_prefix(size);
    }
    bool Valid() const { return valid_ && rest_.empty(); }

private:
    std::string_view rest_;
    bool valid_ = true;
};

}  // namespace

std::string EncodeStatus(const WatchStatus& status) {
    std::string fields;
    Put(fields, RecordVersion);
    Put(fields, status.WatcherId);
    Put(fields, status.WatcherSince);
    Put(fields, status.ApplicationState);
    Put(fields, status.ApplicationId);
    Put(fields, status.Launched);
    Put(fields, status.ApplicationSince);
    Put(fields, status.Launches);
    Put(fields, status.HasEnded);
    Put(fields, status.LastEnd.How);
    Put(fields, status.LastEnd.Value);
    Put(fields, status.LastHang);
    Put(fields, status.LastLasted);
    PutText(fields, status.Command);
    PutText(fields, status.LastFailure);
    Put(fields, status.LastFailureAt);
    PutText(fields, status.SettingsFile);
    PutText(fields, status.LogFile);
    std::string record;
    Put(record, static_cast<std::uint32_t>(fields.size()));
    record += fields;
    Put(record, Checksum(fields));
    return record;
}

bool DecodeStatus(std::string_view record, WatchStatus& status) {
    std::uint32_t size = 0;
    if (record.size() < sizeof size) return false;
    std::memcpy(&size, record.data(), sizeof size);
    record.remove_prefix(sizeof size);
    std::uint32_t checksum = 0;
    if (record.size() < std::size_t{size} + sizeof checksum) return false;
    const std::string_view fields = record.substr(0, size);
    std::memcpy(&checksum, record.data() + size, sizeof checksum);
    if (checksum != Checksum(fields)) return false;
    Reader reader(fields);
    std::uint32_t version = 0;
    reader.Get(version);
    WatchStatus read;
    reader.Get(read.WatcherId);
    reader.Get(read.WatcherSince);
    reader.Get(read.ApplicationState);
    reader.Get(read.ApplicationId);
    reader.Get(read.Launched);
    reader.Get(read.ApplicationSince);
    reader.Get(read.Launches);
    reader.Get(read.HasEnded);
    reader.Get(read.LastEnd.How);
    reader.Get(read.LastEnd.Value);
    reader.Get(read.LastHang);
    reader.Get(read.LastLasted);
    reader.GetText(read.Command);
    reader.GetText(read.LastFailure);
    reader.Get(read.LastFailureAt);
    reader.GetText(read.SettingsFile);
    reader.GetText(read.LogFile);
    if (version != RecordVersion || !reader.Valid() || read.ApplicationState > WatchStatus::Ended ||
        read.LastHang > HangCause::NotReady)
        return false;
    status = std::move(read);
    return true;
}

std::string StatusReport(const WatchStatus& status, std::string_view signalName) {
    const auto line = [](MessageId id, std::initializer_list<std::string_view> args) {
        return FormatMessageText(id, args) + "\n";
    };
    std::string report = line(MessageId::StatusWatcherText,
                              {std::to_string(status.WatcherId), StampText(status.WatcherSince)});
    if (!status.Command.empty()) report += line(MessageId::StatusCommandText, {status.Command});
    const std::string since = StampText(status.ApplicationSince);
    switch (status.ApplicationState) {
        case WatchStatus::Running:
            report +=
                line(status.Launched ? MessageId::StatusLaunchedText : MessageId::StatusAdoptedText,
                     {std::to_string(status.ApplicationId), since});
            break;
        case WatchStatus::Paused:
            report += line(MessageId::StatusPausedText, {since});
            break;
        case WatchStatus::Starting:
        case WatchStatus::Ended:
            report += line(MessageId::StatusNotRunningText, {});
            break;
    }
    report += line(MessageId::StatusRestartsText,
                   {std::to_string(status.Launches > 0 ? status.Launches - 1 : 0)});
    if (status.HasEnded) {
        const std::string how =
            status.LastHang != HangCause::None
                ? FormatMessageText(MessageId::HungStatusText, {HangCauseText(status.LastHang)})
                : StatusText(status.LastEnd, signalName);
        report += line(MessageId::StatusLastEndText, {how, SecondsText(status.LastLasted)});
    }
    if (!status.LastFailure.empty())
        report += line(MessageId::StatusLastFailureText,
                       {status.LastFailure, StampText(status.LastFailureAt)});
    report += line(MessageId::StatusSettingsText, {status.SettingsFile});
    report += line(MessageId::StatusLogText, {status.LogFile});
    return report;
}

int StatusExitCode(const WatchStatus& status) {
    return status.ApplicationState == WatchStatus::Running ? 0 : 1;
}

std::string CommandText(const std::string& commandLine) {
    const std::string program = ProgramPathOf(commandLine);
    if (program.empty()) return FormatMessageText(MessageId::NotFoundText, {commandLine});
    // What follows the program, as the launch splits the line.
    return program + commandLine.substr(ScanArgument(commandLine, 0, LeadBytes).Next);
}

std::string HangCauseText(HangCause cause) {
    switch (cause) {
        case HangCause::Triggered:
            return MessageText(MessageId::HangTriggeredText);
        case HangCause::WindowNotAnswering:
            return MessageText(MessageId::HangWindowText);
        case HangCause::PingOverdue:
            return MessageText(MessageId::HangPingText);
        case HangCause::NotReady:
            return MessageText(MessageId::HangReadyText);
        case HangCause::None:
            break;
    }
    return {};
}

int QueryStatus(const std::string& name, const std::string& moduleName,
                const std::string& command) {
    // The watcher rewrites its record at each turn of its loop, in one step: a record half
    // written is read again a moment later.
    constexpr int Attempts = 100;
    constexpr std::uint32_t Retry = 10;  // ms
    std::string record;
    WatchStatus status;
    for (int attempt = 1;; ++attempt) {
        const RecordRead read = ReadStatusRecord(name, record);
        if (read == RecordRead::NoWatcher) {
            WriteStandardOutput(FormatMessageText(MessageId::StatusNoWatcherText, {moduleName}) +
                                "\n" + FormatMessageText(MessageId::StatusCommandText, {command}) +
                                "\n");
            return 3;
        }
        if (read == RecordRead::Read && DecodeStatus(record, status)) break;
        if (attempt == Attempts) {
            WriteStandardOutput(FormatMessageText(MessageId::StatusUnreadableText, {moduleName}) +
                                "\n");
            return 4;
        }
        Pause(Retry);
    }
    const std::string signal =
        status.LastEnd.How == ExitStatus::Signalled ? SignalName(status.LastEnd.Value) : "";
    WriteStandardOutput(StatusReport(status, signal));
    return StatusExitCode(status);
}

}  // namespace keeper
