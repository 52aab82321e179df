// Launching the application: the launch record from the settings, its output file, its
// environment, the launch and its entry.
#pragma once

#include <string>

#include "core/process_locator.h"
#include "core/run_state.h"
#include "platform/processes.h"

namespace keeper {

/// The command as it is handed to the platform: quoted when it holds a blank and names an
/// existing file as a whole (a quoted command names none); otherwise as it stands.
/// `C:\Program Files\App\app.exe` => `"C:\Program Files\App\app.exe"` when that file exists.
std::string CommandForLaunch(const std::string& command);

/// The command line a launch of `command` with `parameters` hands to the platform:
/// CommandForLaunch of the command, one blank, the parameters.
std::string CommandLineOf(const std::string& command, const std::string& parameters);

/// The launch of the application that the settings of the run describe, for the command
/// `command` as CommandForLaunch gives it.
LaunchOptions LaunchOptionsOf(const RunState& run, const std::string& command);

/// Launches `ApplicationCommand` + " " + `ApplicationParameters` with the settings of the
/// run, logged as "Start" the first time and "Restart" afterwards (with "LogDetails" naming
/// the process). Under "LogFileLimit" an output file that has reached the limit is rotated
/// first. A launch that fails gives none, LaunchFailed, and its error entry logged.
Located LaunchApplication(RunState& run);

}  // namespace keeper
