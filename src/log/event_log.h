// The event log: one time-stamped line per start, restart, stop and failure.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/handles.h"

namespace keeper {

/// Appends one entry, the message followed by CR LF, to the log file. With a `sizeLimit`
/// above 0, a log of that many bytes or more is rotated first (see OpenForAppend).
/// Gives the error when the file cannot be opened, written or closed, or when the clock is
/// outside the calendar (see FatalError); 0 when the entry is written.
[[nodiscard]] ErrorCode WriteLog(const std::string& logFileName, std::string_view message,
                                 std::int32_t sizeLimit = 0);

/// The message of an entry with each byte below 0x20 shown as "\xHH" (two upper-case hex
/// digits): a text keeper copies into an entry from the settings file, a command line or the
/// system then cannot cut the log (0x0E), break a line or end an entry.
///   "hid\x0Eden" (with the byte 0x0E) => `hid\x0Eden` (the four characters);  "a b" => "a b".
std::string VisibleText(std::string_view message);

/// The entry of a failed system call: "Error <code>: <text>", with the code in signed
/// decimal and the platform's text for it.
std::string ErrorEntry(ErrorCode code);

/// The platform's text for `code`, trimmed by TrimmedMessage.
std::string SystemErrorText(ErrorCode code);

/// The text without trailing blanks, control bytes and full stops.
/// "Access is denied.\r\n" => "Access is denied".
std::string TrimmedMessage(std::string text);

}  // namespace keeper
