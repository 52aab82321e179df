// An application for the end-to-end tests that records when each of its runs starts and
// ends: `stamp-app PLAN STAMPS` appends "S <ms>" to STAMPS when it starts and "E <ms>"
// when it is about to end, with milliseconds of the system's monotonic clock. Run number k
// (counted by the S lines already in STAMPS) lives for the k-th number of PLAN, in
// milliseconds; runs past the end of PLAN live for its last number, a negative one forever.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

long long Now() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void Stamp(const char* file, char what) {
    if (std::FILE* stamps = std::fopen(file, "a")) {
        std::fprintf(stamps, "%c %lld\n", what, Now());
        std::fclose(stamps);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    std::vector<long> plan;
    std::ifstream planFile(argv[1]);
    for (long lifetime = 0; planFile >> lifetime;)
        plan.push_back(lifetime);
    std::size_t run = 0;
    std::ifstream earlier(argv[2]);
    for (std::string line; std::getline(earlier, line);)
        run += line.starts_with("S ") ? 1 : 0;
    const long lifetime = plan.empty() ? 0 : plan[std::min(run, plan.size() - 1)];
    Stamp(argv[2], 'S');
    if (lifetime < 0) {
        for (;;)
            std::this_thread::sleep_for(std::chrono::hours(1));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(lifetime));
    Stamp(argv[2], 'E');
    return 0;
}
