// A regsvr32.exe that registers nothing: it appends one line about how it was started to a log
// and exits with 0. The end-to-end tests put it where the real one would be started from, to see
// every command line, start order, current directory and window state that the installer uses.
//
// The log is the file named by BRANTEL_REGSVR32_LOG, or else this program's own path followed by
// ".log". Each line reads
//
//   started created=T pid=N module="PATH" cwd="DIR" show=S command="LINE"
//
// T is the process creation time in 100 ns units, set when the starting process asked for the
// process, so sorting by it gives the order of the starts even when the started programs reach
// the log in another order. S is the wShowWindow the starter asked for, or -1 when it asked for
// none.

#include <windows.h>

#include <cstdint>
#include <string>

#include "report_line.h"
#include "common/unique_handle_win.h"

namespace brantel::automate {
namespace {

constexpr DWORD kRetryMilliseconds = 10;
constexpr int kAttempts = 1000;

using File = UniqueFile;

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) return path.substr(0, length);
    path.resize(path.size() * 2);
  }
}

std::wstring CurrentDirectory() {
  const DWORD size = GetCurrentDirectoryW(0, nullptr);
  std::wstring folder(size, L'\0');
  const DWORD length = GetCurrentDirectoryW(size, folder.data());
  folder.resize(length < size ? length : 0);
  return folder;
}

std::wstring LogPath(const std::wstring& module) {
  const DWORD size = GetEnvironmentVariableW(L"BRANTEL_REGSVR32_LOG", nullptr, 0);
  if (size > 1) {
    std::wstring path(size, L'\0');
    path.resize(GetEnvironmentVariableW(L"BRANTEL_REGSVR32_LOG", path.data(), size));
    return path;
  }
  return module + L".log";
}

std::uint64_t CreationTime() {
  FILETIME created{};
  FILETIME exited{};
  FILETIME kernel{};
  FILETIME user{};
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  return (static_cast<std::uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

int ShowRequested() {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  GetStartupInfoW(&startup);
  return (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
}

// Registration processes run side by side, so each one takes the log for itself while it
// appends: an exclusive open, retried while another holds it.
bool Append(const std::wstring& path, const std::string& line) {
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    const File file(CreateFileW(path.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
      if (GetLastError() != ERROR_SHARING_VIOLATION) return false;
      Sleep(kRetryMilliseconds);
      continue;
    }
    LARGE_INTEGER end{};
    DWORD written = 0;
    return SetFilePointerEx(file.get(), end, nullptr, FILE_END) &&
           WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
           written == line.size();
  }
  return false;
}

}  // namespace
}  // namespace brantel::automate

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace brantel::automate;
  using brantel::Quoted;
  const std::wstring module = ModulePath();
  const std::string line = "started created=" + std::to_string(CreationTime()) +
                           " pid=" + std::to_string(GetCurrentProcessId()) +
                           " module=" + Quoted(module) + " cwd=" + Quoted(CurrentDirectory()) +
                           " show=" + std::to_string(ShowRequested()) +
                           " command=" + Quoted(std::wstring_view(GetCommandLineW())) + "\n";
  // A log that cannot be written shows as a missing line; the exit code stays that of a
  // successful registration, as the installer never looks at it.
  Append(LogPath(module), line);
  return 0;
}
