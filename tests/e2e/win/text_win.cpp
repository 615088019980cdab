#include "text_win.h"

#include <string>

#include "failure.h"

namespace brantel::automate {

std::string ToUtf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size,
                      nullptr, nullptr);
  return result;
}

std::wstring ToWide(std::string_view text) {
  if (text.empty()) return {};
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring result(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size);
  return result;
}

std::string Quoted(std::wstring_view text) {
  std::string result = "\"";
  for (const char c : ToUtf8(text)) {
    if (c == '"' || c == '\\') result += '\\';
    // Line breaks would split the report line; a message box text may hold them.
    result += (c == '\r' || c == '\n') ? ' ' : c;
  }
  return result + "\"";
}

void FailWithLastError(const char* call) {
  throw StepFailure(std::string(call) + " failed with error " + std::to_string(GetLastError()));
}

std::wstring WindowText(HWND window) {
  // For a window of another process this reads the system's copy of the text and sends no
  // message, so it answers even while the target is busy inside a handler.
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return text;
}

std::wstring ClassName(HWND window) {
  wchar_t name[256] = {};
  const int length = GetClassNameW(window, name, 256);
  return std::wstring(name, static_cast<std::size_t>(length > 0 ? length : 0));
}

}  // namespace brantel::automate
