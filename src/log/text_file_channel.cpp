#include "log/text_file_channel.h"

#include <algorithm>
#include <cstring>

#include "platform/events.h"
#include "platform/process_text.h"
#include "text/paths.h"

namespace keeper {

namespace {

// Another keeper writing its entry has the file for a moment; waiting for it a little
// (about two seconds) keeps a duplicate invocation from ending the running watcher.
constexpr int SharingRetries = 100;
constexpr std::uint32_t SharingRetryPause = 20;

/// Opens the file. A file to be created that another process has created since the
/// existence test is appended to instead, so that its entries are kept; with a size
/// limit, a file to be appended to that another writer has just rotated away is created.
/// Another writer's hold on the file is waited out for a while.
ErrorCode OpenFile(TextFileChannel& channel, OpenMode& mode) {
    const bool rotating = channel.SizeLimit > 0;
    for (int attempt = 0;; ++attempt) {
        const OpenMode asked =
            rotating && mode == OpenMode::Append ? OpenMode::AppendRenamable : mode;
        const Result<FileHandle> opened = Files.Open(channel.Path, asked);
        if (opened.Error == 0) {
            channel.Handle = opened.Value;
            return 0;
        }
        if (attempt == SharingRetries) return opened.Error;
        if (mode == OpenMode::Create && opened.Error == FileExists) {
            mode = OpenMode::Append;
        } else if (rotating && mode == OpenMode::Append && opened.Error == FileNotFound) {
            mode = OpenMode::Create;
        } else if (opened.Error == SharingViolation) {
            Pause(SharingRetryPause);
        } else {
            return opened.Error;
        }
    }
}

/// Renames the open log to its rotated name; another process that has either file open
/// is waited out as an open waits out another writer.
ErrorCode RenameToRotatedName(const TextFileChannel& channel) {
    const std::string rotated = RotatedName(channel.Path, NativePaths, LeadBytes);
    for (int attempt = 0;; ++attempt) {
        const ErrorCode error = Files.Rename(channel.Path, rotated);
        if (error != SharingViolation || attempt == SharingRetries) return error;
        Pause(SharingRetryPause);
    }
}

/// Cuts the file of `size` bytes at the first 0x0E byte among its last 128 bytes,
/// leaving the file position at the end. Sizes and positions are 64-bit, so a cut never
/// removes bytes that were not examined, however large the log has grown.
ErrorCode ApplyTailRule(TextFileChannel& channel, std::uint64_t size) {
    const std::uint64_t start = size >= ChannelBufferSize ? size - ChannelBufferSize : 0;
    if (const ErrorCode error =
            Files.Seek(channel.Handle, static_cast<std::int64_t>(start), SeekFrom::Begin))
        return error;
    const Result<std::uint32_t> read =
        Files.Read(channel.Handle, channel.Buffer, ChannelBufferSize);
    if (read.Error != 0) return read.Error;
    const char* hit = std::find(channel.Buffer, channel.Buffer + read.Value, '\x0E');
    if (hit == channel.Buffer + read.Value) return 0;
    const auto back =
        static_cast<std::int64_t>(hit - channel.Buffer) - static_cast<std::int64_t>(read.Value);
    if (const ErrorCode error = Files.Seek(channel.Handle, back, SeekFrom::End)) return error;
    return Files.Truncate(channel.Handle);
}

ErrorCode Open(TextFileChannel& channel, OpenMode mode) {
    // A log is rotated at most once per entry: the file opened after the rotation is
    // new, or one another writer has just begun.
    bool mayRotate = channel.SizeLimit > 0;
    for (;;) {
        if (const ErrorCode error = OpenFile(channel, mode)) return error;
        if (mode == OpenMode::Create) break;
        const Result<std::uint64_t> size = Files.Size(channel.Handle);
        ErrorCode error = size.Error;
        if (error == 0 && mayRotate &&
            size.Value >= static_cast<std::uint64_t>(channel.SizeLimit)) {
            mayRotate = false;
            error = RenameToRotatedName(channel);  // the log stays as it was when it fails
            if (error == 0) {
                if (const ErrorCode closing = Files.Close(channel.Handle)) return closing;
                mode = OpenMode::Create;
                continue;
            }
        }
        if (error == 0) error = ApplyTailRule(channel, size.Value);
        if (error == 0) break;
        static_cast<void>(Files.Close(channel.Handle));
        return error;
    }
    if (!Files.HasKnownType(channel.Handle).Value) {
        static_cast<void>(Files.Close(channel.Handle));
        return UnknownFileTypeCode;
    }
    channel.Fill = 0;
    return 0;
}

}  // namespace

void BindChannel(TextFileChannel& channel, std::string_view path, std::int32_t sizeLimit) {
    channel.Fill = 0;
    channel.Path.assign(path);
    channel.SizeLimit = sizeLimit;
}

ErrorCode OpenForCreate(TextFileChannel& channel) { return Open(channel, OpenMode::Create); }

ErrorCode OpenForAppend(TextFileChannel& channel) { return Open(channel, OpenMode::Append); }

ErrorCode WriteOutBuffer(TextFileChannel& channel) {
    if (channel.Fill == 0) return 0;
    const ErrorCode error = Files.Write(channel.Handle, channel.Buffer, channel.Fill);
    channel.Fill = 0;
    return error;
}

ErrorCode PutText(TextFileChannel& channel, std::string_view text) {
    for (;;) {
        const std::uint32_t free = ChannelBufferSize - channel.Fill;
        if (free > text.size()) {
            std::memcpy(channel.Buffer + channel.Fill, text.data(), text.size());
            channel.Fill += static_cast<std::uint32_t>(text.size());
            return 0;
        }
        std::memcpy(channel.Buffer + channel.Fill, text.data(), free);
        channel.Fill = ChannelBufferSize;
        text.remove_prefix(free);
        if (const ErrorCode error = WriteOutBuffer(channel)) return error;
    }
}

ErrorCode CloseChannel(TextFileChannel& channel) {
    const ErrorCode written = WriteOutBuffer(channel);
    const ErrorCode closed = Files.Close(channel.Handle);
    return written != 0 ? written : closed;
}

}  // namespace keeper
