#include "core/error_report.h"

#include <cstdint>
#include <cstdlib>
#include <new>

#include "platform/dialogs.h"
#include "platform/errors.h"
#include "resources/messages.h"
#include "text/integer_text.h"

namespace keeper {
namespace {

constexpr std::size_t ReportTextLimit = 1023;  // a 1024-byte buffer with its NUL
constexpr std::size_t CaptionLimit = 63;

/// An allocation that failed; the report itself needs a little memory, which the heap
/// usually still has for it once the large request has failed.
[[noreturn]] void RaiseOutOfMemory() {
    // A report that runs out of memory in its turn ends the program without one.
    static bool raising = false;
    if (raising) std::_Exit(1);
    raising = true;
    Raise(Exception("Out of memory", "EOutOfMemory"));
}

}  // namespace

std::string ErrorReportText(const Exception& error) {
    // An error raised without a known address is placed at the program's own entry.
    const void* address = error.Address() != nullptr
                              ? error.Address()
                              : reinterpret_cast<const void*>(&RunWithErrorReport);
    const CodeLocation where = LocateCode(address);
    const auto value = static_cast<std::uint32_t>(error.Address() != nullptr ? where.Offset : 0);
    // Eight upper-case hexadecimal digits, as %08X would give; no printf family here, it
    // would bring a whole formatter into keeper.exe for this one number.
    const std::string offset = HexDigits(value, 8);
    const std::string& message = error.Message();
    const bool addStop = !message.empty() && message.back() != '.';
    std::string text = FormatMessageText(
        MessageId::ExceptionReportText,
        {error.ClassName(), where.ModuleFileName, offset, message, addStop ? "." : ""});
    if (text.size() > ReportTextLimit) text.resize(ReportTextLimit);
    return text;
}

int RunWithErrorReport(int (*body)()) {
    std::set_new_handler(RaiseOutOfMemory);
    return body();
}

[[gnu::noinline]] void RaiseLogFailure(ErrorCode code) {
    Exception error = FatalError(code);
    // The report names the entry that failed: the return address lies right after it.
    error.SetAddress(__builtin_return_address(0));
    Raise(error);
}

void Raise(const Exception& error) {
    if (DebuggerWantsErrors()) __builtin_trap();
    const std::string caption =
        MessageText(MessageId::ApplicationErrorText).substr(0, CaptionLimit);
    ShowErrorBox(caption, ErrorReportText(error), true);
    std::exit(1);
}

}  // namespace keeper
