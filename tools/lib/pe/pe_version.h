#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "pe/pe_error.h"

namespace brantel::pe {

// What a component says about itself in its version resource.
struct VersionInfo {
  // dwFileVersionMS and dwFileVersionLS of VS_FIXEDFILEINFO, as four numbers.
  std::optional<std::array<std::uint16_t, 4>> fileVersion;
  // The "FileVersion", "ProductName", "ProductVersion" and "CompanyName" strings of the first
  // string table that has them, in UTF-8.
  std::optional<std::string> fileVersionText;
  std::optional<std::string> productName;
  std::optional<std::string> productVersionText;
  std::optional<std::string> companyName;
  // Some string table has the key "OLESelfRegister": the file says regsvr32 can register it.
  bool oleSelfRegister = false;
};

struct VersionParse {
  ErrorKind error = ErrorKind::kNone;
  VersionInfo info;  // empty unless `error` is kNone
};

// Reads the bytes of a version resource (resource type 16) as Windows lays them out: nested
// blocks of length, value length, type, a UTF-16 key and a value, each 32-bit aligned. Never
// reads outside `block`.
VersionParse ParseVersionInfo(std::span<const std::uint8_t> block);

}  // namespace brantel::pe
