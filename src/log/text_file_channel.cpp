#include "log/text_file_channel.h"

#include <algorithm>
#include <cstring>

#include "platform/events.h"
#include "platform/process_text.h"
#include "text/paths.h"

namespace keeper {

// keeper has one thread, so one code serves it.
constinit ErrorCode PendingIoCode = 0;

namespace {

// Another keeper writing its entry has the file for a moment; waiting for it a little
// (about two seconds) keeps a duplicate invocation from ending the running watcher.
constexpr int SharingRetries = 100;
constexpr std::uint32_t SharingRetryPause = 20;

/// Opens the file. A file to be created that another process has created since the
/// existence test is appended to instead, so that its entries are kept; with a size
/// limit, a file to be appended to that another writer has just rotated away is created.
/// Another writer's hold on the file is waited out for a while.
bool OpenFile(TextFileChannel& channel, OpenMode& mode) {
    const bool rotating = channel.SizeLimit > 0;
    ErrorCode error = 0;
    for (int attempt = 0;; ++attempt) {
        const OpenMode asked =
            rotating && mode == OpenMode::Append ? OpenMode::AppendRenamable : mode;
        if (Files.Open(channel.Path, asked, channel.Handle, error)) return true;
        if (attempt == SharingRetries) break;
        if (mode == OpenMode::Create && error == FileExists) {
            mode = OpenMode::Append;
        } else if (rotating && mode == OpenMode::Append && error == FileNotFound) {
            mode = OpenMode::Create;
        } else if (error == SharingViolation) {
            Pause(SharingRetryPause);
        } else {
            break;
        }
    }
    PendingIoCode = error;
    return false;
}

/// Renames the open log to its rotated name; another process that has either file open
/// is waited out as an open waits out another writer.
bool RenameToRotatedName(const TextFileChannel& channel, ErrorCode& error) {
    const std::string rotated = RotatedName(channel.Path, NativePaths, LeadBytes);
    for (int attempt = 0;; ++attempt) {
        if (Files.Rename(channel.Path, rotated, error)) return true;
        if (error != SharingViolation || attempt == SharingRetries) return false;
        Pause(SharingRetryPause);
    }
}

/// Cuts the file of `size` bytes at the first 0x0E byte among its last 128 bytes,
/// leaving the file position at the end. Sizes and positions are 64-bit, so a cut never
/// removes bytes that were not examined, however large the log has grown.
bool ApplyTailRule(TextFileChannel& channel, std::uint64_t size, ErrorCode& error) {
    const std::uint64_t start = size >= ChannelBufferSize ? size - ChannelBufferSize : 0;
    std::uint32_t n = 0;
    if (!Files.Seek(channel.Handle, static_cast<std::int64_t>(start), SeekFrom::Begin, error) ||
        !Files.Read(channel.Handle, channel.Buffer, ChannelBufferSize, n, error))
        return false;
    const char* hit = std::find(channel.Buffer, channel.Buffer + n, '\x0E');
    if (hit == channel.Buffer + n) return true;
    const auto back =
        static_cast<std::int64_t>(hit - channel.Buffer) - static_cast<std::int64_t>(n);
    return Files.Seek(channel.Handle, back, SeekFrom::End, error) &&
           Files.Truncate(channel.Handle, error);
}

bool WriteOut(TextFileChannel& channel) {
    if (channel.Fill == 0) return true;
    ErrorCode error = 0;
    const bool written = Files.Write(channel.Handle, channel.Buffer, channel.Fill, error);
    channel.Fill = 0;
    if (!written) PendingIoCode = error;
    return written;
}

void Open(TextFileChannel& channel, OpenMode mode) {
    // A log is rotated at most once per entry: the file opened after the rotation is
    // new, or one another writer has just begun.
    bool mayRotate = channel.SizeLimit > 0;
    ErrorCode error = 0;
    for (;;) {
        if (!OpenFile(channel, mode)) return;
        if (mode == OpenMode::Create) break;
        std::uint64_t size = 0;
        bool kept = Files.Size(channel.Handle, size, error);
        if (kept && mayRotate && size >= static_cast<std::uint64_t>(channel.SizeLimit)) {
            mayRotate = false;
            if (RenameToRotatedName(channel, error)) {
                if (!Files.Close(channel.Handle, error)) {
                    PendingIoCode = error;
                    return;
                }
                mode = OpenMode::Create;
                continue;
            }
            kept = false;  // the log stays as it was
        }
        if (kept && ApplyTailRule(channel, size, error)) break;
        PendingIoCode = error;
        Files.Close(channel.Handle, error);
        return;
    }
    if (!Files.HasKnownType(channel.Handle, error)) {
        Files.Close(channel.Handle, error);
        PendingIoCode = UnknownFileTypeCode;
        return;
    }
    channel.Fill = 0;
}

}  // namespace

void BindChannel(TextFileChannel& channel, std::string_view path, std::int32_t sizeLimit) {
    channel.Fill = 0;
    channel.Path.assign(path);
    channel.SizeLimit = sizeLimit;
}

void OpenForCreate(TextFileChannel& channel) { Open(channel, OpenMode::Create); }

void OpenForAppend(TextFileChannel& channel) { Open(channel, OpenMode::Append); }

void PutText(TextFileChannel& channel, std::string_view text) {
    for (;;) {
        const std::uint32_t free = ChannelBufferSize - channel.Fill;
        if (free > text.size()) {
            std::memcpy(channel.Buffer + channel.Fill, text.data(), text.size());
            channel.Fill += static_cast<std::uint32_t>(text.size());
            return;
        }
        std::memcpy(channel.Buffer + channel.Fill, text.data(), free);
        channel.Fill = ChannelBufferSize;
        text.remove_prefix(free);
        if (!WriteOut(channel)) return;  // the rest of the text is dropped
    }
}

void WriteOutBuffer(TextFileChannel& channel) { WriteOut(channel); }

void CloseChannel(TextFileChannel& channel) {
    WriteOutBuffer(channel);
    ErrorCode error = 0;
    if (!Files.Close(channel.Handle, error)) PendingIoCode = error;
}

[[gnu::noinline]] std::optional<Exception> CheckIo() {
    if (PendingIoCode == 0) return std::nullopt;
    const ErrorCode code = PendingIoCode;
    PendingIoCode = 0;
    EInOutError error = InOutError(code);
    // The report names the check that raised: the return address lies right after it.
    error.SetAddress(__builtin_return_address(0));
    return error;
}

}  // namespace keeper
