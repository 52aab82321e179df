// The raised errors: failures that have no return path.
#pragma once

#include <exception>
#include <string>
#include <utility>

namespace keeper {

/// The base of every raised error; it carries a message text.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}

    /// The class name shown by the fatal-error report.
    virtual const char* ClassName() const { return "Exception"; }

    const std::string& Message() const { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

}  // namespace keeper
