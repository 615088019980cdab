#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "component_folder.h"
#include "installer/catalogue.h"

namespace brantel::inspect {

// Why `file` cannot be the component that the catalogue says registers itself as `registration`,
// in plain words, one reason a line; empty when it can. A component must be a whole 32-bit x86
// library: a PE32 image for the i386 machine, marked as a DLL, with its headers and every
// section's data inside the file; a self-registering one must export DllRegisterServer.
std::vector<std::string> RefusalsOf(std::span<const std::uint8_t> file, Registration registration);

// What keeps the folder's files from being packed: for each component that one file supplies,
// "NAME: reason" for each of its refusals, NAME being the file's own name.
std::vector<std::string> RefusedComponents(const ComponentFolder& folder);

}  // namespace brantel::inspect
