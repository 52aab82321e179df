#include "platform/errors.h"

#include <cerrno>
#include <cstring>

#include "platform/posix/event_errors.h"
#include "platform/process_text.h"

namespace keeper {

std::string SystemMessage(ErrorCode code) {
    if (code > OwnErrorBase) return EventErrorText(code);
    return std::strerror(static_cast<int>(code));
}

ErrorCode InOutTableCode(ErrorCode code) {
    switch (code) {
        case ENOENT:
            return 2;
        case ENOTDIR:
        case ENAMETOOLONG:
            return 3;
        case EMFILE:
        case ENFILE:
            return 4;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:  // as Windows refuses to open a directory for writing
            return 5;
        default:
            return 0;
    }
}

// The linker's names for the program's own ELF header, which lies at its load address,
// and for the end of its data: a code address of the program lies between them, whether
// it is linked statically or not.
extern "C" const char __ehdr_start[];  // NOLINT(bugprone-reserved-identifier)
extern "C" const char _end[];          // NOLINT(bugprone-reserved-identifier)

CodeLocation LocateCode(const void* address) {
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    const auto start = reinterpret_cast<std::uintptr_t>(__ehdr_start);
    if (at < start || at >= reinterpret_cast<std::uintptr_t>(_end)) return {};
    return {FileNamePart(ArgumentAt(0), NativePaths, LeadBytes), at - start};
}

bool DebuggerWantsErrors() { return false; }

}  // namespace keeper
