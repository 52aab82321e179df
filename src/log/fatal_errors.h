// The errors of the fatal report: what ends the program when a log entry cannot be written
// (or memory runs out). They travel as error codes, results like any other, and become one
// of these objects only in the report; nothing unwinds the stack.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "platform/handles.h"

namespace keeper {

/// The base of every error; it carries its class name and a message text.
class Exception {
public:
    explicit Exception(std::string message, const char* className = "Exception")
        : className_(className), message_(std::move(message)) {}

    /// The class name shown by the fatal-error report.
    const char* ClassName() const { return className_; }

    const std::string& Message() const { return message_; }

    /// The code address where the error was raised; null when unknown.
    const void* Address() const { return address_; }
    void SetAddress(const void* address) { address_ = address; }

    /// The numeric code of a failed file operation; 0 for other errors.
    std::int32_t Code() const { return code_; }

protected:
    Exception(std::string message, const char* className, std::int32_t code)
        : className_(className), message_(std::move(message)), code_(code) {}

private:
    const char* className_;
    std::string message_;
    const void* address_ = nullptr;
    std::int32_t code_ = 0;
};

/// A failed file operation, with the numeric code of the failure.
class EInOutError : public Exception {
public:
    EInOutError(std::int32_t code, std::string message)
        : Exception(std::move(message), "EInOutError", code) {}
};

/// A date or time outside the calendar.
class EConvertError : public Exception {
public:
    explicit EConvertError(std::string message) : Exception(std::move(message), "EConvertError") {}
};

/// keeper's own codes of a clock outside the calendar, which no file operation gives (bit
/// 29 marks a code of the program's own, as on Windows).
enum ClockErrorCode : ErrorCode {
    DateOutsideCalendar = 0x20000101,
    TimeOutsideCalendar,
};

/// The EInOutError for `code`: its message is the table's text for the code (for a
/// platform code, for the table code it stands for), else "I/O error <code>".
EInOutError InOutError(ErrorCode code);

/// The error the fatal report names for the error `code` of a log entry: the EConvertError
/// of a clock outside the calendar, else the EInOutError of a failed file operation.
Exception FatalError(ErrorCode code);

}  // namespace keeper
