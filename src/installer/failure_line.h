#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace brantel {

// The code of a failure: the error's own, or the system's code for running out of memory or for
// a failure without one.
std::uint32_t FailureCode(const std::exception& error) noexcept;

// One line that tells a debugger what failed: the component (empty when none), the operation, the
// code with the system's text for it, and where it was raised, as in
//   Brantel setup: MSINET.OCX: WriteFile failed, error 112 (There is not enough space on the
//   disk.), src/installer/file_writer_win.cpp line 60
std::string DescribeFailure(std::string_view component, const std::exception& error,
                            std::string_view systemText);

}  // namespace brantel
