#include "system_state_win.h"

#include <windows.h>

#include <string>

#include "common/check_win.h"
#include "common/utf8_win.h"
#include "installer/catalogue.h"
#include "process_win.h"

namespace brantel::bench {
namespace {

// The folder the program installs into: %windir%\System32\, as the program builds it.
std::wstring SystemFolder() {
  wchar_t windir[MAX_PATH] = {};
  const DWORD length = ::GetEnvironmentVariableW(L"windir", windir, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) ThrowLastError("GetEnvironmentVariable(windir)");
  return std::wstring(windir, length) + L"\\System32\\";
}

std::wstring ComponentPath(std::string_view name) {
  return SystemFolder() + Widen(name);
}

}  // namespace

void RemoveComponents() {
  for (const std::string_view name : kComponentNames) {
    const std::wstring path = ComponentPath(name);
    if (!::DeleteFileW(path.c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND) {
      ThrowLastError("DeleteFile");
    }
  }
}

int PresentComponents() {
  int present = 0;
  for (const std::string_view name : kComponentNames) {
    const DWORD attributes = ::GetFileAttributesW(ComponentPath(name).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      ++present;
    }
  }
  return present;
}

void WaitForRegistrations(unsigned long timeoutMs) {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  while (harness::CountProcesses(L"regsvr32.exe") > 0) {
    if (::GetTickCount64() > deadline) throw Error(ERROR_TIMEOUT, "regsvr32 still running");
    ::Sleep(20);
  }
}

}  // namespace brantel::bench
