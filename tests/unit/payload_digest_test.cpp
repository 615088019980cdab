#include <gtest/gtest.h>

#include "common/error.h"
#include "fake_system.h"
#include "installer/payload_digest.h"

namespace brantel {
namespace {

// Not SHA-256: the store only compares digests, so any function that tells the entries apart
// will do here. The real one is the system's.
class SumHasher : public Sha256Hasher {
 public:
  Sha256Digest Hash(std::span<const std::uint8_t> bytes) const override {
    Sha256Digest digest{};
    for (std::size_t i = 0; i < bytes.size(); ++i) digest[i % digest.size()] ^= bytes[i];
    digest[0] = static_cast<std::uint8_t>(bytes.size());
    return digest;
  }
};

TEST(VerifiedPayloadStore, HandsOutOnlyEntriesWithTheRecordedDigest) {
  testing::FakeStore packed;
  const SumHasher hasher;
  std::vector<PayloadDigest> digests;
  for (const auto& [name, bytes] : packed.entries) digests.push_back({name, hasher.Hash(bytes)});
  const VerifiedPayloadStore store(packed, digests, hasher);

  EXPECT_EQ(store.ReadPayload("msinet.ocx", "Custom").size(),
            packed.entries.at("MSINET.OCX").size());

  packed.entries.at("MSINET.OCX")[40] ^= 1;  // one byte damaged
  try {
    store.ReadPayload("MSINET.OCX", "Custom");
    FAIL() << "a damaged entry was handed out";
  } catch (const Error& error) {
    EXPECT_EQ(error.code(), error_code::kInvalidData);
  }

  digests.pop_back();  // an entry the build recorded no digest for
  const VerifiedPayloadStore unrecorded(packed, digests, hasher);
  EXPECT_THROW(unrecorded.ReadPayload("VBAME.DLL", "Custom"), Error);
}

TEST(DigestFromHex, ReadsTheDigitsAsTheBuildWritesThem) {
  constexpr Sha256Digest digest =
      DigestFromHex("00ff10Ab00000000000000000000000000000000000000000000000000000001");
  EXPECT_EQ(digest[1], 0xff);
  EXPECT_EQ(digest[3], 0xab);
  EXPECT_EQ(digest[31], 0x01);
}

}  // namespace
}  // namespace brantel
