// Micro-benchmarks of keeper's hot paths on Linux: the process scan of the locator, one
// event log entry, and the time stamp. Figures, not assertions: nothing here fails a
// build or a test run.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/driver.h"
#include "core/process_locator.h"
#include "core/run_state.h"
#include "log/event_log.h"
#include "log/fatal_errors.h"
#include "log/time_stamp.h"
#include "platform/posix/descriptors.h"
#include "platform/process_text.h"
#include "platform/processes.h"

namespace {

/// Sleeping children, so that the process list holds about `count` more entries.
class Sleepers {
public:
    explicit Sleepers(int count) {
        for (int i = 0; i < count; ++i) {
            const pid_t pid = fork();
            if (pid == 0) {
                prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlive the benchmark
                for (;;)
                    pause();
            }
            if (pid < 0) break;
            pids_.push_back(pid);
        }
    }
    ~Sleepers() {
        for (const pid_t pid : pids_)
            kill(pid, SIGKILL);
        for (const pid_t pid : pids_)
            waitpid(pid, nullptr, 0);
    }
    std::size_t Count() const { return pids_.size(); }

private:
    std::vector<pid_t> pids_;
};

int RunningProcesses() {
    int n = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (!name.empty() && name.find_first_not_of("0123456789") == std::string::npos) ++n;
    }
    return n;
}

std::string ScratchDirectory() {
    static const std::string dir = [] {
        char pattern[] = "/tmp/keeper-micro.XXXXXX";
        const char* made = mkdtemp(pattern);
        if (made == nullptr) std::abort();
        return std::string(made);
    }();
    return dir;
}

// The locator's scan as FindOrStartProcess makes it when the module does not run: every
// listed process (at most MaxListedProcesses) is looked at, none matches.
void BM_ProcessScan(benchmark::State& state) {
    const Sleepers sleepers(static_cast<int>(state.range(0)));
    std::vector<std::uint32_t> ids;
    for (auto _ : state) {
        const keeper::Result<std::vector<std::uint32_t>> listed = keeper::ListProcessIds();
        if (listed.Error != 0) state.SkipWithError("cannot list processes");
        ids = listed.Value;
        const keeper::ModuleQuery query =
            keeper::PrepareModuleQuery("KEEPER-ABSENT.BIN", "/usr/bin/keeper-absent.bin");
        const keeper::Handle found = keeper::FindRunningInstance(ids, query).Process;
        if (found != keeper::NoHandle) state.SkipWithError("an absent module was found");
    }
    state.counters["running"] = RunningProcesses();
    state.counters["listed"] = static_cast<double>(ids.size());
}
BENCHMARK(BM_ProcessScan)->Arg(0)->Arg(100)->Arg(1000)->Arg(3000)->Unit(benchmark::kMillisecond);

// The scan under "Adoption=command" at its dearest: every sleeper runs the module (they are
// forks of this program) with other arguments, so each is opened and its command line
// read, and none matches.
void BM_ProcessScanCommand(benchmark::State& state) {
    const Sleepers sleepers(static_cast<int>(state.range(0)));
    std::vector<std::uint32_t> ids;
    for (auto _ : state) {
        const keeper::Result<std::vector<std::uint32_t>> listed = keeper::ListProcessIds();
        if (listed.Error != 0) state.SkipWithError("cannot list processes");
        ids = listed.Value;
        keeper::ModuleQuery query = keeper::PrepareModuleQuery("KEEPER_BENCH", "/proc/self/exe");
        query.Arguments = std::vector<std::string>{"--no-such-argument"};
        const keeper::Handle found = keeper::FindRunningInstance(ids, query).Process;
        if (found != keeper::NoHandle)
            state.SkipWithError("a process of other arguments was found");
    }
    state.counters["running"] = RunningProcesses();
    state.counters["listed"] = static_cast<double>(ids.size());
}
BENCHMARK(BM_ProcessScanCommand)->Arg(0)->Arg(1000)->Unit(benchmark::kMillisecond);

// FindOrStartProcess as a relaunch makes it: the scan finds nothing, /bin/true is
// launched and "Restart" is logged; the launched process is waited for and released
// outside the timing.
void BM_FindOrStartProcess(benchmark::State& state) {
    const Sleepers sleepers(static_cast<int>(state.range(0)));
    keeper::RunState run;
    run.LogFileName = ScratchDirectory() + "/find.log";
    run.ApplicationCommand = "/bin/true";
    run.FirstStart = false;
    run.ModuleName = "KEEPER-ABSENT.BIN";  // nothing runs under it: every call launches
    for (auto _ : state) {
        const keeper::Handle process = keeper::FindOrStartProcess(run).Process;
        state.PauseTiming();
        if (process == keeper::NoHandle) {
            state.SkipWithError("launch failed");
            break;
        }
        siginfo_t info{};
        waitid(P_PIDFD, static_cast<id_t>(keeper::FdOf(process)), &info, WEXITED | WNOWAIT);
        keeper::CloseProcess(process);
        std::remove(run.LogFileName.c_str());
        state.ResumeTiming();
    }
    state.counters["running"] = RunningProcesses();
}
BENCHMARK(BM_FindOrStartProcess)
    ->Arg(0)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(3000)
    ->Unit(benchmark::kMillisecond);

// One entry appended to a log of the given size: open, the tail rule, write, close.
// The 4 GiB log is sparse; the tail rule reads only its last 128 bytes.
void BM_WriteLog(benchmark::State& state) {
    const std::string log =
        ScratchDirectory() + "/write-" + std::to_string(state.range(0)) + ".log";
    const auto size = static_cast<off_t>(state.range(0));
    const std::string message = "Restart /usr/local/bin/server";
    int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ftruncate(fd, size) != 0) state.SkipWithError("cannot make the log");
    close(fd);
    std::int64_t entries = 0;
    for (auto _ : state) {
        if (keeper::WriteLog(log, message) != 0) state.SkipWithError("cannot write the log");
        if (++entries % 4096 == 0) {  // keep the file near its starting size
            state.PauseTiming();
            fd = open(log.c_str(), O_WRONLY);
            if (fd < 0 || ftruncate(fd, size) != 0) state.SkipWithError("cannot cut the log");
            close(fd);
            state.ResumeTiming();
        }
    }
    std::remove(log.c_str());
}
BENCHMARK(BM_WriteLog)->Arg(1024)->Arg(std::int64_t{4} << 30)->Unit(benchmark::kMicrosecond);

void BM_TimeStampText(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(keeper::TimeStampText());
}
BENCHMARK(BM_TimeStampText);

}  // namespace

int main(int argc, char** argv) {
    keeper::InitProcessText(argc, argv);
    keeper::ReadLocaleDateTimeSettings();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(ScratchDirectory());
    return 0;
}
