// An application for the end-to-end tests of the launch settings. `run-app RECORD PLAN
// [NAME...]` appends one record per run to RECORD, lines of the form "KEY VALUE":
//   run K             the number of this run, counting the records already in RECORD
//   pid N             its process identifier (Windows: GetCurrentProcessId)
//   cwd PATH          its current directory
//   env NAME ENTRY    for each NAME, every entry of its environment of that name ("NAME=value";
//                     on Windows the names compare without regard to case, as there, and
//                     the entry is the UTF-16 one in UTF-8)
//   unset NAME        for a NAME that is not in it
//   startup F S       Windows: GetStartupInfoA's dwFlags and wShowWindow
//   console W V       Windows: whether GetConsoleWindow gives a window, and whether it is
//                     visible (a console program started without a console window: 0 0)
//   stdin T C         Windows: GetFileType of its standard input, and whether it is a console
//                     (NUL: 2 0), or "none"
//   fd N TARGET       Linux: each open descriptor and what it refers to
// Then it writes "out K PID" to its standard output and "err K PID" to its standard error,
// and ends as the K-th item of PLAN says (the last item for the runs past its end). The
// items are separated by commas: "exit:N" exits with code N (Windows: ExitProcess, so
// 3221225477 is the code of an access violation), "signal:N" raises signal N (Linux),
// "stay" runs until it is ended; "@MS" after an item waits MS milliseconds first.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
extern char** environ;
#endif

#include "app_support.h"

namespace {

bool SameName(const std::string& a, const std::string& b) {
#ifdef _WIN32
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
#else
    return a == b;
#endif
}

#ifdef _WIN32
// The environment entry in UTF-8, from the UTF-16 the system keeps: what the ANSI code page
// lacks is seen as it is.
std::string Utf8(const wchar_t* entry) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, entry, -1, nullptr, 0, nullptr, nullptr);
    std::string text(n > 0 ? static_cast<std::size_t>(n) : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, entry, -1, text.data(), n, nullptr, nullptr);
    text.resize(text.size() - 1);
    return text;
}
#endif

std::string Environment(const char* name) {
    std::string lines;
#ifdef _WIN32
    wchar_t* block = GetEnvironmentStringsW();
    for (const wchar_t* wide = block; wide != nullptr && *wide != L'\0';
         wide += std::wcslen(wide) + 1) {
        const std::string entry = Utf8(wide);
        // Entries of the drives' directories ("=C:=C:\") begin with '='.
        const std::size_t equals = entry.find('=', 1);
        if (equals != std::string::npos && SameName(entry.substr(0, equals), name))
            lines += std::string("env ") + name + ' ' + entry + '\n';
    }
    FreeEnvironmentStringsW(block);
#else
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const char* equals = std::strchr(*entry, '=');
        if (equals != nullptr &&
            SameName(std::string(*entry, static_cast<std::size_t>(equals - *entry)), name))
            lines += std::string("env ") + name + ' ' + *entry + '\n';
    }
#endif
    return lines.empty() ? std::string("unset ") + name + '\n' : lines;
}

std::string Platform() {
    std::string lines;
#ifdef _WIN32
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    lines += "startup " + std::to_string(startup.dwFlags) + ' ' +
             std::to_string(startup.wShowWindow) + '\n';
    const HWND console = GetConsoleWindow();
    lines += std::string("console ") + (console != nullptr ? "1 " : "0 ") +
             (console != nullptr && IsWindowVisible(console) ? "1\n" : "0\n");
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (input == nullptr || input == INVALID_HANDLE_VALUE)
        lines += "stdin none\n";
    else
        lines += "stdin " + std::to_string(GetFileType(input)) +
                 (GetConsoleMode(input, &mode) ? " 1\n" : " 0\n");
#else
    if (DIR* fds = opendir("/proc/self/fd")) {
        while (const dirent* entry = readdir(fds)) {
            if (entry->d_name[0] == '.' || std::atoi(entry->d_name) == dirfd(fds)) continue;
            char target[4096];
            const ssize_t n = readlink((std::string("/proc/self/fd/") + entry->d_name).c_str(),
                                       target, sizeof target);
            lines += std::string("fd ") + entry->d_name + ' ' +
                     std::string(target, n > 0 ? static_cast<std::size_t>(n) : 0) + '\n';
        }
        closedir(fds);
    }
#endif
    return lines;
}

std::string CurrentDirectory() {
#ifdef _WIN32
    char path[MAX_PATH];
    const DWORD n = GetCurrentDirectoryA(MAX_PATH, path);
    return std::string(path, n < MAX_PATH ? n : 0);
#else
    char path[4096];
    return getcwd(path, sizeof path) != nullptr ? path : "";
#endif
}

[[noreturn]] void End(const std::string& item) {
    const std::size_t at = item.find('@');
    if (at != std::string::npos) e2e::Wait(std::atol(item.c_str() + at + 1));
    const std::string what = item.substr(0, at);
    const unsigned long number = std::strtoul(what.c_str() + what.find(':') + 1, nullptr, 10);
    if (what.starts_with("signal:")) {
#ifndef _WIN32
        const rlimit noCore{0, 0};  // no core file in the test's directory
        setrlimit(RLIMIT_CORE, &noCore);
        std::signal(static_cast<int>(number), SIG_DFL);
        std::raise(static_cast<int>(number));
#endif
        std::_Exit(99);
    }
    if (what.starts_with("exit:")) {
#ifdef _WIN32
        ExitProcess(static_cast<UINT>(number));
#else
        std::_Exit(static_cast<int>(number));
#endif
    }
    e2e::Stay();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const auto run = static_cast<std::size_t>(e2e::CountLines(argv[1], "run ")) + 1;
    const unsigned long pid = e2e::Pid();
    std::string record = "run " + std::to_string(run) + "\npid " + std::to_string(pid) + "\ncwd " +
                         CurrentDirectory() + '\n';
    for (int i = 3; i < argc; ++i)
        record += Environment(argv[i]);
    record += Platform();
    e2e::Append(argv[1], record);  // one write: a reader never sees half a record
    std::fprintf(stdout, "out %zu %lu\n", run, pid);
    std::fflush(stdout);
    std::fprintf(stderr, "err %zu %lu\n", run, pid);
    std::fflush(stderr);

    std::string plan = argv[2], item;
    for (std::size_t k = 1, begin = 0;; ++k) {
        const std::size_t comma = plan.find(',', begin);
        item = plan.substr(begin, comma == std::string::npos ? std::string::npos : comma - begin);
        if (k == run || comma == std::string::npos) break;
        begin = comma + 1;
    }
    End(item);
}
