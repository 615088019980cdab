#include "process_win.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <string_view>

#include "common/ascii.h"
#include "common/check_win.h"

namespace brantel::harness {
namespace {

using UniqueEnvironmentBlock = UniqueHandle<HandleTraits<wchar_t*, &::FreeEnvironmentStringsW>>;

// This process's environment with the changes applied, as a CreateProcess block.
std::wstring EnvironmentBlock(const std::vector<EnvironmentChange>& changes) {
  const UniqueEnvironmentBlock current(Check(::GetEnvironmentStringsW(), "GetEnvironmentStrings"));
  std::wstring block;
  for (const wchar_t* entry = current.get(); *entry != L'\0'; entry += wcslen(entry) + 1) {
    const std::wstring_view text(entry);
    // Entries such as "=C:=C:\" name per-drive folders; they have no name before the '='.
    const std::wstring_view name = text.substr(0, text.find(L'=', 1));
    const bool changed = std::any_of(changes.begin(), changes.end(), [&](const auto& change) {
      return AsciiEqualIgnoringCase(change.name, name);
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

Program::Program(const StartArgs& args) {
  std::wstring commandLine = L"\"" + args.program + L"\"";
  if (!args.arguments.empty()) commandLine += L" " + args.arguments;
  std::wstring environment = EnvironmentBlock(args.environment);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  // Only a handle made inheritable reaches the child: this program's own may not be.
  UniqueKernelHandle sharedOutput;
  if (args.shareOutput) {
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
  Check(::CreateProcessW(args.program.c_str(), commandLine.data(), nullptr, nullptr,
                         args.shareOutput, CREATE_UNICODE_ENVIRONMENT, environment.data(),
                         args.workingDirectory.empty() ? nullptr : args.workingDirectory.c_str(),
                         &startup, &started),
        "CreateProcess");
  started_ = UniqueProcess::Adopt(started);
}

Program::~Program() {
  Terminate();
}

bool Program::HasExited() const {
  // A Unix program that Wine started has no handle to wait on: it counts as ended.
  return !started_.process || ::WaitForSingleObject(started_.process.get(), 0) == WAIT_OBJECT_0;
}

DWORD Program::WaitForExit(DWORD timeoutMs) const {
  if (!started_.process) return 0;
  const DWORD result = ::WaitForSingleObject(started_.process.get(), timeoutMs);
  if (result == WAIT_TIMEOUT) throw Error(ERROR_TIMEOUT, "the program did not end in time");
  if (result != WAIT_OBJECT_0) ThrowLastError("WaitForSingleObject");
  DWORD code = 0;
  Check(::GetExitCodeProcess(started_.process.get(), &code), "GetExitCodeProcess");
  return code;
}

bool Program::Terminate() const {
  if (HasExited()) return false;
  ::TerminateProcess(started_.process.get(), ERROR_TIMEOUT);
  ::WaitForSingleObject(started_.process.get(), 10000);
  return true;
}

Program::PeakMemory Program::ReadPeakMemory() const {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  Check(::GetProcessMemoryInfo(started_.process.get(), &counters, sizeof counters),
        "GetProcessMemoryInfo");
  return {counters.PeakWorkingSetSize, counters.PeakPagefileUsage};
}

int CountProcesses(const std::wstring& image) {
  const UniqueSnapshot snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) ThrowLastError("CreateToolhelp32Snapshot");
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
       more = ::Process32NextW(snapshot.get(), &entry)) {
    if (AsciiEqualIgnoringCase(entry.szExeFile, image)) ++count;
  }
  return count;
}

}  // namespace brantel::harness
