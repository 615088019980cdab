#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace brantel {

// What the run needs of the system. Every operation either completes or throws Error.
class SystemServices {
 public:
  virtual ~SystemServices() = default;
  // An unset variable reads as empty.
  virtual std::string ReadEnvironment(std::string_view name) = 0;
  // Starts the system's own `program` with `commandLine`, minimised with focus, in
  // `workingFolder`, and does not wait for it.
  virtual void StartSystemProgram(std::string_view program, std::string_view commandLine,
                                  std::string_view workingFolder) = 0;
  // A modal message with an OK button and no icon; returns once the user has closed it.
  virtual void ShowMessage(std::string_view text, std::string_view title) = 0;
  // The system's own text for an error code, on one line, or empty when it has none.
  virtual std::string ErrorText(std::uint32_t code) = 0;
  // One line for a debugger attached to the program, or a debug-output viewer; nothing else
  // sees it and nothing is written to disk.
  virtual void SendDebugLine(std::string_view line) noexcept = 0;
  // A clock that only goes forward, in microseconds from some fixed point.
  virtual std::uint64_t Microseconds() noexcept = 0;
  [[noreturn]] virtual void EndProgram() = 0;
};

}  // namespace brantel
