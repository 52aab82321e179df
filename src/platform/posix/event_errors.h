// Why the name space of the instance events, or an event in it, was refused. These
// codes lie above errno's range (bit 29 marks a code of the program's own, as on
// Windows), so that the log entry of a failed creation says which check failed.
#pragma once

#include <string>

#include "platform/handles.h"

namespace keeper {

constexpr ErrorCode OwnErrorBase = 0x20000000;

enum EventErrorCode : ErrorCode {
    NameSpaceNotDirectory = OwnErrorBase + 1,
    NameSpaceSymbolicLink,
    NameSpaceOtherOwner,
    NameSpaceOpenToOthers,
    EventNotFifo,
    EventOtherOwner,
};

/// The directory that holds this user's instance events: $XDG_RUNTIME_DIR/keeper when
/// that variable is an absolute path, else /tmp/keeper-<effective uid>.
std::string EventNameSpace();

/// The per-user name space, created 0700 when `create` and missing, and accepted only when
/// it is a real directory (no symlink) that belongs to this user and that nobody else may
/// enter. Returns an open directory descriptor, or -1 with the reason in errno.
int OpenNameSpace(bool create = true);

/// True while a process holds the instance event `name` (a watcher, or a moment a stopper
/// or a duplicate); asks without taking it.
bool IsInstanceNameHeld(const std::string& name);

/// The text of one of the codes above, naming the directory; the empty text for any
/// other code.
std::string EventErrorText(ErrorCode code);

}  // namespace keeper
