#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brantel::inspect {

// The whole content of a file, or nothing when it cannot be read.
std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::string& path);

// Replaces the file at `path` with `bytes`; false when it cannot be written completely.
bool WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace brantel::inspect
