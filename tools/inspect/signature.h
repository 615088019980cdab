#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace brantel::inspect {

// What a component's Authenticode signature shows without a network: who signed it, whether what
// was signed is still the file, and whether the signature itself holds. Whether the signer can be
// trusted needs the chain up to a root and revocation data, so it is never claimed.
struct SignatureFacts {
  enum class State { kUnsigned, kUnreadable, kSigned };
  State state = State::kUnsigned;
  std::string problem;          // why the signature is unreadable
  std::string signer;           // the signing certificate's subject, as RFC 2253 writes it
  std::string digestAlgorithm;  // the one the signature names, as OpenSSL calls it ("SHA256")
  // The digest in SpcIndirectDataContent equals the file's Authenticode digest.
  bool digestMatches = false;
  // The signer's certificate verifies the PKCS#7 signature over its signed attributes, and those
  // attributes carry the digest of the SpcIndirectDataContent.
  bool signatureVerifies = false;
};

// Reads the first Authenticode entry of the image's certificate table with OpenSSL. A file that is
// not a PE image, or has no certificate table, is unsigned; anything malformed is unreadable, with
// the reason.
SignatureFacts DescribeSignature(std::span<const std::uint8_t> image);

// The texts that the list and the document both give: "none", "signed, chain not checked",
// "signature does not verify: ..." or "unreadable signature: ...".
std::string SignatureText(const SignatureFacts& signature);
// "matches (SHA256)", "does not match (SHA256)", or "-" without a readable signature.
std::string SignedDigestText(const SignatureFacts& signature);
// Signed, with a digest that matches the file: what a build that requires signed components takes.
bool SignedAndIntact(const SignatureFacts& signature);

}  // namespace brantel::inspect
