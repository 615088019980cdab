// The install baseline: the install run's whole job with nothing around it. For each of the
// fourteen components in catalogue order it makes the existence test of its name in
// %windir%\System32\, as the setup program does, and when no ordinary file is there writes the
// payload entry from its own resources and starts "regsvr32 /s NAME" without waiting; then it
// writes the time the job took to its standard output. No window, no exceptions, and none of the
// setup program's own guarantees: no staged file, flush, rename or digest check, whose cost stays
// visible against this.

#include <windows.h>

#include <cstdio>
#include <string>

#include "common/unique_handle_win.h"
#include "installer/catalogue.h"
#include "installer/payload.h"
#include "installer/ordinary_file.h"
#include "stopwatch_win.h"

namespace brantel::bench {
namespace {

// The code of the call that failed last, never 0: the exit code says the job failed.
int Failed() {
  const DWORD code = ::GetLastError();
  return code != ERROR_SUCCESS ? static_cast<int>(code) : ERROR_GEN_FAILURE;
}

std::wstring Wide(std::string_view ascii) {
  return std::wstring(ascii.begin(), ascii.end());
}

bool WriteEntry(const std::wstring& name, const std::wstring& path) {
  const HRSRC found = ::FindResourceW(nullptr, name.c_str(), Wide(kPayloadType).c_str());
  const HGLOBAL loaded = found != nullptr ? ::LoadResource(nullptr, found) : nullptr;
  const void* bytes = loaded != nullptr ? ::LockResource(loaded) : nullptr;
  if (bytes == nullptr) return false;
  const DWORD size = ::SizeofResource(nullptr, found);
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  if (!::WriteFile(file.get(), bytes, size, &written, nullptr) || written != size) return false;
  return ::CloseHandle(file.release()) != FALSE;
}

// Whether an ordinary file has the name: the setup program's existence test.
bool Present(const std::wstring& path) {
  WIN32_FIND_DATAW entry{};
  const UniqueFind search(::FindFirstFileW(path.c_str(), &entry));
  if (!search) return false;
  do {
    if (IsOrdinaryFile(entry.dwFileAttributes)) return true;
  } while (::FindNextFileW(search.get(), &entry));
  return false;
}

bool StartRegistration(const std::wstring& regsvr32, const std::wstring& name,
                       const std::wstring& folder) {
  std::wstring commandLine = L"regsvr32 /s " + name;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWMINIMIZED;
  PROCESS_INFORMATION started{};
  if (!::CreateProcessW(regsvr32.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &started)) {
    return false;
  }
  UniqueProcess::Adopt(started);  // not waited for: both handles go at once
  return true;
}

void Report(double milliseconds) {
  char line[64];
  const int length = std::snprintf(line, sizeof line, "baseline install-ms=%.3f\n", milliseconds);
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), line, static_cast<DWORD>(length), &written,
              nullptr);
}

int Run() {
  const Stopwatch job;
  wchar_t windir[MAX_PATH] = {};
  const DWORD windirLength = ::GetEnvironmentVariableW(L"windir", windir, MAX_PATH);
  if (windirLength >= MAX_PATH) return ERROR_BUFFER_OVERFLOW;
  const std::wstring folder = std::wstring(windir, windirLength) + L"\\System32\\";
  wchar_t system[MAX_PATH] = {};
  const UINT systemLength = ::GetSystemDirectoryW(system, MAX_PATH);
  if (systemLength == 0 || systemLength >= MAX_PATH) return Failed();
  const std::wstring regsvr32 = std::wstring(system, systemLength) + L"\\regsvr32.exe";

  for (const std::string_view component : kComponentNames) {
    const std::wstring name = Wide(component);
    if (Present(folder + name)) continue;
    if (!WriteEntry(name, folder + name)) return Failed();
    if (!StartRegistration(regsvr32, name, folder)) return Failed();
  }
  Report(job.Milliseconds());
  return 0;
}

}  // namespace
}  // namespace brantel::bench

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  return brantel::bench::Run();
}
