#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "installer/payload.h"

namespace brantel {

// Writes whole files. After a successful call the file at `path` holds exactly `bytes`, whether
// it existed before or not; after a failed one no partly written file remains. A path whose
// folder does not exist fails without creating anything.
class FileWriter {
 public:
  virtual ~FileWriter() = default;
  virtual void WriteWholeFile(std::string_view path, std::span<const std::uint8_t> bytes) = 0;
};

// Writes the payload entry `name` of `type` to `path`, byte for byte. A missing entry fails
// before any file is touched.
void ExtractFile(const PayloadStore& store, FileWriter& writer, std::string_view name,
                 std::string_view type, std::string_view path);

}  // namespace brantel
