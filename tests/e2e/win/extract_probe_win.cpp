// brantel-extract-probe.exe: runs the installer's own payload lookup and file extraction, linked
// with the same payload resources as Brantel.exe, so the end-to-end tests can check them under
// Wine without a test hook in the shipped program.
//
// The command line is a script of steps separated by ";" arguments:
//
//   brantel-extract-probe.exe read MSINET.OCX Custom ; extract MSINET.OCX Custom Z:\out\MSINET.OCX
//
// Steps:
//   read NAME TYPE                 report the entry's size and CRC-32
//   extract NAME TYPE PATH         ExtractFile from the program's resources to PATH
//   release PATH                   open PATH with no sharing, then move and delete it: each fails
//                                  while any handle to the file is still open in this process
//   make-hidden PATH SIZE          create PATH, hidden and system, holding SIZE bytes of 0xA5
//   attributes PATH                report the file attributes of PATH
//
// Every step prints one line, "STEP step=N ..." on success and "error step=N op=STEP code=N
// what=..." on failure, and the script goes on. The exit code is 0 when every step succeeded,
// 1 when any failed, 2 for a script that cannot be run.

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "common/unique_handle_win.h"
#include "common/check_win.h"
#include "common/utf8_win.h"
#include "installer/extract.h"
#include "installer/file_writer_win.h"
#include "installer/payload_store_win.h"
#include "report_line.h"
#include "steps.h"

namespace brantel {
namespace {

// The zlib polynomial, so the tests compare with Python's zlib.crc32.
std::uint32_t Crc32(std::span<const std::uint8_t> bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (const std::uint8_t byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void Read(int step, const Words& words) {
  const ModulePayloadStore store;
  const std::span<const std::uint8_t> entry = store.ReadPayload(Narrow(words[1]), Narrow(words[2]));
  std::printf("read step=%d size=%zu crc32=0x%08lx\n", step, entry.size(),
              static_cast<unsigned long>(Crc32(entry)));
}

void Extract(int step, const Words& words) {
  const ModulePayloadStore store;
  Win32FileWriter writer;
  ExtractFile(store, writer, Narrow(words[1]), Narrow(words[2]), Narrow(words[3]));
  std::printf("extract step=%d\n", step);
}

void Release(int step, const Words& words) {
  const std::wstring& path = words[1];
  const std::wstring moved = path + L".moved";
  {
    UniqueFile exclusive(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!exclusive) ThrowLastError("CreateFile(no sharing)");
  }
  Check(::MoveFileW(path.c_str(), moved.c_str()), "MoveFile");
  Check(::DeleteFileW(moved.c_str()), "DeleteFile");
  std::printf("release step=%d\n", step);
}

void MakeHidden(int step, const Words& words) {
  const std::wstring& path = words[1];
  wchar_t* end = nullptr;
  const unsigned long size = std::wcstoul(words[2].c_str(), &end, 10);
  if (end == words[2].c_str() || *end != L'\0') throw Error(error_code::kInvalidArgument, "SIZE");
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, nullptr));
  if (!file) ThrowLastError("CreateFile(hidden)");
  const std::vector<std::uint8_t> filler(size, 0xA5);
  DWORD written = 0;
  Check(
      ::WriteFile(file.get(), filler.data(), static_cast<DWORD>(filler.size()), &written, nullptr),
      "WriteFile");
  if (written != filler.size()) throw Error(ERROR_WRITE_FAULT, "WriteFile");
  std::printf("make-hidden step=%d\n", step);
}

void Attributes(int step, const Words& words) {
  const DWORD attributes = ::GetFileAttributesW(words[1].c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) ThrowLastError("GetFileAttributes");
  std::printf("attributes step=%d value=0x%lx\n", step, static_cast<unsigned long>(attributes));
}

struct StepKind {
  const wchar_t* name;
  std::size_t arguments;
  void (*run)(int, const Words&);
};

constexpr StepKind kSteps[] = {
    {L"read", 2, Read},
    {L"extract", 3, Extract},
    {L"release", 1, Release},
    {L"make-hidden", 2, MakeHidden},
    {L"attributes", 1, Attributes},
};

const StepKind* Find(const Words& words) {
  for (const StepKind& kind : kSteps) {
    if (words[0] == kind.name && words.size() == kind.arguments + 1) return &kind;
  }
  return nullptr;
}

}  // namespace
}  // namespace brantel

int wmain(int argc, wchar_t** argv) {
  using namespace brantel;
  const std::vector<Words> steps = Steps(argc, argv);
  if (steps.empty()) {
    std::fprintf(stderr, "usage: brantel-extract-probe.exe STEP ARGUMENTS... [; STEP ...]\n");
    return 2;
  }
  std::vector<const StepKind*> kinds;
  for (const Words& words : steps) {
    kinds.push_back(Find(words));
    if (kinds.back() == nullptr) {
      std::fprintf(stderr, "cannot run the step \"%s\" with %zu arguments\n",
                   Narrow(words[0]).c_str(), words.size() - 1);
      return 2;
    }
  }
  int status = 0;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const int step = static_cast<int>(i) + 1;
    try {
      kinds[i]->run(step, steps[i]);
    } catch (const Error& error) {
      std::printf("error step=%d op=%s code=%lu what=%s\n", step, Narrow(steps[i][0]).c_str(),
                  static_cast<unsigned long>(error.code()), Quoted(error.what()).c_str());
      status = 1;
    }
    std::fflush(stdout);
  }
  return status;
}
