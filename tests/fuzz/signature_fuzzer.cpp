// libFuzzer entry for the reading of a component's Authenticode signature: the certificate table,
// the DER walk of SpcIndirectDataContent, the Authenticode digest's ranges and OpenSSL's checks.
// Any input must give one of the three states, with no fact that its state cannot have.
#include <cstddef>
#include <cstdint>

#include "signature.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using brantel::inspect::SignatureFacts;
  const SignatureFacts facts = brantel::inspect::DescribeSignature({data, size});
  const bool signed_ = facts.state == SignatureFacts::State::kSigned;
  if (!signed_ && (facts.digestMatches || facts.signatureVerifies || !facts.signer.empty() ||
                   !facts.digestAlgorithm.empty())) {
    __builtin_trap();
  }
  if ((facts.state == SignatureFacts::State::kUnreadable) == facts.problem.empty()) {
    __builtin_trap();
  }
  if (signed_ && facts.digestAlgorithm.empty()) __builtin_trap();
  if (SignatureText(facts).empty() || SignedDigestText(facts).empty()) __builtin_trap();
  return 0;
}
