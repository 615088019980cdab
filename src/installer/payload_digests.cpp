#include "installer/payload_digests.h"

namespace brantel {
namespace {

// Written by the build's payload step from the same hashes as payload.rc.
constexpr PayloadDigest kPackedDigests[] = {
#define BRANTEL_PAYLOAD_DIGEST(name, sha256) {name, DigestFromHex(sha256)},
#include "payload_digests.inc"
#undef BRANTEL_PAYLOAD_DIGEST
};

}  // namespace

std::span<const PayloadDigest> PackedPayloadDigests() noexcept {
  return kPackedDigests;
}

}  // namespace brantel
