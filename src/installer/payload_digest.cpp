#include "installer/payload_digest.h"

#include <algorithm>

#include "common/ascii.h"
#include "common/error.h"

namespace brantel {

std::span<const std::uint8_t> VerifiedPayloadStore::ReadPayload(std::string_view name,
                                                                std::string_view type) const {
  const std::span<const std::uint8_t> entry = store_.ReadPayload(name, type);
  // Names match without regard to letter case, as the store's own lookup does.
  const auto recorded = std::ranges::find_if(digests_, [name](const PayloadDigest& digest) {
    return AsciiEqualIgnoringCase(digest.name, name);
  });
  if (recorded == digests_.end() || hasher_.Hash(entry) != recorded->sha256) {
    throw Error(error_code::kInvalidData, "payload digest");
  }
  return entry;
}

}  // namespace brantel
