// The report of a raised error that reaches the outermost level of the program.
#pragma once

#include <string>

#include "log/exceptions.h"

namespace keeper {

/// Runs `body` and gives its exit code. A raised error that comes out of it is shown in
/// a task-modal error box (caption "Application Error") after every pending clean-up
/// step has run, and gives exit code 1; with a debugger present it is left to the debugger.
int RunWithErrorReport(int (*body)());

/// The text of the box: the class name, the module and the code address (relative to the
/// module's load address, eight upper-case hex digits) where the error was raised, and
/// its message with a closing full stop; at most 1023 bytes.
/// "Exception EInOutError in module keeper.exe at 00001A2B.\r\nFile access denied.\r\n"
std::string ErrorReportText(const Exception& error);

}  // namespace keeper
