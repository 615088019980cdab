#include "target_win.h"

#include <psapi.h>

#include "common/check_win.h"

namespace brantel::bench {
namespace {

struct WindowQuery {
  DWORD processId;
  const std::wstring* title;
  HWND found = nullptr;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
  auto& query = *reinterpret_cast<WindowQuery*>(parameter);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner != query.processId || !::IsWindowVisible(window)) return TRUE;
  // InternalGetWindowText reads the title without a message, so a busy program cannot delay it.
  wchar_t title[128] = {};
  ::InternalGetWindowText(window, title, static_cast<int>(std::size(title)));
  if (*query.title != title) return TRUE;
  query.found = window;
  return FALSE;
}

struct ControlQuery {
  int id;
  HWND found = nullptr;
};

BOOL CALLBACK MatchControl(HWND window, LPARAM parameter) {
  auto& query = *reinterpret_cast<ControlQuery*>(parameter);
  if (::GetDlgCtrlID(window) != query.id) return TRUE;
  query.found = window;
  return FALSE;
}

bool Exited(HANDLE process) {
  return ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
}

}  // namespace

Target::Target(const std::wstring& program, Output output) {
  std::wstring commandLine = L"\"" + program + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  // Only a handle made inheritable reaches the child: the driver's own may not be.
  UniqueKernelHandle sharedOutput;
  if (output == Output::Shared) {
    HANDLE duplicate = nullptr;
    Check(::DuplicateHandle(::GetCurrentProcess(), ::GetStdHandle(STD_OUTPUT_HANDLE),
                            ::GetCurrentProcess(), &duplicate, 0, TRUE, DUPLICATE_SAME_ACCESS),
          "DuplicateHandle");
    sharedOutput.reset(duplicate);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = sharedOutput.get();
    startup.hStdError = sharedOutput.get();
  }
  PROCESS_INFORMATION started{};
  Check(::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr,
                         output == Output::Shared, 0, nullptr, nullptr, &startup, &started),
        "CreateProcess");
  process_.reset(started.hProcess);
  thread_.reset(started.hThread);
  id_ = started.dwProcessId;
}

Target::~Target() {
  if (!Exited(process_.get())) {
    ::TerminateProcess(process_.get(), ERROR_TIMEOUT);
    ::WaitForSingleObject(process_.get(), 10000);
  }
}

HWND Target::WaitForWindow(const std::wstring& title, DWORD timeoutMs) const {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  for (;;) {
    WindowQuery query{id_, &title};
    ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&query));
    if (query.found != nullptr) return query.found;
    if (Exited(process_.get()))
      throw Error(ERROR_PROCESS_ABORTED, "program ended before its window");
    if (::GetTickCount64() > deadline) throw Error(ERROR_TIMEOUT, "window did not appear");
    ::Sleep(1);
  }
}

void Target::WaitForText(HWND control, const std::wstring& text, DWORD timeoutMs) const {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  for (;;) {
    wchar_t seen[128] = {};
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutW(control, WM_GETTEXT, std::size(seen), reinterpret_cast<LPARAM>(seen),
                               SMTO_NORMAL, timeoutMs, &copied)) {
      ThrowLastError("WM_GETTEXT");
    }
    if (text == seen) return;
    if (Exited(process_.get())) throw Error(ERROR_PROCESS_ABORTED, "program ended while awaited");
    if (::GetTickCount64() > deadline) throw Error(ERROR_TIMEOUT, "text did not change in time");
    ::Sleep(1);
  }
}

void Target::WaitForExit(DWORD timeoutMs) const {
  const DWORD result = ::WaitForSingleObject(process_.get(), timeoutMs);
  if (result == WAIT_TIMEOUT) throw Error(ERROR_TIMEOUT, "program did not end in time");
  if (result != WAIT_OBJECT_0) ThrowLastError("WaitForSingleObject");
}

Target::Memory Target::PeakMemory() const {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  Check(::GetProcessMemoryInfo(process_.get(), &counters, sizeof counters), "GetProcessMemoryInfo");
  return {counters.PeakWorkingSetSize, counters.PeakPagefileUsage};
}

HWND FindControl(HWND window, int id) {
  ControlQuery query{id};
  ::EnumChildWindows(window, MatchControl, reinterpret_cast<LPARAM>(&query));
  if (query.found == nullptr) throw Error(ERROR_CONTROL_ID_NOT_FOUND, "no such control");
  return query.found;
}

void PostClick(HWND button) {
  Check(::PostMessageW(button, BM_CLICK, 0, 0), "PostMessage(BM_CLICK)");
}

void PostClose(HWND window) {
  Check(::PostMessageW(window, WM_CLOSE, 0, 0), "PostMessage(WM_CLOSE)");
}

}  // namespace brantel::bench
