#include "core/error_report.h"

#include <cstdint>
#include <new>

#include "platform/dialogs.h"
#include "platform/errors.h"
#include "resources/messages.h"

namespace keeper {
namespace {

constexpr std::size_t ReportTextLimit = 1023;  // a 1024-byte buffer with its NUL
constexpr std::size_t CaptionLimit = 63;

class EOutOfMemory : public Exception {
public:
    EOutOfMemory() : Exception("Out of memory") {}
    const char* ClassName() const override { return "EOutOfMemory"; }
};

void Report(const Exception& error) {
    const std::string caption =
        MessageText(MessageId::ApplicationErrorText).substr(0, CaptionLimit);
    ShowErrorBox(caption, ErrorReportText(error), true);
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
    std::string offset(8, '0');
    for (int digit = 0; digit < 8; ++digit)
        offset[7 - digit] = "0123456789ABCDEF"[(value >> (4 * digit)) & 0xF];
    const std::string& message = error.Message();
    const bool addStop = !message.empty() && message.back() != '.';
    std::string text = FormatMessageText(
        MessageId::ExceptionReportText,
        {error.ClassName(), where.ModuleFileName, offset, message, addStop ? "." : ""});
    if (text.size() > ReportTextLimit) text.resize(ReportTextLimit);
    return text;
}

int RunWithErrorReport(int (*body)()) {
    try {
        return body();
    } catch (const Exception& error) {
        if (DebuggerWantsErrors()) throw;
        Report(error);
    } catch (const std::bad_alloc&) {
        if (DebuggerWantsErrors()) throw;
        Report(EOutOfMemory());
    }
    return 1;
}

}  // namespace keeper
