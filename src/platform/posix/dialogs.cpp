#include "platform/dialogs.h"

#include <cstdio>

namespace keeper {

void ShowErrorBox(const std::string& caption, const std::string& text, bool /*taskModal*/) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
}

void ShowErrorCause(const std::string& caption, const std::string& cause) {
    ShowErrorBox(caption, cause, false);
}

}  // namespace keeper
