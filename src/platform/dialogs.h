// The error boxes.
#pragma once

#include <string>

namespace keeper {

/// Shows a modal error box without owner window and returns when it is closed;
/// `taskModal` adds MB_TASKMODAL.
/// Note: Linux writes "caption: text" and a line end to standard error.
void ShowErrorBox(const std::string& caption, const std::string& text, bool taskModal);

}  // namespace keeper
