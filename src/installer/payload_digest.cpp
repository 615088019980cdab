#include "installer/payload_digest.h"

#include <algorithm>

#include "common/error.h"

namespace brantel {
namespace {

char FoldAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Payload names match without regard to letter case, as the store's own lookup does.
bool SameName(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) { return FoldAscii(x) == FoldAscii(y); });
}

}  // namespace

std::span<const std::uint8_t> VerifiedPayloadStore::ReadPayload(std::string_view name,
                                                                std::string_view type) const {
  const std::span<const std::uint8_t> entry = store_.ReadPayload(name, type);
  const auto recorded = std::ranges::find_if(
      digests_, [name](const PayloadDigest& digest) { return SameName(digest.name, name); });
  if (recorded == digests_.end()) throw Error(error_code::kInvalidData, "payload digest");
  if (hasher_.Hash(entry) != recorded->sha256) {
    throw Error(error_code::kInvalidData, "payload digest");
  }
  return entry;
}

}  // namespace brantel
