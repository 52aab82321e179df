#include "platform/hangs.h"

#include <windows.h>

namespace keeper {
namespace {

struct WindowSearch {
    DWORD Id;
    bool NotAnswering;
};

BOOL CALLBACK CheckWindow(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<WindowSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search.Id || !IsWindowVisible(window)) return TRUE;
    // A window whose thread does not take messages fails at once with SMTO_ABORTIFHUNG
    // once the system counts it as hung; the short time-out covers the moments before.
    DWORD_PTR result = 0;
    if (IsHungAppWindow(window) ||
        SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, 200, &result) ==
            0) {
        search.NotAnswering = true;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

bool WindowNotAnswering(std::uint32_t id) {
    WindowSearch search{id, false};
    EnumWindows(CheckWindow, reinterpret_cast<LPARAM>(&search));
    return search.NotAnswering;
}

NotifyChannel OpenNotifyChannel(const std::string&) { return {}; }

bool ReadNotification(Handle, Notification&) { return false; }

void DropNotifications(Handle) {}

std::uint32_t SessionOf(std::uint32_t) { return 0; }

}  // namespace keeper
