// System error codes and their texts.
#pragma once

#include <cstdint>
#include <string>

#include "platform/handles.h"

namespace keeper {

/// The platform's description of `code`, untrimmed; the empty text when there is none
/// (FormatMessageA into a 256-byte buffer on Windows).
/// Note: strerror on Linux.
std::string SystemMessage(ErrorCode code);

/// The code of the I/O error table (2 file not found, 3 invalid file name, 4 too many
/// open files, 5 access denied) that a platform code stands for, or the code itself.
/// Note: Linux maps errno values (ENOENT 2, ENOTDIR and ENAMETOOLONG 3, EMFILE and
/// ENFILE 4, EACCES, EPERM, EROFS and EISDIR 5) and gives 0 for any other, which has no row.
ErrorCode InOutTableCode(ErrorCode code);

/// Where a code address lies: the file name of its module and its distance from the
/// module's load address.
struct CodeLocation {
    std::string ModuleFileName;
    std::uintptr_t Offset = 0;
};
CodeLocation LocateCode(const void* address);

/// True when a debugger should see a raised error instead of the error report.
/// Note: always false on Linux.
bool DebuggerWantsErrors();

}  // namespace keeper
