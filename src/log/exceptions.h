// The raised errors: failures that have no return path.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

#include "platform/handles.h"

namespace keeper {

/// The base of every raised error; it carries a message text.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}

    /// The class name shown by the fatal-error report.
    virtual const char* ClassName() const { return "Exception"; }

    const std::string& Message() const { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

    /// The code address where the error was raised; null when unknown.
    const void* Address() const { return address_; }
    void SetAddress(const void* address) { address_ = address; }

private:
    std::string message_;
    const void* address_ = nullptr;
};

/// A failed file operation, with the numeric code of the failure.
class EInOutError : public Exception {
public:
    EInOutError(std::int32_t code, std::string message)
        : Exception(std::move(message)), code_(code) {}
    const char* ClassName() const override { return "EInOutError"; }
    std::int32_t Code() const { return code_; }

private:
    std::int32_t code_;
};

/// The EInOutError for `code`: its message is the table's text for the code (for a
/// platform code, for the table code it stands for), else "I/O error <code>".
EInOutError InOutError(ErrorCode code);

}  // namespace keeper
