#include "common/utf8_win.h"

#include "common/check_win.h"

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

}  // namespace brantel
