#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "installer/payload.h"
#include "pe/pe_resources.h"

namespace brantel {

// Answers ReadPayload from the resource section of a PE image in memory, as Windows' own
// resource lookup would: type and name without regard to letter case, any language. This is
// how code off Windows reads the payload of a built executable.
class PeImagePayloadStore : public PayloadStore {
 public:
  // Keeps its own copy of the image. Throws Error(kBadFormat) when the image is broken.
  explicit PeImagePayloadStore(std::vector<std::uint8_t> image);
  // Views the caller's bytes, which must outlive the store.
  explicit PeImagePayloadStore(std::span<const std::uint8_t> image);

  // The tree views the image, so a copy would view the original's bytes.
  PeImagePayloadStore(const PeImagePayloadStore&) = delete;
  PeImagePayloadStore& operator=(const PeImagePayloadStore&) = delete;

  // Throws Error(kResourceTypeNotFound) when no entry has that type, and
  // Error(kResourceNameNotFound) when the type has no entry of that name.
  std::span<const std::uint8_t> ReadPayload(std::string_view name,
                                            std::string_view type) const override;

 private:
  std::vector<std::uint8_t> owned_;
  pe::ResourceTree tree_;
};

}  // namespace brantel
