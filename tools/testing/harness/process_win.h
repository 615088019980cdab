#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "common/unique_handle_win.h"

namespace brantel::harness {

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
  bool shareOutput = false;  // the program writes to this one's standard output
};

// A program started for a test or a measurement. It is ended if it still runs when its owner
// goes, so that no failed run leaves it behind.
class Program {
 public:
  explicit Program(const StartArgs& args);
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  ~Program();

  HANDLE handle() const noexcept { return started_.process.get(); }
  DWORD id() const noexcept { return started_.id; }
  bool HasExited() const;
  // The exit code once the program has ended; throws ERROR_TIMEOUT if it has not in time.
  DWORD WaitForExit(DWORD timeoutMs) const;
  // Ends the program if it still runs; says whether it had to.
  bool Terminate() const;

  // Peak working set and peak private bytes (committed memory charged to it) since it started.
  struct PeakMemory {
    SIZE_T workingSet = 0;
    SIZE_T privateBytes = 0;
  };
  PeakMemory ReadPeakMemory() const;

 private:
  UniqueProcess started_;
};

// How many running processes have this image name (letter case aside).
int CountProcesses(const std::wstring& image);

}  // namespace brantel::harness
