#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace brantel::inspect {

// What one Authenticode signature of a component shows without a network: who signed it, whether
// what was signed is still the file, and whether the signature itself holds. Whether the signer
// can be trusted needs the chain up to a root and revocation data, so it is never claimed.
struct SignatureFacts {
  enum class State { kUnreadable, kSigned };
  State state = State::kUnreadable;
  std::string problem;          // why the signature is unreadable
  std::string signer;           // the signing certificate's subject, as RFC 2253 writes it
  std::string digestAlgorithm;  // the one the signature names, as OpenSSL calls it ("SHA256")
  // The digest in SpcIndirectDataContent equals the file's Authenticode digest.
  bool digestMatches = false;
  // The signer's certificate verifies the PKCS#7 signature over its signed attributes, and those
  // attributes carry the digest of the SpcIndirectDataContent.
  bool signatureVerifies = false;
};

// A file is read for at most this many signatures, and signatures nested in nested signatures
// at most this deep (1: the certificate table's own), so that no file can make the reading
// endless; what lies beyond is reported as an unreadable signature.
inline constexpr std::size_t kMaxSignatures = 16;
inline constexpr int kMaxSignatureDepth = 3;

// Reads every Authenticode signature of the image with OpenSSL: each entry of its certificate
// table in order, each followed by the signatures nested in its unauthenticated attributes
// (szOID_NESTED_SIGNATURE, as signtool /as and osslsigncode -nest add them), depth first. A file
// that is not a PE image, or has no certificate table, has none; anything malformed is an
// unreadable signature, with the reason.
std::vector<SignatureFacts> DescribeSignatures(std::span<const std::uint8_t> image);

// The texts that the list and the document both give of one signature: "signed, chain not
// checked", "signature does not verify: ..." or "unreadable signature: ...", and of a file
// without any, kNoSignature.
inline constexpr char kNoSignature[] = "none";
std::string SignatureText(const SignatureFacts& signature);
// "matches (SHA256)", "does not match (SHA256)", or "-" for an unreadable signature.
std::string SignedDigestText(const SignatureFacts& signature);
// Signed, with a digest that matches the file.
bool SignedAndIntact(const SignatureFacts& signature);
// What a build that requires signed components takes: at least one signature signed and intact.
bool AnySignedAndIntact(const std::vector<SignatureFacts>& signatures);

}  // namespace brantel::inspect
