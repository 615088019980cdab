#include "common/system_directory_win.h"

#include <windows.h>

#include "common/check_win.h"

namespace brantel {

std::wstring SystemDirectory() {
  wchar_t buffer[MAX_PATH];
  const UINT length = Check(::GetSystemDirectoryW(buffer, MAX_PATH), "GetSystemDirectory");
  if (length >= MAX_PATH) throw Error(ERROR_BUFFER_OVERFLOW, "GetSystemDirectory");
  return std::wstring(buffer, length);
}

}  // namespace brantel
