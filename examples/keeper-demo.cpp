// A stand-in for the application keeper watches: it lives for the number of
// milliseconds given as its first argument (forever when that is missing or negative)
// and exits with code 0. A second argument names a file to which it appends one line
// when it starts, so a test can count launches.
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

int main(int argc, char** argv) {
    if (argc > 2) std::ofstream(argv[2], std::ios::app) << "started\n";
    const long lifetime = argc > 1 ? std::atol(argv[1]) : -1;
    if (lifetime < 0) {
        for (;;)
            std::this_thread::sleep_for(std::chrono::hours(1));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(lifetime));
    return 0;
}
