#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "pe/pe_error.h"

namespace brantel::pe {

struct ExportLookup {
  ErrorKind error = ErrorKind::kNone;
  bool found = false;  // false unless `error` is kNone
};

// Whether the image's export name table lists `name` (byte for byte), as a self-registering
// component lists DllRegisterServer. Never reads outside `image`.
ExportLookup FindExport(std::span<const std::uint8_t> image, std::string_view name);

}  // namespace brantel::pe
