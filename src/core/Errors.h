// The program's two exception kinds that are not internal errors.
#pragma once

#include <stdexcept>
#include <string>

namespace zemo {

// The silent abort: ends the current operation without a message. Top-level handlers
// swallow it; anything else that reaches them is an internal error.
struct EAbort : std::exception {
    const char* what() const noexcept override { return "operation aborted"; }
};

// A text that should have been a number and is not.
struct EConvertError : std::runtime_error {
    explicit EConvertError(const std::string& text) : std::runtime_error(text) {}
};

} // namespace zemo
