#include "installer/file_writer_win.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <utility>
#include <vector>

#include "common/check_win.h"
#include "common/number_text.h"
#include "common/scope_exit.h"
#include "common/unique_handle_win.h"
#include "common/utf8_win.h"
#include "installer/find_ordinary_file_win.h"

namespace brantel {
namespace {

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

void SetDeleteOnClose(HANDLE file, bool remove) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = remove ? TRUE : FALSE;
  Check(::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition),
        "SetFileInformationByHandle");
}

// Gives the open `file` the name `target`, replacing an entry of that name only when `replace`
// says so. The file keeps its handle, and with it its delete disposition. FALSE, with the
// system's code as the last error, when the name is refused.
BOOL Rename(HANDLE file, const std::wstring& target, bool replace) {
  const std::size_t nameBytes = target.size() * sizeof(wchar_t);
  constexpr std::size_t kNameOffset = offsetof(FILE_RENAME_INFO, FileName);
  std::vector<std::byte> buffer(
      std::max(sizeof(FILE_RENAME_INFO), kNameOffset + nameBytes + sizeof(wchar_t)));
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->ReplaceIfExists = replace ? TRUE : FALSE;
  info->RootDirectory = nullptr;
  info->FileNameLength = static_cast<DWORD>(nameBytes);
  std::memcpy(buffer.data() + kNameOffset, target.c_str(), nameBytes + sizeof(wchar_t));
  return ::SetFileInformationByHandle(file, FileRenameInfo, info,
                                      static_cast<DWORD>(buffer.size()));
}

// A new file in the folder of `destination`, named after this process, that nothing else can
// open and that the system deletes when its handle closes, whatever ends the program.
UniqueFile CreateStagingFile(const std::wstring& destination) {
  const std::wstring folder = destination.substr(0, destination.find_last_of(L'\\') + 1);
  const std::wstring stem =
      folder + L"~brantel-" + NumberText<wchar_t>(::GetCurrentProcessId(), 16) + L"-";
  for (DWORD attempt = 0;; ++attempt) {
    const std::wstring path = stem + NumberText<wchar_t>(attempt, 16) + L".tmp";
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
      // Still empty until marked; a failure to remove it can only be left to the error on its way.
      ScopeExit remove([&] {
        file.reset();
        ::DeleteFileW(path.c_str());
      });
      SetDeleteOnClose(file.get(), true);
      remove.release();
      return file;
    }
    if (::GetLastError() != ERROR_FILE_EXISTS || attempt == 15) ThrowLastError("CreateFile");
  }
}

// The staged file stays open and marked for deletion until it is placed: it takes the
// destination's name while still marked and loses the mark only under that name. So whatever
// ends the program, at any moment, leaves either nothing new or the whole file under the
// destination's name, never a staged file. Dropping it unplaced closes it, which deletes it.
class Win32StagedFile : public StagedFile {
 public:
  Win32StagedFile(std::wstring destination, UniqueFile file)
      : destination_(std::move(destination)), file_(std::move(file)) {}

  void Write(std::span<const std::uint8_t> bytes) {
    WriteAll(file_.get(), bytes);
    Check(::FlushFileBuffers(file_.get()), "FlushFileBuffers");
  }

  bool PlaceIfNameFree() override {
    if (!RenameMarked(false)) {
      const DWORD code = ::GetLastError();
      if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS) return false;
      ThrowLastError("SetFileInformationByHandle");
    }
    Keep();
    return true;
  }
  void PlaceReplacing() override {
    Check(RenameMarked(true), "SetFileInformationByHandle");
    Keep();
  }
  void Discard() override {
    Check(::CloseHandle(file_.release()), "CloseHandle");  // the disposition deletes it
  }

 private:
  // Gives the file the destination's name while it is still marked for deletion. A file system
  // that will not rename a file marked for deletion answers access denied: there the file is
  // renamed unmarked, and marked again should that fail too, so that it never stays behind
  // unnamed and unmarked. FALSE, with the system's code as the last error, when the name is
  // refused either way.
  BOOL RenameMarked(bool replace) {
    if (Rename(file_.get(), destination_, replace)) return TRUE;
    if (::GetLastError() != ERROR_ACCESS_DENIED) return FALSE;
    SetDeleteOnClose(file_.get(), false);
    if (Rename(file_.get(), destination_, replace)) return TRUE;
    const DWORD code = ::GetLastError();
    SetDeleteOnClose(file_.get(), true);
    ::SetLastError(code);
    return FALSE;
  }

  // The file has the destination's name. Its data reached the disk before the rename; the flush
  // takes the new name there too, so that after a power cut the name holds the whole file or
  // what it held before. Only then does the file lose its mark and its handle.
  void Keep() {
    Check(::FlushFileBuffers(file_.get()), "FlushFileBuffers");
    SetDeleteOnClose(file_.get(), false);
    Check(::CloseHandle(file_.release()), "CloseHandle");
  }

  std::wstring destination_;
  UniqueFile file_;
};

}  // namespace

std::unique_ptr<StagedFile> Win32FileWriter::Stage(std::string_view path,
                                                   std::span<const std::uint8_t> bytes) {
  std::wstring destination = Widen(path);
  UniqueFile file = CreateStagingFile(destination);
  auto staged = std::make_unique<Win32StagedFile>(std::move(destination), std::move(file));
  staged->Write(bytes);
  return staged;
}

bool Win32FileWriter::HoldsOrdinaryFile(std::string_view path) {
  return !FindOrdinaryFile(Widen(path)).empty();
}

void Win32FileWriter::RemoveFile(std::string_view path) {
  const std::wstring widePath = Widen(path);
  Check(::DeleteFileW(widePath.c_str()), "DeleteFile");
}

void Win32FileWriter::PauseBeforeRetry() {
  ::Sleep(kRetryPauseMilliseconds);
}

}  // namespace brantel
