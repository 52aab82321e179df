// The report of an error that ends the program.
#pragma once

#include <string>

#include "log/fatal_errors.h"

namespace keeper {

/// Runs `body` and gives its exit code. An allocation that fails on its way is raised as an
/// error of its own ("Out of memory").
int RunWithErrorReport(int (*body)());

/// Ends the program with the fatal-error report of `error`: a task-modal error box
/// (caption "Application Error"), then exit code 1 after the steps registered with atexit
/// have run. With a debugger present the error is left to the debugger instead, as a trap
/// at the point of the raise.
[[noreturn]] void Raise(const Exception& error);

/// Ends the program with the fatal-error report of the error `code` of a log entry that
/// cannot be written (FatalError), placed at the call of this function.
[[noreturn]] void RaiseLogFailure(ErrorCode code);

/// The text of the box: the class name, the module and the code address (relative to the
/// module's load address, eight upper-case hex digits) where the error was raised, and
/// its message with a closing full stop; at most 1023 bytes.
/// "Exception EInOutError in module keeper.exe at 00001A2B.\r\nFile access denied.\r\n"
std::string ErrorReportText(const Exception& error);

}  // namespace keeper
