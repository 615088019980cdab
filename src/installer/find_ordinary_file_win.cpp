#include "installer/find_ordinary_file_win.h"

#include <windows.h>

#include "common/check_win.h"
#include "common/unique_handle_win.h"
#include "installer/ordinary_file.h"

namespace brantel {

std::wstring FindOrdinaryFile(const std::wstring& path) {
  WIN32_FIND_DATAW entry{};
  UniqueFind search(::FindFirstFileW(path.c_str(), &entry));
  if (!search) {
    const DWORD code = ::GetLastError();
    // Nothing there, or no such folder: the file is absent. Anything else is a failure.
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ||
        code == ERROR_NO_MORE_FILES) {
      return {};
    }
    ThrowLastError("FindFirstFile");
  }
  do {
    if (IsOrdinaryFile(entry.dwFileAttributes)) return entry.cFileName;
  } while (::FindNextFileW(search.get(), &entry));
  if (::GetLastError() != ERROR_NO_MORE_FILES) ThrowLastError("FindNextFile");
  return {};
}

}  // namespace brantel
