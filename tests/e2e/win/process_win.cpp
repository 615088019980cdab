#include "process_win.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cwctype>
#include <string>

#include "failure.h"
#include "text_win.h"

namespace brantel::automate {
namespace {

struct EnvironmentBlockTraits {
  using Handle = wchar_t*;
  static Handle Empty() noexcept { return nullptr; }
  static void Close(Handle block) noexcept { FreeEnvironmentStringsW(block); }
};

bool SameName(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](wchar_t x, wchar_t y) { return std::towupper(x) == std::towupper(y); });
}

// This process's environment with the changes applied, as a CreateProcess block.
std::wstring EnvironmentBlock(const std::vector<EnvironmentChange>& changes) {
  const UniqueHandle<EnvironmentBlockTraits> current(GetEnvironmentStringsW());
  if (!current) FailWithLastError("GetEnvironmentStringsW");
  std::wstring block;
  for (const wchar_t* entry = current.get(); *entry != L'\0'; entry += wcslen(entry) + 1) {
    const std::wstring_view text(entry);
    // Entries such as "=C:=C:\" name per-drive folders; they have no name before the '='.
    const std::size_t equals = text.find(L'=', 1);
    const std::wstring_view name = text.substr(0, equals);
    const bool changed = std::any_of(changes.begin(), changes.end(), [&](const auto& change) {
      return SameName(change.name, name);
    });
    if (!changed) block.append(text).push_back(L'\0');
  }
  for (const auto& change : changes) {
    if (!change.remove) block.append(change.name + L"=" + change.value).push_back(L'\0');
  }
  block.push_back(L'\0');
  return block;
}

}  // namespace

Process StartProcess(const StartArgs& args) {
  std::wstring commandLine = L"\"" + args.program + L"\"";
  if (!args.arguments.empty()) commandLine += L" " + args.arguments;
  std::wstring environment = EnvironmentBlock(args.environment);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(args.program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                      CREATE_UNICODE_ENVIRONMENT, environment.data(),
                      args.workingDirectory.empty() ? nullptr : args.workingDirectory.c_str(),
                      &startup, &info)) {
    FailWithLastError("CreateProcessW");
  }
  Process process;
  process.process.reset(info.hProcess);
  process.thread.reset(info.hThread);
  process.id = info.dwProcessId;
  return process;
}

DWORD WaitForExit(const Process& process, double seconds) {
  const DWORD result =
      WaitForSingleObject(process.process.get(), static_cast<DWORD>(seconds * 1000.0));
  if (result == WAIT_TIMEOUT) throw StepFailure("the program did not exit in time");
  if (result != WAIT_OBJECT_0) FailWithLastError("WaitForSingleObject");
  DWORD code = 0;
  if (!GetExitCodeProcess(process.process.get(), &code)) FailWithLastError("GetExitCodeProcess");
  return code;
}

bool HasExited(const Process& process) {
  return WaitForSingleObject(process.process.get(), 0) == WAIT_OBJECT_0;
}

void Terminate(const Process& process) {
  if (process.process && !HasExited(process)) {
    TerminateProcess(process.process.get(), 0xDEAD);
    WaitForSingleObject(process.process.get(), 10000);
  }
}

int CountProcesses(const std::wstring& image) {
  const UniqueHandle<FileHandleTraits> snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) FailWithLastError("CreateToolhelp32Snapshot");
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    if (_wcsicmp(entry.szExeFile, image.c_str()) == 0) ++count;
  }
  return count;
}

std::string MemoryReport(const Process& process) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  if (!GetProcessMemoryInfo(process.process.get(), &counters, sizeof(counters))) {
    FailWithLastError("GetProcessMemoryInfo");
  }
  return "peak-working-set=" + std::to_string(counters.PeakWorkingSetSize) +
         " working-set=" + std::to_string(counters.WorkingSetSize) +
         " peak-pagefile=" + std::to_string(counters.PeakPagefileUsage) +
         " pagefile=" + std::to_string(counters.PagefileUsage);
}

}  // namespace brantel::automate
