// What the applications of the end-to-end tests share: their process identifier and clock,
// the lines they append to their record file and the runs it counts, their own file and a
// copy of themselves started, and staying until they are ended.
#pragma once

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace e2e {

/// This process's identifier, as the tests' scripts and keeper's entries give it.
inline unsigned long Pid() {
#ifdef _WIN32
    return GetCurrentProcessId();
#else
    return static_cast<unsigned long>(getpid());
#endif
}

/// Milliseconds of the system's monotonic clock, which the tests measure against.
inline long long Now() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

/// Appends `text` to the file `path` in one write, so that a reader never sees half of it;
/// nothing when the file cannot be opened. Lines end in LF on Windows too.
inline void Append(const char* path, const std::string& text) {
    if (std::FILE* file = std::fopen(path, "ab")) {
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }
}

/// Appends `line` and its line end to the file `path`.
inline void AppendLine(const char* path, const std::string& line) { Append(path, line + '\n'); }

/// The lines of the file `path` that begin with `prefix`: "S " counts the runs recorded
/// before this one; 0 for no file.
inline int CountLines(const char* path, const std::string& prefix) {
    std::ifstream file(path);
    int count = 0;
    for (std::string line; std::getline(file, line);)
        count += line.starts_with(prefix) ? 1 : 0;
    return count;
}

/// Sleeps `milliseconds`; not at all for 0 or less.
inline void Wait(long long milliseconds) {
    if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

/// Stays until the process is ended.
[[noreturn]] inline void Stay() {
    for (;;)
        std::this_thread::sleep_for(std::chrono::hours(1));
}

/// The path of this program's own file; empty when it cannot be had.
/// Note: on Linux the target of /proc/self/exe.
inline std::string ExecutablePath() {
#ifdef _WIN32
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, n < MAX_PATH ? n : 0);
#else
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path);
    return std::string(path, n > 0 ? static_cast<std::size_t>(n) : 0);
#endif
}

#ifdef _WIN32
/// Starts this program again, its quoted path followed by `arguments`, and lets it run on its
/// own; false when it could not (GetLastError tells why).
inline bool StartCopy(const std::string& arguments) {
    const std::string path = ExecutablePath();
    if (path.empty()) return false;
    std::string line = "\"" + path + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION created{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &created))
        return false;
    CloseHandle(created.hThread);
    CloseHandle(created.hProcess);
    return true;
}
#endif

}  // namespace e2e
