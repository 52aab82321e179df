#include "platform/errors.h"

#include <cerrno>
#include <cstring>

#include "platform/posix/event_errors.h"

namespace keeper {

ErrorCode LastErrorCode() { return static_cast<ErrorCode>(errno); }

std::string SystemMessage(ErrorCode code) {
    if (code > OwnErrorBase) return EventErrorText(code);
    return std::strerror(static_cast<int>(code));
}

}  // namespace keeper

#include <dlfcn.h>

#include "platform/process_text.h"

namespace keeper {

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

CodeLocation LocateCode(const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_fbase == nullptr) return {};
    std::string path = info.dli_fname != nullptr ? info.dli_fname : "";
    if (path.find('/') == std::string::npos) path = ArgumentAt(0);  // the main program
    return {FileNamePart(path, NativePaths, LeadBytes),
            reinterpret_cast<std::uintptr_t>(address) -
                reinterpret_cast<std::uintptr_t>(info.dli_fbase)};
}

bool DebuggerWantsErrors() { return false; }

}  // namespace keeper
