#include "pe/pe_payload_store.h"

#include <utility>

#include "common/error.h"

namespace brantel {

// Moving a vector keeps its buffer, so the tree read from `owned_` stays valid.
PeImagePayloadStore::PeImagePayloadStore(std::vector<std::uint8_t> image)
    : owned_(std::move(image)), tree_(pe::ReadResourceTree(owned_)) {}

PeImagePayloadStore::PeImagePayloadStore(std::span<const std::uint8_t> image)
    : tree_(pe::ReadResourceTree(image)) {}

std::span<const std::uint8_t> PeImagePayloadStore::ReadPayload(std::string_view name,
                                                               std::string_view type) const {
  if (const auto entry = pe::FindResource(tree_, type, name)) return *entry;
  if (!pe::HasResourceType(tree_, type)) {
    throw Error(error_code::kResourceTypeNotFound, "ReadPayload: no resource of that type");
  }
  throw Error(error_code::kResourceNameNotFound, "ReadPayload: no resource of that name");
}

}  // namespace brantel
