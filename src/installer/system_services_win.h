#pragma once

#include <windows.h>

#include "installer/system_services.h"

namespace brantel {

class Win32SystemServices : public SystemServices {
 public:
  // `owner` is the window that a message box belongs to and disables while it is open.
  explicit Win32SystemServices(HWND owner = nullptr) noexcept : owner_(owner) {}

  std::string ReadEnvironment(std::string_view name) override;
  void StartSystemProgram(std::string_view program, std::string_view commandLine,
                          std::string_view workingFolder) override;
  void ShowMessage(std::string_view text, std::string_view title) override;
  std::string ErrorText(std::uint32_t code) override;
  void SendDebugLine(std::string_view line) noexcept override;
  std::uint64_t Microseconds() noexcept override;
  [[noreturn]] void EndProgram() override;

 private:
  HWND owner_;
};

}  // namespace brantel
