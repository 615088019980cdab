// brantel-bench.exe: one measured run of a program under Wine or Windows, for
// tools/testing/bench/bench.py.
//
//   brantel-bench.exe program PROGRAM absent|present
//       Starts the setup program with every component removed from the system folder (absent)
//       or with all of them there (present); times the start until its window shows, the click
//       on "Install" until the caption reads "Finish", and the click on "Finish" until the
//       process has ended; reads its peak memory before the last click. The whole job is the
//       start until "Finish", as a user who clicks once the window is ready sees it.
//   brantel-bench.exe window PROGRAM TITLE
//       Starts a program, times it until a window titled TITLE shows, reads its peak memory once
//       it waits for input, and closes it.
//   brantel-bench.exe baseline PROGRAM
//       Removes every component and runs the install baseline, which reports its own time.
//   brantel-bench.exe installer PROGRAM absent|present
//       Runs a silent installer with every component removed (absent) or with all of them there
//       (present), and times its start until its process has ended. Before either, bench.py has
//       removed what earlier runs registered.
//   brantel-bench.exe hold
//       Keeps the desktop, and with it the prefix's server and system processes, up until
//       `brantel-bench.exe release`, so that no measured run pays for starting them.
//
// Each run ends once every regsvr32 it caused has ended. The result is one line of
// space-separated key=value fields; a failure prints "error ..." and exits with 1.

#include <windows.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "common/unique_handle_win.h"
#include "common/check_win.h"
#include "installer/catalogue.h"
#include "process_win.h"
#include "stopwatch_win.h"
#include "system_state_win.h"
#include "window/design.h"
#include "windows_win.h"

