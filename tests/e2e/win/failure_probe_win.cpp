// brantel-failure-probe.exe: the program's own start-up, window and events, with one Windows call
// made to fail, so the end-to-end tests can see how a failure that nothing handles reaches the
// user. Brantel.exe carries no test hooks: this program swaps one entry of its own import table
// for a function that fails with ERROR_ACCESS_DENIED, then runs the program as Brantel.exe does.
//
//   brantel-failure-probe.exe STAGE
//
// STAGE, and the call that fails:
//   start     CreateFontW, before the window exists
//   naming    SetWindowTextW of the window's caption, while the window loads
//   loading   CreateWindowExW of lblCom(1), while the rows are built
//   showing   UpdateWindow, as the window is shown
//   event     SetWindowTextW of the caption "Finish", in the click on the button: the run's own
//             handler meets it too, so it escapes the click after the "Install error.." box
//   stall N   WriteFile, the Nth call (from 0), does not fail: it writes the first half of its
//             bytes and then never returns, as a program that hangs or is ended in the middle of
//             a component's data; the tests end it from outside
//   placed N  SetFileInformationByHandle, the Nth rename (from 0), does not fail: the staged file
//             takes the component's name and the call never returns, so the program stops
//             between the rename and the close, and the tests end it from outside
//
// The exit code is the program's own, or 2 for an unknown stage.

#include <windows.h>

#include <cwchar>
#include <string_view>

#include "app/program_win.h"
#include "window/design.h"

// The import table's entries for the calls that can be made to fail.
extern "C" {
extern decltype(&::CreateFontW) importCreateFont asm("__imp__CreateFontW@56");
extern decltype(&::SetWindowTextW) importSetWindowText asm("__imp__SetWindowTextW@8");
extern decltype(&::CreateWindowExW) importCreateWindowEx asm("__imp__CreateWindowExW@48");
extern decltype(&::UpdateWindow) importUpdateWindow asm("__imp__UpdateWindow@4");
extern decltype(&::WriteFile) importWriteFile asm("__imp__WriteFile@20");
extern decltype(&::SetFileInformationByHandle) importSetFileInformation asm(
    "__imp__SetFileInformationByHandle@16");
}

namespace brantel::probe {
namespace {

decltype(&::SetWindowTextW) realSetWindowText;
decltype(&::CreateWindowExW) realCreateWindowEx;
decltype(&::WriteFile) realWriteFile;
decltype(&::SetFileInformationByHandle) realSetFileInformation;
const wchar_t* failingCaption;
unsigned long callsBeforeStall;

template <typename Result>
Result Denied(Result failed) {
  ::SetLastError(ERROR_ACCESS_DENIED);
  return failed;
}

HFONT WINAPI FailCreateFont(int, int, int, int, int, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD,
                            DWORD, DWORD, LPCWSTR) {
  return Denied<HFONT>(nullptr);
}

BOOL WINAPI FailSetWindowText(HWND window, LPCWSTR text) {
  if (text != nullptr && std::wcscmp(text, failingCaption) == 0) return Denied(FALSE);
  return realSetWindowText(window, text);
}

HWND WINAPI FailCreateWindowEx(DWORD exStyle, LPCWSTR windowClass, LPCWSTR name, DWORD style, int x,
                               int y, int width, int height, HWND parent, HMENU menu,
                               HINSTANCE instance, LPVOID parameter) {
  const auto id = reinterpret_cast<INT_PTR>(menu);
  if (parent != nullptr && id == ControlId(ControlName::lblCom, 1)) return Denied<HWND>(nullptr);
  return realCreateWindowEx(exStyle, windowClass, name, style, x, y, width, height, parent, menu,
                            instance, parameter);
}

BOOL WINAPI FailUpdateWindow(HWND) {
  return Denied(FALSE);
}

BOOL WINAPI StallWriteFile(HANDLE file, LPCVOID data, DWORD size, LPDWORD written,
                           LPOVERLAPPED overlapped) {
  if (callsBeforeStall != 0) {
    --callsBeforeStall;
    return realWriteFile(file, data, size, written, overlapped);
  }
  realWriteFile(file, data, size / 2, written, overlapped);
  for (;;) ::Sleep(INFINITE);
}

BOOL WINAPI StallRename(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID information,
                        DWORD size) {
  const BOOL done = realSetFileInformation(file, kind, information, size);
  if (!done || kind != FileRenameInfo) return done;
  if (callsBeforeStall != 0) {
    --callsBeforeStall;
    return done;
  }
  for (;;) ::Sleep(INFINITE);
}

// Replaces one import table entry; the table may lie on a read-only page.
template <typename Function>
void Swap(Function& entry, Function replacement) {
  DWORD previous = 0;
  ::VirtualProtect(&entry, sizeof entry, PAGE_READWRITE, &previous);
  entry = replacement;
  ::VirtualProtect(&entry, sizeof entry, previous, &previous);
}

// "stall N", "placed N": the number of calls that go through before the one that stalls.
bool StallCount(const wchar_t* stage, std::wstring_view word, unsigned long& count) {
  if (std::wcsncmp(stage, word.data(), word.size()) != 0 || stage[word.size()] != L' ') {
    return false;
  }
  const wchar_t* digits = stage + word.size() + 1;
  wchar_t* end = nullptr;
  count = std::wcstoul(digits, &end, 10);
  return end != digits && *end == L'\0';
}

bool PutFailureIn(const wchar_t* stage) {
  realSetWindowText = importSetWindowText;
  realCreateWindowEx = importCreateWindowEx;
  realWriteFile = importWriteFile;
  realSetFileInformation = importSetFileInformation;
  if (std::wcscmp(stage, L"start") == 0) {
    Swap(importCreateFont, &FailCreateFont);
  } else if (std::wcscmp(stage, L"naming") == 0) {
    failingCaption = L"Brantel setup";
    Swap(importSetWindowText, &FailSetWindowText);
  } else if (std::wcscmp(stage, L"loading") == 0) {
    Swap(importCreateWindowEx, &FailCreateWindowEx);
  } else if (std::wcscmp(stage, L"showing") == 0) {
    Swap(importUpdateWindow, &FailUpdateWindow);
  } else if (std::wcscmp(stage, L"event") == 0) {
    failingCaption = L"Finish";
    Swap(importSetWindowText, &FailSetWindowText);
  } else if (StallCount(stage, L"stall", callsBeforeStall)) {
    Swap(importWriteFile, &StallWriteFile);
  } else if (StallCount(stage, L"placed", callsBeforeStall)) {
    Swap(importSetFileInformation, &StallRename);
  } else {
    return false;
  }
  return true;
}

}  // namespace
}  // namespace brantel::probe

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
  if (!brantel::probe::PutFailureIn(commandLine)) return 2;
  brantel::LoadLibrariesFromSystemOnly();
  return brantel::RunProgram(instance);
}
