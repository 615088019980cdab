#include "installer/file_writer_win.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "common/check_win.h"
#include "common/unique_handle_win.h"
#include "common/utf8_win.h"
#include "installer/ordinary_file.h"

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

std::wstring HexText(DWORD value) {
  std::wstring digits;
  do {
    digits.insert(digits.begin(), L"0123456789ABCDEF"[value % 16]);
    value /= 16;
  } while (value != 0);
  return digits;
}

// A new file in the folder of `destination`, named after this process, that nothing else can
// open while it is written and that the system deletes when its handle closes.
std::pair<std::wstring, UniqueFile> CreateStagingFile(const std::wstring& destination) {
  const std::wstring folder = destination.substr(0, destination.find_last_of(L'\\') + 1);
  const std::wstring stem = folder + L"~brantel-" + HexText(::GetCurrentProcessId()) + L"-";
  for (DWORD attempt = 0;; ++attempt) {
    std::wstring path = stem + HexText(attempt) + L".tmp";
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) return {std::move(path), std::move(file)};
    if (::GetLastError() != ERROR_FILE_EXISTS || attempt == 15) ThrowLastError("CreateFile");
  }
}

class Win32StagedFile : public StagedFile {
 public:
  Win32StagedFile(std::wstring destination, std::wstring path, UniqueFile file)
      : destination_(std::move(destination)), path_(std::move(path)), file_(std::move(file)) {}
  Win32StagedFile(const Win32StagedFile&) = delete;
  Win32StagedFile& operator=(const Win32StagedFile&) = delete;
  // On the way out of a failure. An open file with its delete disposition goes with its handle;
  // any other is deleted, and a failure to do so can only be left to the error on its way.
  ~Win32StagedFile() override {
    if (file_ && deleteOnClose_) return;
    file_.reset();
    if (!done_) ::DeleteFileW(path_.c_str());
  }

  // From here on the file cannot outlive its handle, whatever ends the program.
  void Write(std::span<const std::uint8_t> bytes) {
    SetDeleteOnClose(file_.get(), true);
    deleteOnClose_ = true;
    WriteAll(file_.get(), bytes);
    Check(::FlushFileBuffers(file_.get()), "FlushFileBuffers");
  }

  bool PlaceIfNameFree() override { return Move(MOVEFILE_WRITE_THROUGH); }
  void PlaceReplacing() override {
    if (!Move(MOVEFILE_WRITE_THROUGH | MOVEFILE_REPLACE_EXISTING)) {
      throw Error(ERROR_ALREADY_EXISTS, "MoveFileEx");
    }
  }
  void Discard() override {
    if (file_ && deleteOnClose_) {
      Check(::CloseHandle(file_.release()), "CloseHandle");  // the disposition deletes it
    } else {
      file_.reset();
      Check(::DeleteFileW(path_.c_str()), "DeleteFile");
    }
    done_ = true;
  }

 private:
  // Renames the staged file to the destination; false when the destination's name is taken and
  // `flags` do not replace it. The data reached the disk before the handle was closed, and the
  // rename is written through, so after a power cut the name holds the whole file or is absent.
  bool Move(DWORD flags) {
    if (file_) {
      SetDeleteOnClose(file_.get(), false);
      deleteOnClose_ = false;
      Check(::CloseHandle(file_.release()), "CloseHandle");
    }
    if (::MoveFileExW(path_.c_str(), destination_.c_str(), flags)) {
      done_ = true;
      return true;
    }
    const DWORD code = ::GetLastError();
    if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS) {
      if ((flags & MOVEFILE_REPLACE_EXISTING) == 0) return false;
    }
    // Nothing took the destination's name: the staged file goes, and so does the error's cause.
    Check(::DeleteFileW(path_.c_str()), "DeleteFile");
    done_ = true;
    throw Error(code != ERROR_SUCCESS ? code : ERROR_GEN_FAILURE, "MoveFileEx");
  }

  std::wstring destination_;
  std::wstring path_;
  UniqueFile file_;
  bool deleteOnClose_ = false;
  bool done_ = false;
};

}  // namespace

std::unique_ptr<StagedFile> Win32FileWriter::Stage(std::string_view path,
                                                   std::span<const std::uint8_t> bytes) {
  std::wstring destination = Widen(path);
  auto [stagingPath, file] = CreateStagingFile(destination);
  auto staged = std::make_unique<Win32StagedFile>(std::move(destination), std::move(stagingPath),
                                                  std::move(file));
  staged->Write(bytes);
  return staged;
}

bool Win32FileWriter::HoldsOrdinaryFile(std::string_view path) {
  const std::wstring widePath = Widen(path);
  const DWORD attributes = ::GetFileAttributesW(widePath.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD code = ::GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return false;
    ThrowLastError("GetFileAttributes");
  }
  return IsOrdinaryFile(attributes);
}

void Win32FileWriter::RemoveFile(std::string_view path) {
  const std::wstring widePath = Widen(path);
  Check(::DeleteFileW(widePath.c_str()), "DeleteFile");
}

}  // namespace brantel
