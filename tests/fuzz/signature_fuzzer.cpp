// libFuzzer entry for the reading of a component's Authenticode signatures: the certificate table,
// the signatures nested in others, the DER walk of SpcIndirectDataContent, the Authenticode
// digest's ranges and OpenSSL's checks. Any input must give signatures in one of the two states,
// with no fact that its state cannot have, and no more of them than the reading is bounded to.
#include <cstddef>
#include <cstdint>

#include "signature.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using brantel::inspect::SignatureFacts;
  const auto signatures = brantel::inspect::DescribeSignatures({data, size});
  if (signatures.size() > brantel::inspect::kMaxSignatures + 1) __builtin_trap();
  for (const SignatureFacts& facts : signatures) {
    const bool signed_ = facts.state == SignatureFacts::State::kSigned;
    if (!signed_ && (facts.digestMatches || facts.signatureVerifies || !facts.signer.empty() ||
                     !facts.digestAlgorithm.empty())) {
      __builtin_trap();
    }
    if (signed_ != facts.problem.empty()) __builtin_trap();
    if (signed_ && facts.digestAlgorithm.empty()) __builtin_trap();
    if (SignatureText(facts).empty() || SignedDigestText(facts).empty()) __builtin_trap();
  }
  return 0;
}
