// Ending the watched application: the polite request, and the end by force of the process
// with what it started.
#pragma once

#include <cstdint>

#include "platform/handles.h"

namespace keeper {

/// The process to end: its handle and identifier, and for a process keeper launched with
/// a group of its own, that group (Windows: the job object of the launch; none for an
/// adopted process).
struct Watched {
    Handle Process = NoHandle;
    std::uint32_t Id = 0;
    Handle Group = NoHandle;
    bool Launched = false;  ///< keeper launched it in a group of its own; else adopted
    /// The notification socket, read while the process is waited for; none for none.
    Handle Notify = NoHandle;
};

/// Asks the process to end. Windows: WM_CLOSE is posted to each of its top-level windows,
/// and a process launched in a group of its own also gets Ctrl+Break on its console, which
/// keeper attaches to for the moment (a process without a console gets the windows' alone).
/// Note: Linux sends SIGTERM to the process group of a launched process, which leads one
/// of its own, and to the process alone when it was adopted.
void AskToEnd(const Watched& watched);

/// Ends the process by force, with every process of its group when it was launched in
/// one (Windows: TerminateJobObject; TerminateProcess for an adopted one, opened again
/// with PROCESS_TERMINATE, which the watched handle lacks; exit code 1).
/// Note: Linux sends SIGKILL to the process group, and to the process itself; a process
/// that left the group escapes.
void EndByForce(const Watched& watched);

/// Ends by force what is left of the group of a launched process once the process itself
/// has ended (Windows: TerminateJobObject on its job, exit code 1); nothing for an adopted one.
/// Note: Linux sends SIGKILL to the process group, whose id stays the leader's until keeper
/// reaps it, so this comes before CloseProcess.
void EndWhatIsLeft(const Watched& watched);

/// The number of processes left running in the group of a launched process whose own
/// process has ended; 0 for an adopted one, and where no group was made.
/// Windows: the active processes of its job. Note: Linux counts the processes of its
/// process group, which keeps the leader's id until keeper reaps it, so this comes before
/// CloseProcess; a process that left the group is not counted.
std::uint32_t CountWhatIsLeft(const Watched& watched);

/// Releases the group of a launch once its process has ended; none is no-op.
/// Note: Linux has no handle for a group: nothing to do.
void CloseGroup(Handle group);

}  // namespace keeper
