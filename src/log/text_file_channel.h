// One text file open for writing through a fixed 128-byte buffer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace keeper {

inline constexpr std::uint32_t ChannelBufferSize = 128;

struct TextFileChannel {
    FileHandle Handle = 0;  ///< valid from a successful open until the close
    std::string Path;       ///< the whole name, however long: it is never cut
    /// An existing file of this many bytes or more is rotated before it is appended to;
    /// 0 or below: never.
    std::int32_t SizeLimit = 0;
    char Buffer[ChannelBufferSize] = {};
    std::uint32_t Fill = 0;  ///< bytes held in Buffer, not yet handed to the file
};

/// The code a channel gives when the opened object is of no known file type.
inline constexpr ErrorCode UnknownFileTypeCode = 105;

void BindChannel(TextFileChannel& channel, std::string_view path, std::int32_t sizeLimit = 0);

/// Creates the file, which must not exist yet; gives the error of a failure, after which
/// the channel stays closed.
[[nodiscard]] ErrorCode OpenForCreate(TextFileChannel& channel);

/// Opens an existing file to add to it. Before that, a 0x0E byte among its last 128
/// bytes cuts the file at the first such byte. With a size limit, a file that has reached
/// it is first renamed to its RotatedName, replacing an older one, and a new file is
/// opened in its place; the test and the rename happen while no other writer has the
/// file, so a writer that waited meanwhile finds the new file.
[[nodiscard]] ErrorCode OpenForAppend(TextFileChannel& channel);

/// Adds the text to the buffer, writing the buffer out each time it becomes full; after
/// a failed write the rest of the text is dropped.
[[nodiscard]] ErrorCode PutText(TextFileChannel& channel, std::string_view text);

/// Hands the buffered bytes to the file in one request; they are dropped if it fails.
[[nodiscard]] ErrorCode WriteOutBuffer(TextFileChannel& channel);

/// Writes out what is buffered and closes the file; the channel is closed even when
/// the close fails. Gives the error of the write-out, or else of the close.
[[nodiscard]] ErrorCode CloseChannel(TextFileChannel& channel);

}  // namespace keeper
