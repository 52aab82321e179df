// Finding, launching and releasing the watched process.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace keeper {

/// At most this many process identifiers are examined per scan.
inline constexpr std::size_t MaxListedProcesses = 1024;

/// The identifiers of running processes in the platform's order, at most
/// MaxListedProcesses; false (with `error`) when the list cannot be read.
/// Note: Linux reads /proc in the kernel's order.
bool ListProcessIds(std::vector<std::uint32_t>& ids, ErrorCode& error);

/// A waitable handle of process `id` whose executable name can be read, or none when
/// the process has ended or may not be inspected.
Handle OpenWatchableProcess(std::uint32_t id);

/// The file name of the executable of an opened process; false when it cannot be read.
bool ExecutableFileName(Handle process, std::string& name);

/// Releases a process handle; on Linux also reaps the process when it is our child
/// and has ended.
void CloseProcess(Handle process);

struct Launch {
    Handle Process = NoHandle;  ///< none when the launch failed
    ErrorCode Error = 0;
};

/// Starts `commandLine` with the watchdog's environment and current directory and
/// nothing of its handles inherited.
/// Note: Linux splits the line by the argument rules and searches PATH, without a shell.
Launch LaunchProcess(const std::string& commandLine);

}  // namespace keeper
