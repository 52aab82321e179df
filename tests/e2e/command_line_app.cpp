// An application for the end-to-end tests that records how it was started, in a file
// beside itself named like it with ".txt" added: on Windows the raw command line that
// GetCommandLineA returns, on Linux its arguments, one a line. Then it stays running.
#include <fstream>
#include <string>

#include "app_support.h"

int main([[maybe_unused]] int argc, [[maybe_unused]] char** argv) {
    std::ofstream record(e2e::ExecutablePath() + ".txt", std::ios::binary);
#ifdef _WIN32
    record << GetCommandLineA();
#else
    for (int i = 0; i < argc; ++i)
        record << argv[i] << '\n';
#endif
    record.close();
    e2e::Stay();
}
