#pragma once

#include <string>
#include <vector>

#include "pe/pe_resources.h"

namespace brantel::inspect {

// A type or name as `list` and `check` print it: texts in double quotes, numbers bare.
std::string FormatKey(const pe::ResourceKey& key);

// What is wrong with an installer's resource section, one line per fault; empty when it holds
// exactly the catalogue's payload under the program's kPayloadType and kPayloadLanguage, and the
// program's own icon, version block and manifest. Names and types must match letter for letter:
// the loader would forgive letter case, but the build must not rely on that.
std::vector<std::string> CheckInstallerResources(const pe::ResourceTree& tree);

}  // namespace brantel::inspect
