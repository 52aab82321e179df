// How a descriptor travels as a Handle: plus one, so that descriptor 0 is not "none".
#pragma once

#include "platform/handles.h"

namespace keeper {

inline int FdOf(Handle handle) { return static_cast<int>(handle) - 1; }
inline Handle HandleOf(int fd) { return static_cast<Handle>(fd) + 1; }

}  // namespace keeper
