#include "common/error_text_win.h"

#include <algorithm>
#include <iterator>

#include "common/unique_handle_win.h"

namespace brantel {

std::wstring SystemErrorText(DWORD code) noexcept {
  // The system allocates the text and writes its address where the buffer's would go.
  UniqueLocalMemory allocated;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(allocated.put()), 0, nullptr);
  if (length == 0 || !allocated) return {};
  // The system's texts end with a line break, which would break the line they are put into.
  std::wstring_view text(static_cast<const wchar_t*>(allocated.get()), length);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
    text.remove_suffix(1);
  }
  try {
    return std::wstring(text);
  } catch (...) {
    return {};
  }
}

void SendDebugLine(std::wstring_view line) noexcept {
  // The string must end with a zero; a line that cannot be copied goes out cut at its buffer.
  wchar_t buffer[1024];
  const std::size_t length = std::min<std::size_t>(line.size(), std::size(buffer) - 2);
  line.copy(buffer, length);
  buffer[length] = L'\n';
  buffer[length + 1] = L'\0';
  ::OutputDebugStringW(buffer);
}

}  // namespace brantel
