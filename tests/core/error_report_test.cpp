#include "core/error_report.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <limits>

#include "log/fatal_errors.h"
#include "platform/process_text.h"
#include "text/paths.h"

namespace keeper {
namespace {

#ifdef _WIN32
constexpr ErrorCode AccessDenied = 5;  // ERROR_ACCESS_DENIED
#else
constexpr ErrorCode AccessDenied = EACCES;
#endif

TEST(ErrorReport, NamesClassModuleAddressAndMessage) {
    // The error of a log entry as the report gets it, placed at a function of the program.
    Exception error = FatalError(AccessDenied);
    error.SetAddress(reinterpret_cast<const void*>(&ErrorReportText));
    {
        const std::string program = FileNamePart(ArgumentAt(0), NativePaths, LeadBytes);
        const std::string text = ErrorReportText(error);
        const std::string head = "Exception EInOutError in module " + program + " at ";
        const std::string tail = ".\r\nFile access denied.\r\n";
        ASSERT_EQ(text.size(), head.size() + 8 + tail.size()) << text;
        EXPECT_TRUE(text.starts_with(head)) << text;
        EXPECT_TRUE(text.ends_with(tail)) << text;
        const std::string offset = text.substr(head.size(), 8);
        EXPECT_EQ(offset.find_first_not_of("0123456789ABCDEF"), std::string::npos) << offset;
        EXPECT_NE(offset, "00000000");  // a real offset inside the program
    }
}

TEST(ErrorReport, AddsAFullStopOnlyWhereMissing) {
    const struct {
        std::string Message;
        std::string Ending;
    } cases[] = {
        {"Disk full", "Disk full.\r\n"},
        {"Ends.", "Ends.\r\n"},
        {"", ".\r\n\r\n"},  // "at <address>." then the empty message without a stop
    };
    for (const auto& c : cases) {
        const std::string text = ErrorReportText(Exception(c.Message));
        EXPECT_TRUE(text.ends_with(c.Ending)) << text;
        EXPECT_TRUE(text.starts_with("Exception Exception in module ")) << text;
    }
    EXPECT_EQ(ErrorReportText(Exception(std::string(5000, 'x'))).size(), 1023u);
}

TEST(ErrorReport, RaisedErrorGivesExitCodeOne) {
    EXPECT_EQ(RunWithErrorReport([] { return 0; }), 0);
    EXPECT_EQ(RunWithErrorReport([] { return 3; }), 3);
    // Linux writes the box to standard error; Windows shows it, and without a display
    // under Wine it returns at once.
    EXPECT_EXIT(RunWithErrorReport([]() -> int { Raise(EInOutError(5, "File access denied")); }),
                ::testing::ExitedWithCode(1),
#ifdef _WIN32
                "");
#else
                "^Application Error: Exception EInOutError in module .* at 00000000\\.\r\n"
                "File access denied\\.\r\n\n$");
#endif
}

void* volatile Kept = nullptr;

TEST(ErrorReport, AFailedAllocationEndsInTheReport) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "AddressSanitizer ends a request beyond its limits itself";
#endif
    // A request no heap can meet: the new handler raises it as an error of its own.
    EXPECT_EXIT(RunWithErrorReport([]() -> int {
                    Kept = ::operator new(std::numeric_limits<std::size_t>::max() / 2);
                    return 0;
                }),
                ::testing::ExitedWithCode(1),
#ifdef _WIN32
                "");
#else
                "^Application Error: Exception EOutOfMemory in module .*Out of memory\\.");
#endif
}

}  // namespace
}  // namespace keeper
