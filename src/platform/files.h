// The file operations of the event log, reachable through a table that a test can swap, and
// the test for an existing file.
#pragma once

#include <cstdint>
#include <string>

#include "platform/handles.h"

namespace keeper {

using FileHandle = std::intptr_t;

enum class OpenMode {
    Create,  ///< write access; a new file only: fails with FileExists when one exists
    Append,  ///< read and write access; the file must exist
    /// As Append, and the file may be renamed while it is open: the writer that rotates
    /// the log renames it under its own handle.
    /// Note: the same as Append on Linux, where an open file can always be renamed.
    AppendRenamable,
};

enum class SeekFrom { Begin, End };

/// Each call gives true on success, or false with the platform's error code.
struct FileCalls {
    /// Opens for this process alone to write while others may read; not inherited.
    /// Note: Linux takes an exclusive flock for that, held until the close.
    bool (*Open)(const std::string& path, OpenMode mode, FileHandle& file, ErrorCode& error);
    bool (*Size)(FileHandle file, std::uint64_t& size, ErrorCode& error);
    bool (*Seek)(FileHandle file, std::int64_t distance, SeekFrom from, ErrorCode& error);
    bool (*Read)(FileHandle file, char* buffer, std::uint32_t size, std::uint32_t& count,
                 ErrorCode& error);
    /// Ends the file at the current position.
    bool (*Truncate)(FileHandle file, ErrorCode& error);
    /// False (with error 0) when the object is of no known file type.
    bool (*HasKnownType)(FileHandle file, ErrorCode& error);
    /// Hands all `count` bytes to the file in one request.
    bool (*Write)(FileHandle file, const char* bytes, std::uint32_t count, ErrorCode& error);
    bool (*Close)(FileHandle file, ErrorCode& error);
    /// Gives the file `from` the name `to`, replacing a file of that name.
    /// Note: Windows refuses with SharingViolation while another process has either file
    /// open without sharing its deletion.
    bool (*Rename)(const std::string& from, const std::string& to, ErrorCode& error);
};

/// True for an existing file of any attributes, false for a directory or no such path.
bool IsExistingFile(const std::string& path);

/// The platform's file calls; tests replace entries to inject failures.
extern FileCalls Files;

/// The error of an open while another process has the file open for writing.
/// Note: on Linux, EWOULDBLOCK: another process holds the file's lock.
extern const ErrorCode SharingViolation;

/// The error of an open to append to a file that does not exist.
/// Note: ENOENT on Linux, ERROR_FILE_NOT_FOUND on Windows.
extern const ErrorCode FileNotFound;

/// The error of an open to create a file that exists already.
/// Note: EEXIST on Linux, ERROR_FILE_EXISTS on Windows.
extern const ErrorCode FileExists;

}  // namespace keeper
