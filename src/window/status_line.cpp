#include "window/status_line.h"

#include "common/error.h"

namespace brantel {

std::size_t CharacterCount(std::string_view text) {
  std::size_t count = 0;
  for (const char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;  // skip continuation bytes
  }
  return count;
}

std::string ComposeStatusLine(std::string_view text, std::string_view message) {
  const std::size_t used = CharacterCount(text) + CharacterCount(message);
  if (used > static_cast<std::size_t>(kStatusLineWidth)) {
    throw Error(error_code::kInvalidArgument, "status line longer than its width");
  }
  const auto padCount = static_cast<std::int16_t>(kStatusLineWidth - static_cast<int>(used));
  std::string line;
  line.reserve(text.size() + static_cast<std::size_t>(padCount) + message.size());
  line.append(text);
  line.append(static_cast<std::size_t>(padCount), '.');
  line.append(message);
  return line;
}

}  // namespace brantel
