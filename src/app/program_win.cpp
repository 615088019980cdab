// The program's life from start-up to its end, and the report of a failure that nothing handled.

#include "app/program_win.h"

#include <exception>
#include <string>

#include "app/frm_main.h"
#include "common/unique_handle_win.h"
#include "common/check_win.h"
#include "common/failure.h"
#include "common/error_text_win.h"
#include "common/system_directory_win.h"
#include "common/utf8_win.h"
#include "installer/file_writer_win.h"
#include "installer/payload_digest.h"
#include "installer/payload_digests.h"
#include "installer/payload_store_win.h"
#include "installer/sha256_win.h"
#include "installer/system_services_win.h"
#include "window/form_win.h"

namespace brantel {

// An installer runs elevated from a downloads folder, where a planted DLL must never load. Older
// systems lack the call.
void LoadLibrariesFromSystemOnly() {
  const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  if (kernel == nullptr) return;
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  const auto setDirectories = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (setDirectories != nullptr) setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

namespace {

// The window's initialise step: the common controls, bound by name from the system's own
// comctl32.dll. The library stays loaded for the life of the program.
UniqueModule InitialiseCommonControls() {
  const std::wstring path = SystemDirectory() + L"\\comctl32.dll";
  UniqueModule comctl(::LoadLibraryExW(path.c_str(), nullptr, 0));
  if (!comctl) ThrowLastError("LoadLibrary comctl32.dll");
  using InitCommonControlsFn = void(WINAPI*)();
  const auto init = reinterpret_cast<InitCommonControlsFn>(reinterpret_cast<void*>(
      Check(::GetProcAddress(comctl.get(), "InitCommonControls"), "InitCommonControls")));
  init();  // returns nothing, and nothing is made of the last error afterwards
  return comctl;
}

int RunWindow(HINSTANCE instance) {
  const UniqueModule comctl = InitialiseCommonControls();
  FrmMainWindow window(instance);
  Win32SystemServices system(window.handle());
  const ModulePayloadStore packed;
  const Win32Sha256 hasher;
  const VerifiedPayloadStore store(packed, PackedPayloadDigests(), hasher);
  Win32FileWriter writer;
  FrmMain form(window, system, store, writer);
  window.SetClickHandler([&form] { form.OnInstallClick(); });
  form.OnLoad();
  window.Show();
  return window.RunMessageLoop();
}

constexpr wchar_t kUnhandledHeadline[] =
    L"Brantel setup stopped: an error that nothing could handle.";

// A failure that no handler took (at start-up, or escaping a window event): say what failed and
// with which code, to the user and to a debugger; the program then ends.
void ReportUnhandled(const std::exception& error) noexcept {
  // The window was destroyed on the way here, and its end posted WM_QUIT: a box shown with that
  // message pending closes at once, unseen. The program ends after the box in any case.
  MSG quit;
  while (::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  // The box has no owner any more, so it asks for the foreground itself.
  constexpr UINT kStyle = MB_OK | MB_ICONERROR | MB_SETFOREGROUND;
  try {
    const Failure failure = FailureOf(error);
    const std::wstring details = Widen(
        DescribeFailure(failure, Narrow(SystemErrorText(failure.code)), FailureLayout::kReport));
    SendDebugLine(L"Brantel setup: " + details);
    const std::wstring text = std::wstring(kUnhandledHeadline) + L"\n\n" + details;
    if (::MessageBoxW(nullptr, text.c_str(), L"Brantel", kStyle) != 0) return;
  } catch (...) {
    // Out of memory while building the report: the fixed headline below still says it.
  }
  SendDebugLine(L"Brantel setup: the report of an unhandled error could not be built or shown");
  ::MessageBoxW(nullptr, kUnhandledHeadline, L"Brantel", kStyle);
}

}  // namespace

int RunProgram(HINSTANCE instance) {
  try {
    return RunWindow(instance);
  } catch (const std::exception& error) {
    ReportUnhandled(error);
  }
  return 1;
}

}  // namespace brantel
