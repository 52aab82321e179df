#include "log/text_file_channel.h"

#include <algorithm>
#include <cstring>

#include "log/exceptions.h"
#include "platform/events.h"

namespace keeper {

thread_local constinit ErrorCode PendingIoCode = 0;

namespace {

// Another keeper writing its entry has the file for a moment; waiting for it a little
// (about two seconds) keeps a duplicate invocation from ending the running watcher.
constexpr int SharingRetries = 100;
constexpr std::uint32_t SharingRetryPause = 20;

/// Opens the file; a file to be created that another process has created since the
/// existence test is appended to instead, so that its entries are kept.
bool OpenFile(TextFileChannel& channel, OpenMode& mode) {
    ErrorCode error = 0;
    for (int attempt = 0;; ++attempt) {
        if (Files.Open(channel.Path, mode, channel.Handle, error)) return true;
        if (mode == OpenMode::Create && error == FileExists) {
            mode = OpenMode::Append;
            continue;
        }
        if (error != SharingViolation || attempt == SharingRetries) break;
        Pause(SharingRetryPause);
    }
    PendingIoCode = error;
    return false;
}

/// Cuts the file at the first 0x0E byte among its last 128 bytes, leaving the file
/// position at the end. Sizes and positions are 64-bit, so a cut never removes bytes
/// that were not examined, however large the log has grown.
bool ApplyTailRule(TextFileChannel& channel, ErrorCode& error) {
    std::uint64_t size = 0;
    if (!Files.Size(channel.Handle, size, error)) return false;
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
    if (!OpenFile(channel, mode)) return;
    ErrorCode error = 0;
    if (mode == OpenMode::Append && !ApplyTailRule(channel, error)) {
        PendingIoCode = error;
        Files.Close(channel.Handle, error);
        return;
    }
    if (!Files.HasKnownType(channel.Handle, error)) {
        Files.Close(channel.Handle, error);
        PendingIoCode = UnknownFileTypeCode;
        return;
    }
    channel.IsOpen = true;
    channel.Fill = 0;
}

}  // namespace

void BindChannel(TextFileChannel& channel, std::string_view path) {
    channel.IsOpen = false;
    channel.Fill = 0;
    channel.Path.assign(path);
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
    channel.IsOpen = false;
    ErrorCode error = 0;
    if (!Files.Close(channel.Handle, error)) PendingIoCode = error;
}

[[gnu::noinline]] void CheckIo() {
    if (PendingIoCode == 0) return;
    const ErrorCode code = PendingIoCode;
    PendingIoCode = 0;
    EInOutError error = InOutError(code);
    // The report names the check that raised: the return address lies right after it.
    error.SetAddress(__builtin_return_address(0));
    throw error;
}

}  // namespace keeper
