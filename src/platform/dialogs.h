// The error boxes.
#pragma once

#include <string>

namespace keeper {

/// Shows a modal error box without owner window and returns when it is closed;
/// `taskModal` adds MB_TASKMODAL.
/// Note: Linux writes "caption: text" and a line end to standard error.
void ShowErrorBox(const std::string& caption, const std::string& text, bool taskModal);

/// Names the cause of the error just shown in a box, for a user who reads a terminal.
/// Windows: nothing; the box keeps its text. Note: Linux writes "caption: cause" and a line
/// end to standard error, as the box's line.
void ShowErrorCause(const std::string& caption, const std::string& cause);

}  // namespace keeper
