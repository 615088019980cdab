#pragma once

#include <windows.h>

#include <string>

#include "common/unique_handle_win.h"

namespace brantel::bench {

// A program under measurement, started by the driver, and what the driver can see of it from
// outside: its windows, its controls' texts and its memory counters.
class Target {
 public:
  // Own: the program's output goes nowhere. Shared: it writes to the driver's own output.
  enum class Output { Own, Shared };

  // Starts the program with no arguments, its working folder the driver's own.
  explicit Target(const std::wstring& program, Output output = Output::Own);
  Target(const Target&) = delete;
  Target& operator=(const Target&) = delete;
  // Ends the program if it still runs, so that a failed measurement leaves nothing behind.
  ~Target();

  HANDLE process() const noexcept { return process_.get(); }

  // Waits until the program shows a top-level window with this title.
  HWND WaitForWindow(const std::wstring& title, DWORD timeoutMs) const;
  // Waits until the control's text is `text`. The program answers WM_GETTEXT only between
  // events, so the wait ends as soon as the event that set the text has returned.
  void WaitForText(HWND control, const std::wstring& text, DWORD timeoutMs) const;
  void WaitForExit(DWORD timeoutMs) const;

  // Peak working set and peak private bytes (the peak of committed memory charged to the
  // process) since it started.
  struct Memory {
    SIZE_T peakWorkingSet = 0;
    SIZE_T peakPrivate = 0;
  };
  Memory PeakMemory() const;

 private:
  UniqueKernelHandle process_;
  UniqueKernelHandle thread_;
  DWORD id_ = 0;
};

// The descendant of `window` with control identifier `id`.
HWND FindControl(HWND window, int id);
// Posts BM_CLICK: the button behaves as if pressed, and the poster does not wait for it.
void PostClick(HWND button);
void PostClose(HWND window);

}  // namespace brantel::bench
