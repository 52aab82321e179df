#include "resources/messages.h"

#include <windows.h>

namespace keeper {

std::string MessageText(MessageId id) {
    char buffer[4096];
    const int n =
        LoadStringA(GetModuleHandleA(nullptr), static_cast<UINT>(id), buffer, sizeof buffer);
    return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

}  // namespace keeper
