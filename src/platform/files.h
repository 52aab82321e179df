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

/// Each call gives its error, 0 on success, with its value if it has one.
struct FileCalls {
    /// Opens for this process alone to write while others may read; not inherited.
    /// Note: Linux takes an exclusive flock for that, held until the close.
    Result<FileHandle> (*Open)(const std::string& path, OpenMode mode);
    Result<std::uint64_t> (*Size)(FileHandle file);
    ErrorCode (*Seek)(FileHandle file, std::int64_t distance, SeekFrom from);
    /// The number of bytes read into `buffer`, at most `size`.
    Result<std::uint32_t> (*Read)(FileHandle file, char* buffer, std::uint32_t size);
    /// Ends the file at the current position.
    ErrorCode (*Truncate)(FileHandle file);
    /// False (with error 0) when the object is of no known file type.
    Result<bool> (*HasKnownType)(FileHandle file);
    /// Hands all `count` bytes to the file in one request.
    ErrorCode (*Write)(FileHandle file, const char* bytes, std::uint32_t count);
    ErrorCode (*Close)(FileHandle file);
    /// Gives the file `from` the name `to`, replacing a file of that name.
    /// Note: Windows refuses with SharingViolation while another process has either file
    /// open without sharing its deletion.
    ErrorCode (*Rename)(const std::string& from, const std::string& to);
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
