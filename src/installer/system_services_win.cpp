#include "installer/system_services_win.h"

#include <vector>

#include "common/unique_handle_win.h"
#include "common/check_win.h"
#include "common/error_text_win.h"
#include "common/system_directory_win.h"
#include "common/utf8_win.h"

namespace brantel {

std::string Win32SystemServices::ReadEnvironment(std::string_view name) {
  const std::wstring wideName = Widen(name);
  std::vector<wchar_t> buffer(256);
  for (;;) {
    ::SetLastError(ERROR_SUCCESS);
    const DWORD length = ::GetEnvironmentVariableW(wideName.c_str(), buffer.data(),
                                                   static_cast<DWORD>(buffer.size()));
    if (length == 0) {
      if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND || ::GetLastError() == ERROR_SUCCESS) {
        return {};
      }
      ThrowLastError("GetEnvironmentVariable");
    }
    if (length < buffer.size()) return Narrow(std::wstring_view(buffer.data(), length));
    buffer.resize(length);
  }
}

void Win32SystemServices::StartSystemProgram(std::string_view program, std::string_view commandLine,
                                             std::string_view workingFolder) {
  // The program is named by its full path in the system directory: with no application name
  // Windows would search the installer's own folder and the current directory first.
  const std::wstring application = SystemDirectory() + L"\\" + Widen(program);
  std::wstring line = Widen(commandLine);  // CreateProcess may write into it
  const std::wstring folder = Widen(workingFolder);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWMINIMIZED;
  PROCESS_INFORMATION started{};
  Check(::CreateProcessW(application.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                         folder.empty() ? nullptr : folder.c_str(), &startup, &started),
        "CreateProcess");
  // Nothing waits for the registration: both handles are given back at once.
  UniqueProcess::Adopt(started);
}

void Win32SystemServices::ShowMessage(std::string_view text, std::string_view title) {
  const std::wstring wideText = Widen(text);
  const std::wstring wideTitle = Widen(title);
  Check(::MessageBoxW(owner_, wideText.c_str(), wideTitle.c_str(), MB_OK), "MessageBox");
}

std::string Win32SystemServices::ErrorText(std::uint32_t code) {
  return Narrow(SystemErrorText(code));
}

void Win32SystemServices::SendDebugLine(std::string_view line) noexcept {
  try {
    brantel::SendDebugLine(Widen(line));
  } catch (...) {
    brantel::SendDebugLine(L"Brantel setup: the install run failed");
  }
}

std::uint64_t Win32SystemServices::Microseconds() noexcept {
  // Both calls succeed on every Windows since XP, and the frequency is fixed at boot.
  LARGE_INTEGER frequency{};
  LARGE_INTEGER counter{};
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&counter);
  const auto ticks = static_cast<std::uint64_t>(counter.QuadPart);
  const auto perSecond = static_cast<std::uint64_t>(frequency.QuadPart);
  // In two parts, so that a counter that has run for years cannot overflow the product.
  return ticks / perSecond * 1'000'000 + ticks % perSecond * 1'000'000 / perSecond;
}

void Win32SystemServices::EndProgram() {
  ::ExitProcess(0);
}

}  // namespace brantel
