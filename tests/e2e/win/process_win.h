#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "common/unique_handle_win.h"

namespace brantel::automate {

struct EnvironmentChange {
  std::wstring name;
  bool remove = false;
  std::wstring value;  // when not removed
};

struct StartArgs {
  std::wstring program;
  std::wstring arguments;         // after the program's quoted path on its command line
  std::wstring workingDirectory;  // empty: this program's own
  std::vector<EnvironmentChange> environment;
};

// A started program: it owns both the process and the thread handle that CreateProcess returns.
struct Process {
  UniqueKernelHandle process;
  UniqueKernelHandle thread;
  DWORD id = 0;
};

Process StartProcess(const StartArgs& args);

// The exit code once the process has ended within the timeout; throws otherwise.
DWORD WaitForExit(const Process& process, double seconds);

bool HasExited(const Process& process);

// Ends a target that a failed step leaves behind, so that no test waits on it.
void Terminate(const Process& process);

// How many running processes have this image name (letter case aside).
int CountProcesses(const std::wstring& image);

// Peak memory figures of the process, as "key=value" fields of a report line.
std::string MemoryReport(const Process& process);

}  // namespace brantel::automate
