// The certificate table of data directory 4: a file offset, 8-byte aligned entries, outside the
// headers and every section. Each way of breaking it has its own error.
#include <gtest/gtest.h>

#include "image_builder.h"
#include "pe/pe_certificates.h"
#include "signature.h"

namespace brantel::pe {
namespace {

using testing::BuildImage;
using testing::Bytes;

constexpr std::size_t kSectionSize = 0x200;
constexpr std::size_t kTableOffset = testing::kSectionFileOffset + kSectionSize;  // 0x600

std::size_t DirectoryOffset(bool pe32_plus, std::uint32_t index) {
  return testing::kOptionalHeaderOffset + (pe32_plus ? 112 : 96) + 8 * index;
}

// An image whose section takes up 0x400..0x600, with SizeOfHeaders 0x400, and whose file ends
// with `table` at 0x600, which the certificate directory names.
Bytes SignedImage(const Bytes& table, bool pe32_plus = false) {
  Bytes image;
  image.data = BuildImage(std::vector<std::uint8_t>(kSectionSize, 0xCC), {.pe32_plus = pe32_plus});
  image.U32(testing::kOptionalHeaderOffset + 60, testing::kSectionFileOffset);
  image.data.insert(image.data.end(), table.data.begin(), table.data.end());
  image.U32(DirectoryOffset(pe32_plus, 4), kTableOffset);
  image.U32(DirectoryOffset(pe32_plus, 4) + 4, static_cast<std::uint32_t>(table.data.size()));
  return image;
}

// One WIN_CERTIFICATE at `offset` of `table`: its length covers the header and `data_size`
// bytes of 0xAB; the table grows to the next multiple of 8.
void Entry(Bytes& table, std::size_t offset, std::uint32_t data_size,
           std::uint16_t revision = 0x0200, std::uint16_t type = 2) {
  table.U32(offset, 8 + data_size);
  table.U16(offset + 4, revision);
  table.U16(offset + 6, type);
  table.Resize(offset + 8 + data_size);
  for (std::size_t i = 0; i < data_size; ++i) table.data[offset + 8 + i] = 0xAB;
  table.Resize((table.data.size() + 7) & ~std::size_t{7});
}

Bytes OneEntry() {
  Bytes table;
  Entry(table, 0, 24);
  return table;
}

ErrorKind ErrorOf(const Bytes& image) {
  return ParseCertificates(image.data).error;
}

TEST(PeCertificates, UnsignedImageHasNoTable) {
  const CertificateParse parsed = ParseCertificates(BuildImage(std::vector<std::uint8_t>(16)));
  ASSERT_EQ(parsed.error, ErrorKind::kNone);
  EXPECT_FALSE(parsed.table.present);
  EXPECT_TRUE(parsed.table.entries.empty());
}

TEST(PeCertificates, OneEntry) {
  for (const bool pe32_plus : {false, true}) {
    const Bytes image = SignedImage(OneEntry(), pe32_plus);
    const CertificateParse parsed = ParseCertificates(image.data);
    ASSERT_EQ(parsed.error, ErrorKind::kNone);
    EXPECT_TRUE(parsed.table.present);
    EXPECT_EQ(parsed.table.offset, kTableOffset);
    EXPECT_EQ(parsed.table.size, 32u);
    ASSERT_EQ(parsed.table.entries.size(), 1u);
    const CertificateEntry& entry = parsed.table.entries[0];
    EXPECT_EQ(entry.offset, kTableOffset);
    EXPECT_EQ(entry.length, 32u);
    EXPECT_EQ(entry.revision, 0x0200);
    EXPECT_EQ(entry.type, 2);
    ASSERT_EQ(entry.data.size(), 24u);
    EXPECT_EQ(entry.data.data(), image.data.data() + kTableOffset + 8);
  }
}

TEST(PeCertificates, EntriesStartOnMultiplesOfEight) {
  Bytes table;
  Entry(table, 0, 5, 0x0100, 1);  // 13 bytes, padded to 16
  Entry(table, 16, 8);
  const CertificateParse parsed = ParseCertificates(SignedImage(table).data);
  ASSERT_EQ(parsed.error, ErrorKind::kNone);
  ASSERT_EQ(parsed.table.entries.size(), 2u);
  EXPECT_EQ(parsed.table.entries[0].length, 13u);
  EXPECT_EQ(parsed.table.entries[0].type, 1);
  EXPECT_EQ(parsed.table.entries[1].offset, kTableOffset + 16);
  EXPECT_EQ(parsed.table.entries[1].length, 16u);
}

TEST(PeCertificates, Misaligned) {
  // Four bytes further on, still after the section and inside the file.
  Bytes image = SignedImage(OneEntry());
  image.Resize(image.data.size() + 4);
  image.U32(DirectoryOffset(false, 4), kTableOffset + 4);
  EXPECT_EQ(ErrorOf(image), ErrorKind::kCertificateTableMisaligned);
}

TEST(PeCertificates, PastTheEndOfTheFile) {
  Bytes image = SignedImage(OneEntry());
  image.U32(DirectoryOffset(false, 4) + 4, 40);
  EXPECT_EQ(ErrorOf(image), ErrorKind::kCertificateTablePastEnd);

  // An offset near 4 GiB: offset plus size would wrap in 32-bit arithmetic.
  image = SignedImage(OneEntry());
  image.U32(DirectoryOffset(false, 4), 0xFFFFFFF8);
  image.U32(DirectoryOffset(false, 4) + 4, 0x10);
  EXPECT_EQ(ErrorOf(image), ErrorKind::kCertificateTablePastEnd);
}

TEST(PeCertificates, OverlapsOtherData) {
  // Inside the section's bytes: an RVA-minded writer's mistake.
  Bytes image = SignedImage(OneEntry());
  image.U32(DirectoryOffset(false, 4), testing::kSectionFileOffset + 0x100);
  EXPECT_EQ(ErrorOf(image), ErrorKind::kCertificateTableOverlaps);

  // Reaching into the section from before it.
  image = SignedImage(OneEntry());
  image.U32(DirectoryOffset(false, 4), testing::kSectionFileOffset - 8);
  EXPECT_EQ(ErrorOf(image), ErrorKind::kCertificateTableOverlaps);

  // Inside the headers.
  image = SignedImage(OneEntry());
  image.U32(DirectoryOffset(false, 4), 0x100);
  EXPECT_EQ(ErrorOf(image), ErrorKind::kCertificateTableOverlaps);

  // Right after the section is where it belongs.
  EXPECT_EQ(ErrorOf(SignedImage(OneEntry())), ErrorKind::kNone);
}

TEST(PeCertificates, Entries) {
  Bytes table = OneEntry();
  table.U32(0, 4);  // shorter than its own header
  EXPECT_EQ(ErrorOf(SignedImage(table)), ErrorKind::kCertificateTooShort);

  table = OneEntry();
  table.U32(0, 33);  // one byte past the table
  EXPECT_EQ(ErrorOf(SignedImage(table)), ErrorKind::kCertificatePastTable);

  table = OneEntry();
  table.U32(0, 0xFFFFFFFF);
  EXPECT_EQ(ErrorOf(SignedImage(table)), ErrorKind::kCertificatePastTable);

  // A table of 4 bytes cannot hold an entry's header.
  table.data = {8, 0, 0, 0};
  EXPECT_EQ(ErrorOf(SignedImage(table)), ErrorKind::kCertificatePastTable);
}

TEST(PeCertificates, BrokenHeadersComeFirst) {
  Bytes image = SignedImage(OneEntry());
  image.data[0] = 'X';
  const CertificateParse parsed = ParseCertificates(image.data);
  EXPECT_EQ(parsed.error, ErrorKind::kBadDosSignature);
}

TEST(PeCertificates, FewerDirectoriesMeanNoTable) {
  Bytes image = SignedImage(OneEntry());
  image.U32(testing::kOptionalHeaderOffset + 92, 4);
  const CertificateParse parsed = ParseCertificates(image.data);
  ASSERT_EQ(parsed.error, ErrorKind::kNone);
  EXPECT_FALSE(parsed.table.present);
}

// What the bill of materials says of a component's signatures when the bytes are not sound
// Authenticode signatures: never "signed", and the reason where there is one.
TEST(ComponentSignature, MalformedSignaturesAreNamed) {
  using State = inspect::SignatureFacts::State;
  const auto described = [](const Bytes& image) { return inspect::DescribeSignatures(image.data); };
  EXPECT_TRUE(described(Bytes{BuildImage(std::vector<std::uint8_t>(16))}).empty());
  EXPECT_TRUE(inspect::DescribeSignatures(std::vector<std::uint8_t>{'n', 'o'}).empty());

  const auto garbage = described(SignedImage(OneEntry()));
  ASSERT_EQ(garbage.size(), 1u);
  EXPECT_EQ(garbage[0].state, State::kUnreadable);
  EXPECT_EQ(inspect::SignatureText(garbage[0]), "unreadable signature: not a PKCS#7 structure");
  EXPECT_EQ(inspect::SignedDigestText(garbage[0]), "-");
  EXPECT_FALSE(inspect::AnySignedAndIntact(garbage));

  // Every entry of the table is a signature of its own, up to the bound.
  Bytes table;
  Entry(table, 0, 24, 0x0200, 1);
  Entry(table, 32, 24);
  auto each = described(SignedImage(table));
  ASSERT_EQ(each.size(), 2u);
  EXPECT_EQ(each[0].problem, "a certificate table entry that is no Authenticode signature");
  EXPECT_EQ(each[1].problem, "not a PKCS#7 structure");
  for (std::size_t at = 64; at < 32 * (inspect::kMaxSignatures + 4); at += 32) Entry(table, at, 24);
  each = described(SignedImage(table));
  ASSERT_EQ(each.size(), inspect::kMaxSignatures + 1);
  EXPECT_EQ(each.back().problem, "more than 16 signatures; the rest are not read");

  Bytes misaligned = SignedImage(OneEntry());
  misaligned.U32(DirectoryOffset(false, 4), kTableOffset + 4);
  const auto unreadable_table = described(misaligned);
  ASSERT_EQ(unreadable_table.size(), 1u);
  EXPECT_EQ(
      inspect::SignatureText(unreadable_table[0]),
      std::string("unreadable signature: ") + Describe(ErrorKind::kCertificateTableMisaligned));
}

}  // namespace
}  // namespace brantel::pe
