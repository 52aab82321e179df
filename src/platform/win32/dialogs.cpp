#include "platform/dialogs.h"

#include <windows.h>

namespace keeper {

void ShowErrorBox(const std::string& caption, const std::string& text, bool taskModal) {
    MessageBoxA(nullptr, text.c_str(), caption.c_str(),
                MB_OK | MB_ICONERROR | (taskModal ? MB_TASKMODAL : 0));
}

void ShowErrorCause(const std::string&, const std::string&) {}

}  // namespace keeper
