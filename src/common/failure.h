#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "common/error.h"

namespace brantel {

// What a failure says of itself, whatever its type: the program's Error its own code, operation
// and call site; running out of memory, or any other exception, the system's code for it and no
// call site.
struct Failure {
  std::uint32_t code;
  std::string_view operation;
  std::optional<CallSite> site;
};

Failure FailureOf(const std::exception& error) noexcept;

// The readers a failure is written for; each keeps the layout it knows.
enum class FailureLayout : std::uint8_t {
  // A debugger's line:
  //   WriteFile failed, error 112 (There is not enough space on the disk.),
  //   src/installer/file_writer_win.cpp line 60
  kDebugLine,
  // The box that reports a failure nothing handled:
  //   Error 5: Access is denied. (CreateFile, src/installer/file_writer_win.cpp line 60)
  kReport,
  // A one-line result that has no room for the system's text or the call site:
  //   CreateFile failed with error 5
  kCodeOnly,
};

// The one way a failure is put into words. `systemText` is the system's own text for its code,
// empty when there is none.
std::string DescribeFailure(const Failure& failure, std::string_view systemText,
                            FailureLayout layout);

}  // namespace brantel