namespace brantel::bench {
namespace {

using harness::Program;

constexpr DWORD kWindowTimeoutMs = 60000;
constexpr DWORD kRunTimeoutMs = 120000;
constexpr DWORD kRegistrationTimeoutMs = 120000;
constexpr const wchar_t* kSetupTitle = L"Brantel setup";

void PrintMemory(const Program::PeakMemory& memory) {
  std::printf(" peak-working-set=%lu peak-private=%lu",
              static_cast<unsigned long>(memory.workingSet),
              static_cast<unsigned long>(memory.privateBytes));
}

// Started with no arguments, its working folder the driver's own.
harness::StartArgs Arguments(const std::wstring& program, bool shareOutput = false) {
  harness::StartArgs args;
  args.program = program;
  args.shareOutput = shareOutput;
  return args;
}

HWND WaitForWindow(const Program& program, const std::wstring& title) {
  return harness::WaitForTopLevel(program.id(), L"", title, kWindowTimeoutMs, program.handle());
}

void PrintSystemState() {
  WaitForRegistrations(kRegistrationTimeoutMs);
  std::printf(" components=%d\n", PresentComponents());
}

void RequireEveryComponent() {
  if (PresentComponents() != kComponentCount) {
    throw Error(ERROR_FILE_NOT_FOUND, "not every component is present");
  }
}

// Sets the system folder up for a run in `state`: "absent" removes every component, any other
// state needs every one present already.
void PrepareComponents(std::wstring_view state) {
  if (state == L"absent") {
    RemoveComponents();
  } else {
    RequireEveryComponent();
  }
}

void RequireSuccess(const Program& program, const char* what) {
  const DWORD code = program.WaitForExit(kRunTimeoutMs);
  if (code != 0) throw Error(code, what);
}

int MeasureSetup(const std::wstring& program, std::wstring_view state) {
  PrepareComponents(state);
  const Stopwatch sinceStart;
  const Program target(Arguments(program));
  const HWND window = WaitForWindow(target, kSetupTitle);
  const double launchMs = sinceStart.Milliseconds();

  const HWND button = harness::ControlById(window, ControlId(ControlName::CmdInstall));
  // A user clicks a window that has been drawn: the run is timed from a program that waits for
  // input, not from one still painting its first frame.
  if (::WaitForInputIdle(target.handle(), kWindowTimeoutMs) != 0) {
    throw Error(ERROR_TIMEOUT, "the program did not become idle");
  }
  const Stopwatch sinceInstall;
  harness::PostClick(button);
  harness::WaitForText(button, L"Finish", kRunTimeoutMs, 1);
  const double installMs = sinceInstall.Milliseconds();
  const double jobMs = sinceStart.Milliseconds();
  const Program::PeakMemory memory = target.ReadPeakMemory();

  const Stopwatch sinceFinish;
  harness::PostClick(button);
  target.WaitForExit(kRunTimeoutMs);
  const double exitMs = sinceFinish.Milliseconds();

  std::printf("program state=%ls launch-ms=%.3f install-ms=%.3f job-ms=%.3f exit-ms=%.3f",
              state.data(), launchMs, installMs, jobMs, exitMs);
  PrintMemory(memory);
  PrintSystemState();
  return 0;
}

int MeasureWindow(const std::wstring& program, const std::wstring& title) {
  const Stopwatch sinceStart;
  const Program target(Arguments(program));
  const HWND window = WaitForWindow(target, title);
  const double launchMs = sinceStart.Milliseconds();
  // Its memory is read where the setup program's is, once it waits for input: a window that has
  // just appeared has not yet drawn its first frame, nor loaded what that frame needs.
  if (::WaitForInputIdle(target.handle(), kWindowTimeoutMs) != 0) {
    throw Error(ERROR_TIMEOUT, "the program did not become idle");
  }
  const Program::PeakMemory memory = target.ReadPeakMemory();
  harness::PostClose(window);
  target.WaitForExit(kRunTimeoutMs);
  std::printf("window launch-ms=%.3f", launchMs);
  PrintMemory(memory);
  std::printf("\n");
  return 0;
}

int MeasureBaseline(const std::wstring& program) {
  RemoveComponents();
  std::fflush(stdout);  // the baseline writes its own figures to the same output
  const Program target(Arguments(program, true));
  RequireSuccess(target, "the baseline failed");
  std::printf("baseline-state");
  PrintSystemState();
  return 0;
}

int MeasureInstaller(const std::wstring& program, std::wstring_view state) {
  PrepareComponents(state);
  const Stopwatch sinceStart;
  const Program target(Arguments(program));
  RequireSuccess(target, "the installer failed");
  const double runMs = sinceStart.Milliseconds();
  std::printf("installer state=%ls run-ms=%.3f", state.data(), runMs);
  PrintSystemState();
  return 0;
}

constexpr const wchar_t* kHoldEvent = L"BrantelBenchHold";

int Hold() {
  const UniqueKernelHandle release(
      Check(::CreateEventW(nullptr, TRUE, FALSE, kHoldEvent), "CreateEvent"));
  ::GetDesktopWindow();
  std::printf("holding\n");
  std::fflush(stdout);
  if (::WaitForSingleObject(release.get(), INFINITE) != WAIT_OBJECT_0) {
    ThrowLastError("WaitForSingleObject");
  }
  return 0;
}

int Release() {
  const UniqueKernelHandle release(
      Check(::OpenEventW(EVENT_MODIFY_STATE, FALSE, kHoldEvent), "OpenEvent"));
  Check(::SetEvent(release.get()), "SetEvent");
  return 0;
}

int Run(int argc, wchar_t** argv) {
  const std::wstring_view mode = argc > 1 ? argv[1] : L"";
  const bool knownState = argc == 4 && (std::wstring_view(argv[3]) == L"absent" ||
                                        std::wstring_view(argv[3]) == L"present");
  if (mode == L"program" && knownState) return MeasureSetup(argv[2], argv[3]);
  if (mode == L"window" && argc == 4) return MeasureWindow(argv[2], argv[3]);
  if (mode == L"baseline" && argc == 3) return MeasureBaseline(argv[2]);
  if (mode == L"installer" && knownState) return MeasureInstaller(argv[2], argv[3]);
  if (mode == L"hold" && argc == 2) return Hold();
  if (mode == L"release" && argc == 2) return Release();
  std::fputs(
      "usage: brantel-bench.exe program PROGRAM absent|present\n"
      "       brantel-bench.exe window PROGRAM TITLE\n"
      "       brantel-bench.exe baseline PROGRAM\n"
      "       brantel-bench.exe installer PROGRAM absent|present\n"
      "       brantel-bench.exe hold | release\n",
      stderr);
  return 2;
}

}  // namespace
}  // namespace brantel::bench

int wmain(int argc, wchar_t** argv) {
  try {
    return brantel::bench::Run(argc, argv);
  } catch (const brantel::Error& error) {
    std::printf("\nerror code=%lu where=\"%s\"\n", static_cast<unsigned long>(error.code()),
                error.what());
    return 1;
  }
}
