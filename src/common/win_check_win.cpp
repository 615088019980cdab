#include "common/win_check_win.h"

namespace brantel {

std::wstring Widen(std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = Check(::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0),
                           "MultiByteToWideChar");
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  Check(::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length),
        "MultiByteToWideChar");
  return wide;
}

std::string Narrow(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length =
      Check(::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr),
            "WideCharToMultiByte");
  std::string narrow(static_cast<std::size_t>(length), '\0');
  Check(
      ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, narrow.data(), length, nullptr, nullptr),
      "WideCharToMultiByte");
  return narrow;
}

std::wstring SystemDirectory() {
  wchar_t buffer[MAX_PATH];
  const UINT length = Check(::GetSystemDirectoryW(buffer, MAX_PATH), "GetSystemDirectory");
  if (length >= MAX_PATH) throw Error(ERROR_BUFFER_OVERFLOW, "GetSystemDirectory");
  return std::wstring(buffer, length);
}

}  // namespace brantel
