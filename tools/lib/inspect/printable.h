#pragma once

#include <string>
#include <string_view>

namespace brantel::inspect {

// Text from a file as it may reach a terminal or a list: control characters (C0, DEL and C1),
// the controls that reorder text, bytes that are not UTF-8 and the backslash are written as
// \xNN or \uNNNN escapes, so no file can move the cursor, recolour the screen or break a line.
std::string Printable(std::string_view text);

// A distinguished name as RFC 2253 writes it, where a backslash already begins an escape: its
// backslashes stay as they are, and what Printable escapes is written as RFC 2253 escapes any
// byte, \XX for each byte (so U+009B is \C2\9B), which keeps the name RFC 2253.
std::string PrintableDistinguishedName(std::string_view name);

}  // namespace brantel::inspect
