#include "platform/status.h"

#include <windows.h>

#include <cstring>

namespace keeper {
namespace {

/// The name of the record: a colon, which no file name holds, keeps it apart from the
/// event of another module.
std::string RecordName(const std::string& name) { return name + ":status"; }

}  // namespace

std::uint32_t OwnProcessId() { return GetCurrentProcessId(); }

Result<Handle> CreateStatusRecord(const std::string& name) {
    // The mapping's handle stays open for as long as the watcher lives: with it goes the
    // name, and a record that no watcher keeps.
    const HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                              StatusRecordSize, RecordName(name).c_str());
    void* view = mapping != nullptr ? MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, StatusRecordSize)
                                    : nullptr;
    if (view == nullptr) {
        const ErrorCode error = GetLastError();
        if (mapping != nullptr) CloseHandle(mapping);
        return {NoHandle, error};
    }
    return {reinterpret_cast<Handle>(view), 0};
}

void WriteStatusRecord(Handle record, std::string_view bytes) {
    if (bytes.size() > StatusRecordSize) return;  // a record never outgrows its room
    std::memcpy(reinterpret_cast<void*>(record), bytes.data(), bytes.size());
}

RecordRead ReadStatusRecord(const std::string& name, std::string& bytes) {
    // The watcher holds the instance event for as long as it lives, and only it the mapping.
    const HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, name.c_str());
    if (event == nullptr) return RecordRead::NoWatcher;
    CloseHandle(event);
    const HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, RecordName(name).c_str());
    if (mapping == nullptr) return RecordRead::Unreadable;
    const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, StatusRecordSize);
    if (view != nullptr) {
        bytes.assign(static_cast<const char*>(view), StatusRecordSize);
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
    return view != nullptr ? RecordRead::Read : RecordRead::Unreadable;
}

void WriteStandardOutput(std::string_view text) {
    // A GUI program has a standard output only when it was given one; otherwise the console
    // of a command prompt that started it takes the text.
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if ((output == nullptr || output == INVALID_HANDLE_VALUE) &&
        AttachConsole(ATTACH_PARENT_PROCESS))
        output = CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                             nullptr);
    if (output == nullptr || output == INVALID_HANDLE_VALUE) return;
    std::string lines;
    for (const char c : text) {
        if (c == '\n') lines += '\r';
        lines += c;
    }
    DWORD written = 0;
    WriteFile(output, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr);
}

}  // namespace keeper
