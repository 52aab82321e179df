#include "platform/files.h"

#include <windows.h>

#include "platform/win32/long_path.h"

namespace keeper {
namespace {

/// The last error after a call that failed; 0 after one that did not.
ErrorCode ErrorOf(bool failed) { return failed ? GetLastError() : 0; }

HANDLE Native(FileHandle file) { return reinterpret_cast<HANDLE>(file); }

Result<FileHandle> Open(const std::string& path, OpenMode mode) {
    const bool create = mode == OpenMode::Create;
    const DWORD access = create ? GENERIC_WRITE : GENERIC_READ | GENERIC_WRITE;
    // Others may read the file meanwhile, not write it; a log that is rotated may also
    // be renamed, by this process through MoveFileEx.
    const DWORD share =
        mode == OpenMode::AppendRenamable ? FILE_SHARE_READ | FILE_SHARE_DELETE : FILE_SHARE_READ;
    const DWORD disposition = create ? CREATE_NEW : OPEN_EXISTING;
    const std::wstring longPath = LongPathForm(path);
    const HANDLE handle = longPath.empty()
                              ? CreateFileA(path.c_str(), access, share, nullptr, disposition,
                                            FILE_ATTRIBUTE_NORMAL, nullptr)
                              : CreateFileW(longPath.c_str(), access, share, nullptr, disposition,
                                            FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return {0, ErrorOf(true)};
    return {reinterpret_cast<FileHandle>(handle), 0};
}

// Sizes and positions are 64-bit, so the tail of a log of 2 GiB or more is still its tail.
Result<std::uint64_t> Size(FileHandle file) {
    LARGE_INTEGER value{};
    if (!GetFileSizeEx(Native(file), &value)) return {0, ErrorOf(true)};
    return {static_cast<std::uint64_t>(value.QuadPart), 0};
}

ErrorCode Seek(FileHandle file, std::int64_t distance, SeekFrom from) {
    LARGE_INTEGER value{};
    value.QuadPart = distance;
    return ErrorOf(!SetFilePointerEx(Native(file), value, nullptr,
                                     from == SeekFrom::Begin ? FILE_BEGIN : FILE_END));
}

Result<std::uint32_t> Read(FileHandle file, char* buffer, std::uint32_t size) {
    DWORD n = 0;
    if (ReadFile(Native(file), buffer, size, &n, nullptr) != TRUE) return {0, ErrorOf(true)};
    return {n, 0};
}

ErrorCode Truncate(FileHandle file) { return ErrorOf(SetEndOfFile(Native(file)) != TRUE); }

Result<bool> HasKnownType(FileHandle file) {
    SetLastError(0);
    const bool known = GetFileType(Native(file)) != FILE_TYPE_UNKNOWN;
    return {known, ErrorOf(!known)};
}

ErrorCode Write(FileHandle file, const char* bytes, std::uint32_t count) {
    DWORD written = 0;
    return ErrorOf(!WriteFile(Native(file), bytes, count, &written, nullptr));
}

ErrorCode Close(FileHandle file) { return ErrorOf(CloseHandle(Native(file)) != TRUE); }

ErrorCode Rename(const std::string& from, const std::string& to) {
    const std::wstring longFrom = LongPathForm(from);
    const std::wstring longTo = LongPathForm(to);
    if (longFrom.empty() && longTo.empty())
        return ErrorOf(!MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING));
    // One of the two is too long for the ANSI call, so both go as wide names.
    return ErrorOf(!MoveFileExW((longFrom.empty() ? WideText(from) : longFrom).c_str(),
                                (longTo.empty() ? WideText(to) : longTo).c_str(),
                                MOVEFILE_REPLACE_EXISTING));
}

}  // namespace

bool IsExistingFile(const std::string& path) {
    const std::wstring longPath = LongPathForm(path);
    const DWORD attributes =
        longPath.empty() ? GetFileAttributesA(path.c_str()) : GetFileAttributesW(longPath.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

FileCalls Files = {Open, Size, Seek, Read, Truncate, HasKnownType, Write, Close, Rename};

const ErrorCode SharingViolation = ERROR_SHARING_VIOLATION;

const ErrorCode FileNotFound = ERROR_FILE_NOT_FOUND;

const ErrorCode FileExists = ERROR_FILE_EXISTS;

}  // namespace keeper
