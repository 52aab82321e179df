// The event log: one time-stamped line per start, restart, stop and failure.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/handles.h"

namespace keeper {

/// Appends one entry, the message followed by CR LF, to the log file. With a `sizeLimit`
/// above 0, a log of that many bytes or more is rotated first (see OpenForAppend).
void WriteLog(const std::string& logFileName, std::string_view message, std::int32_t sizeLimit = 0);

/// Passes `succeeded` through; when it is false, first writes the entry
/// "Error <code>: <text>" with the code in signed decimal.
bool LogIfFailed(const std::string& logFileName, bool succeeded, ErrorCode code,
                 std::int32_t sizeLimit = 0);

/// The platform's text for `code`, trimmed by TrimmedMessage.
std::string SystemErrorText(ErrorCode code);

/// The text without trailing blanks, control bytes and full stops.
/// "Access is denied.\r\n" => "Access is denied".
std::string TrimmedMessage(std::string text);

}  // namespace keeper
