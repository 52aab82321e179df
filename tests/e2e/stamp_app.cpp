// An application for the end-to-end tests that records when each of its runs starts and
// ends: `stamp-app PLAN STAMPS` appends "S <ms>" to STAMPS when it starts and "E <ms>"
// when it is about to end, with milliseconds of the system's monotonic clock. Run number k
// (counted by the S lines already in STAMPS) lives for the k-th number of PLAN, in
// milliseconds; runs past the end of PLAN live for its last number, a negative one forever.
#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "app_support.h"

namespace {

void Stamp(const char* file, char what) {
    e2e::AppendLine(file, std::string(1, what) + " " + std::to_string(e2e::Now()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    std::vector<long> plan;
    std::ifstream planFile(argv[1]);
    for (long lifetime = 0; planFile >> lifetime;)
        plan.push_back(lifetime);
    const auto run = static_cast<std::size_t>(e2e::CountLines(argv[2], "S "));
    const long lifetime = plan.empty() ? 0 : plan[std::min(run, plan.size() - 1)];
    Stamp(argv[2], 'S');
    if (lifetime < 0) e2e::Stay();
    e2e::Wait(lifetime);
    Stamp(argv[2], 'E');
    return 0;
}
