// The time stamp at the head of every log entry.
#pragma once

#include <string>

namespace keeper {

/// The local date and time now in the user's short date and long time patterns (the
/// pattern "C"); at midnight to the second the date alone.
std::string TimeStampText();

}  // namespace keeper
