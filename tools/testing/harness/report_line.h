#pragma once

#include <string>
#include <string_view>

#include "common/utf8_win.h"

namespace brantel {

// A value for a report line of the test programs, in double quotes, with '"' and '\' escaped so
// that a POSIX shell word splitter (Python's shlex) reads it back unchanged. Line breaks would
// split the report line (a message box text may hold them): they become spaces.
inline std::string Quoted(std::string_view text) {
  std::string result = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') result += '\\';
    result += (c == '\r' || c == '\n') ? ' ' : c;
  }
  return result + "\"";
}

inline std::string Quoted(std::wstring_view text) {
  return Quoted(Narrow(text));
}

}  // namespace brantel
