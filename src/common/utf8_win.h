#pragma once

#include <string>
#include <string_view>

namespace brantel {

// UTF-8, the program's own text, to and from the UTF-16 of Windows' calls.
std::wstring Widen(std::string_view text);
std::string Narrow(std::wstring_view text);

}  // namespace brantel
