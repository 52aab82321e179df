#include "core/stopping.h"

namespace keeper {

const EndingCalls PlatformEnding = {AskToEnd, WaitForEnd, EndByForce};

Ending EndApplication(const Watched& watched, bool ask, std::uint32_t grace,
                      const EndingCalls& calls) {
    if (ask) {
        calls.Ask(watched);
        if (calls.WaitForEnd(watched.Process, grace)) return Ending::Asked;
    }
    calls.Force(watched);
    return calls.WaitForEnd(watched.Process, ForcedEndWait) ? Ending::Forced : Ending::Failed;
}

int AwaitWatcherEnd(bool (*wait)(Handle, const std::string&, std::uint32_t), Handle event,
                    const std::string& name, std::int32_t stopApplication) {
    // The watcher takes up to the grace time to end the application, then moments to
    // log; ten seconds more cover a loaded machine.
    constexpr std::uint32_t Margin = 10000;
    return wait(event, name, static_cast<std::uint32_t>(stopApplication) + Margin) ? 0 : 2;
}

}  // namespace keeper
