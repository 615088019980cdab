#pragma once

#include <string>
#include <string_view>

namespace brantel::inspect {

// Text from a file as it may reach a terminal or a list: control characters (C0, DEL and C1),
// the controls that reorder text, bytes that are not UTF-8 and the backslash are written as
// \xNN or \uNNNN escapes, so no file can move the cursor, recolour the screen or break a line.
std::string Printable(std::string_view text);

}  // namespace brantel::inspect
