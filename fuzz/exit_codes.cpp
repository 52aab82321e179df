// The exit-code list of "NoRestartExitCodes", and the status texts of the "End" entry.
#include <cstdint>
#include <string>
#include <vector>

#include "core/run_report.h"
#include "support.h"

using keeper::ExitStatus;
using keeper::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    const ExitStatus status{
        static_cast<ExitStatus::Kind>(provider.ConsumeIntegralInRange<int>(0, 2)),
        provider.ConsumeIntegral<std::uint32_t>()};
    const std::string text = provider.ConsumeRemainingBytesAsString();

    // Every status has a text; an exit code's text is its unsigned decimal first.
    const std::string said = keeper::StatusText(status, "SIGX");
    Require(!said.empty());
    if (status.How == ExitStatus::Exited)
        Require(said.starts_with("exit code " + std::to_string(status.Value)));

    std::vector<std::uint32_t> codes;
    if (!keeper::ParseExitCodes(text, codes)) return 0;
    Require(!codes.empty());
    // The codes, written back as the "End" entry writes them, read as the same list.
    std::string written;
    for (const std::uint32_t code : codes)
        written += (written.empty() ? "" : ",") + std::to_string(code);
    std::vector<std::uint32_t> again;
    Require(keeper::ParseExitCodes(written, again) && again == codes);
    // A code of the list ends the watch as an exit code, never as a signal's number.
    for (const std::uint32_t code : codes) {
        Require(keeper::EndsWatch({ExitStatus::Exited, code}, codes));
        Require(!keeper::EndsWatch({ExitStatus::Signalled, code}, codes));
    }
    return 0;
}
