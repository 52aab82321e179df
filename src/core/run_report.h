// The texts of the "End" entry, and the exit codes that end the watcher.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/processes.h"

namespace keeper {

/// How a process ended, as the "End" entry says it. An exit code is unsigned decimal, with
/// its hexadecimal form behind it from 0x10000 up (a Windows status code); a signal
/// carries its name.
///   exit 3 => "exit code 3";  exit 0xC0000005 => "exit code 3221225477 (0xC0000005)";
///   signal 11, "SIGSEGV" => "signal 11 (SIGSEGV)";  unknown => "exit code unknown".
std::string StatusText(const ExitStatus& status, std::string_view signalName);

/// Milliseconds as seconds with one decimal, the last digit rounded half up.
///   12345 => "12.3";  12350 => "12.4";  0 => "0.0".
std::string SecondsText(std::uint64_t milliseconds);

/// The codes of a "NoRestartExitCodes" list: codes separated by commas, blanks around
/// each ignored, each in a form ParseInteger accepts (so $C0000005 and -1073741819 are
/// the same 32-bit code) or in unsigned decimal, as the "End" entry writes a code
/// (3221225477); false when an item is not such a code (an empty one included).
///   " 3, $10 ,0xC0000005" => {3, 16, 0xC0000005};  "3,,4", "3,x", "4294967296" => false.
bool ParseExitCodes(std::string_view text, std::vector<std::uint32_t>& codes);

/// True when the process ended with an exit code of the list; a signal or an unknown
/// status never matches.
bool EndsWatch(const ExitStatus& status, const std::vector<std::uint32_t>& codes);

}  // namespace keeper
