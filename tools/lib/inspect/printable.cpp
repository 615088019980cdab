#include "printable.h"

#include <cstdint>
#include <cstdio>

namespace brantel::inspect {
namespace {

// The length of the well-formed UTF-8 sequence at the start of `text` and its code point, or
// 0 when it is not one (truncated, overlong, a surrogate or beyond U+10FFFF).
std::size_t Sequence(std::string_view text, char32_t& code_point) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(0);
  std::size_t length = 0;
  char32_t minimum = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, minimum = 0x80, code_point = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, minimum = 0x800, code_point = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, minimum = 0x10000, code_point = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    code_point = code_point << 6 | (byte(i) & 0x3F);
  }
  const bool surrogate = code_point >= 0xD800 && code_point < 0xE000;
  if (code_point < minimum || surrogate || code_point > 0x10FFFF) return 0;
  return length;
}

bool IsControl(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c < 0xA0) || (c >= 0x202A && c <= 0x202E) ||
         (c >= 0x2066 && c <= 0x2069);
}

void AppendEscape(std::string& out, const char* format, unsigned value) {
  char escape[8];
  std::snprintf(escape, sizeof escape, format, value);
  out += escape;
}

// How a text escapes what may not reach a terminal as it is.
enum class Escapes {
  kC,        // \xNN for a byte or C0 control, \uNNNN for other controls, \\ for the backslash
  kRfc2253,  // \NN for each byte; the backslash is the text's own escape
};

std::string Escaped(std::string_view text, Escapes style) {
  std::string out;
  out.reserve(text.size());
  const auto escape_bytes = [&](std::string_view bytes) {
    for (const char byte : bytes) {
      AppendEscape(out, style == Escapes::kC ? "\\x%02X" : "\\%02X",
                   static_cast<std::uint8_t>(byte));
    }
  };
  while (!text.empty()) {
    const auto lead = static_cast<std::uint8_t>(text.front());
    char32_t code_point = lead;
    const std::size_t length = lead < 0x80 ? 1 : Sequence(text, code_point);
    if (length == 0) {
      escape_bytes(text.substr(0, 1));
      text.remove_prefix(1);
      continue;
    }
    if (code_point == '\\' && style == Escapes::kC) {
      out += "\\\\";
    } else if (IsControl(code_point) && (style == Escapes::kRfc2253 || code_point < 0x80)) {
      escape_bytes(text.substr(0, length));
    } else if (IsControl(code_point)) {
      AppendEscape(out, "\\u%04X", code_point);
    } else {
      out.append(text.substr(0, length));
    }
    text.remove_prefix(length);
  }
  return out;
}

}  // namespace

std::string Printable(std::string_view text) {
  return Escaped(text, Escapes::kC);
}

std::string PrintableDistinguishedName(std::string_view name) {
  return Escaped(name, Escapes::kRfc2253);
}

}  // namespace brantel::inspect
