#include "core/stopping.h"

#include "platform/clock_memory.h"
#include "platform/events.h"

namespace keeper {

bool WaitForEnd(const Watched& watched, std::uint32_t milliseconds) {
    return Wait({NoHandle, watched.Process, watched.Notify}, MonotonicMilliseconds() + milliseconds)
               .Value == WaitOutcome::ProcessEnded;
}

const EndingCalls PlatformEnding = {AskToEnd, WaitForEnd, EndByForce, EndWhatIsLeft};

Ending EndApplication(const Watched& watched, bool ask, std::uint32_t grace,
                      const EndingCalls& calls) {
    Ending ending = Ending::Failed;
    if (ask) {
        calls.Ask(watched);
        if (calls.WaitForEnd(watched, grace)) ending = Ending::Asked;
    }
    if (ending != Ending::Asked) {
        calls.Force(watched);
        if (!calls.WaitForEnd(watched, ForcedEndWait)) return Ending::Failed;
        ending = Ending::Forced;
    }
    // A process the application started may have ignored the request, or started
    // meanwhile: nothing of the tree outlives the application.
    calls.EndGroup(watched);
    return ending;
}

int AwaitWatcherEnd(bool (*wait)(Handle, const std::string&, std::uint32_t), Handle event,
                    const std::string& name, std::int32_t stopApplication) {
    // The watcher takes up to the grace time to ask, the forced end's wait to end by
    // force, then moments to log.
    return wait(event, name, static_cast<std::uint32_t>(stopApplication) + StopperMargin) ? 0 : 2;
}

}  // namespace keeper
