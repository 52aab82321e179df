// An application for the end-to-end tests that records how it was started, in a file
// beside itself named like it with ".txt" added: on Windows the raw command line that
// GetCommandLineA returns, on Linux its arguments, one a line. Then it stays running.
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

int main([[maybe_unused]] int argc, [[maybe_unused]] char** argv) {
#ifdef _WIN32
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::ofstream(std::string(path, n) + ".txt", std::ios::binary) << GetCommandLineA();
#else
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path);
    std::ofstream record(std::string(path, n > 0 ? static_cast<std::size_t>(n) : 0) + ".txt",
                         std::ios::binary);
    for (int i = 0; i < argc; ++i)
        record << argv[i] << '\n';
    record.close();
#endif
    for (;;)
        std::this_thread::sleep_for(std::chrono::hours(1));
}
