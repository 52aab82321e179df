#include "platform/files.h"

#include <windows.h>

#include "platform/win32/long_path.h"

namespace keeper {
namespace {

bool Failed(ErrorCode& error) {
    error = GetLastError();
    return false;
}

HANDLE Native(FileHandle file) { return reinterpret_cast<HANDLE>(file); }

bool Open(const std::string& path, OpenMode mode, FileHandle& file, ErrorCode& error) {
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
    if (handle == INVALID_HANDLE_VALUE) return Failed(error);
    file = reinterpret_cast<FileHandle>(handle);
    return true;
}

// Sizes and positions are 64-bit, so the tail of a log of 2 GiB or more is still its tail.
bool Size(FileHandle file, std::uint64_t& size, ErrorCode& error) {
    LARGE_INTEGER value{};
    if (!GetFileSizeEx(Native(file), &value)) return Failed(error);
    size = static_cast<std::uint64_t>(value.QuadPart);
    return true;
}

bool Seek(FileHandle file, std::int64_t distance, SeekFrom from, ErrorCode& error) {
    LARGE_INTEGER value{};
    value.QuadPart = distance;
    return SetFilePointerEx(Native(file), value, nullptr,
                            from == SeekFrom::Begin ? FILE_BEGIN : FILE_END) ||
           Failed(error);
}

bool Read(FileHandle file, char* buffer, std::uint32_t size, std::uint32_t& count,
          ErrorCode& error) {
    DWORD n = 0;
    if (ReadFile(Native(file), buffer, size, &n, nullptr) != TRUE) return Failed(error);
    count = n;
    return true;
}

bool Truncate(FileHandle file, ErrorCode& error) {
    return SetEndOfFile(Native(file)) == TRUE || Failed(error);
}

bool HasKnownType(FileHandle file, ErrorCode& error) {
    SetLastError(0);
    return GetFileType(Native(file)) != FILE_TYPE_UNKNOWN || Failed(error);
}

bool Write(FileHandle file, const char* bytes, std::uint32_t count, ErrorCode& error) {
    DWORD written = 0;
    return WriteFile(Native(file), bytes, count, &written, nullptr) || Failed(error);
}

bool Close(FileHandle file, ErrorCode& error) {
    return CloseHandle(Native(file)) == TRUE || Failed(error);
}

bool Rename(const std::string& from, const std::string& to, ErrorCode& error) {
    const std::wstring longFrom = LongPathForm(from);
    const std::wstring longTo = LongPathForm(to);
    if (longFrom.empty() && longTo.empty())
        return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) || Failed(error);
    // One of the two is too long for the ANSI call, so both go as wide names.
    return MoveFileExW((longFrom.empty() ? WideText(from) : longFrom).c_str(),
                       (longTo.empty() ? WideText(to) : longTo).c_str(),
                       MOVEFILE_REPLACE_EXISTING) ||
           Failed(error);
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
