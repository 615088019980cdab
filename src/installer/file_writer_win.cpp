#include "installer/file_writer_win.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "common/unique_handle_win.h"
#include "common/check_win.h"
#include "common/utf8_win.h"

namespace brantel {
namespace {

// The destination while it is written. Unless the write is committed, the file is closed and
// deleted: a half-written component must never be left behind, since the next run would take it
// for an installed one.
class FileBeingWritten {
 public:
  FileBeingWritten(std::wstring path, UniqueFile file)
      : path_(std::move(path)), file_(std::move(file)) {}
  FileBeingWritten(const FileBeingWritten&) = delete;
  FileBeingWritten& operator=(const FileBeingWritten&) = delete;
  ~FileBeingWritten() {
    if (committed_) return;
    file_.reset();
    ::DeleteFileW(path_.c_str());
  }
  HANDLE get() const noexcept { return file_.get(); }
  void CloseAndCommit() {
    Check(::CloseHandle(file_.release()), "CloseHandle");
    committed_ = true;
  }

 private:
  std::wstring path_;
  UniqueFile file_;
  bool committed_ = false;
};

void WriteAll(HANDLE file, std::span<const std::uint8_t> bytes) {
  constexpr std::size_t kChunk = 1u << 20;
  while (!bytes.empty()) {
    const auto size = static_cast<DWORD>(std::min(bytes.size(), kChunk));
    DWORD written = 0;
    Check(::WriteFile(file, bytes.data(), size, &written, nullptr), "WriteFile");
    if (written == 0) throw Error(ERROR_WRITE_FAULT, "WriteFile");
    bytes = bytes.subspan(written);
  }
}

}  // namespace

void Win32FileWriter::WriteWholeFile(std::string_view path, std::span<const std::uint8_t> bytes) {
  std::wstring widePath = Widen(path);
  // OPEN_ALWAYS rather than CREATE_ALWAYS: Windows refuses to truncate a hidden or system file
  // unless the same attributes are asked for, so the file is cut to length after the write.
  UniqueFile handle(::CreateFileW(widePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle) ThrowLastError("CreateFile");
  FileBeingWritten file(std::move(widePath), std::move(handle));
  WriteAll(file.get(), bytes);
  Check(::SetEndOfFile(file.get()), "SetEndOfFile");
  file.CloseAndCommit();
}

}  // namespace brantel
