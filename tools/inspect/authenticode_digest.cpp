#include "authenticode_digest.h"

#include <memory>

#include "pe/pe_reader.h"

namespace brantel::inspect {
namespace {

enum class Missing { kHeader };
using Reader = pe::detail::BoundedReader<Missing>;

constexpr std::uint64_t kLfanewOffset = 0x3C;
constexpr std::uint64_t kOptionalHeaderOffset = 24;  // past "PE\0\0" and the file header
constexpr std::uint64_t kChecksumOffset = 64;        // in the optional header, PE32 and PE32+
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint64_t kPe32Directories = 96;
constexpr std::uint64_t kPe32PlusDirectories = 112;
constexpr std::uint32_t kCertificateDirectoryIndex = 4;
constexpr std::uint64_t kDirectoryEntrySize = 8;

// The three gaps, in file order: the checksum, the certificate directory entry, the table.
struct Gaps {
  std::uint64_t checksum;
  std::uint64_t directory;
  std::uint64_t table;
  std::uint64_t tableSize;
};

Gaps Locate(std::span<const std::uint8_t> image, const pe::CertificateTable& table) {
  const Reader file(image);
  const std::uint64_t optional = file.U32(kLfanewOffset, Missing::kHeader) + kOptionalHeaderOffset;
  const bool plus = file.U16(optional, Missing::kHeader) == kPe32PlusMagic;
  const std::uint64_t directories = optional + (plus ? kPe32PlusDirectories : kPe32Directories);
  const std::uint32_t count = file.U32(directories - 4, Missing::kHeader);
  const std::uint64_t entry = directories + kCertificateDirectoryIndex * kDirectoryEntrySize;
  if (count <= kCertificateDirectoryIndex || !file.Fits(entry, kDirectoryEntrySize)) {
    pe::detail::Fail(Missing::kHeader);
  }
  const std::uint64_t end = table.present ? table.offset : image.size();
  if (end < entry + kDirectoryEntrySize || !file.Fits(end, table.present ? table.size : 0)) {
    pe::detail::Fail(Missing::kHeader);
  }
  return {optional + kChecksumOffset, entry, end, table.present ? table.size : 0};
}

}  // namespace

std::optional<std::vector<std::uint8_t>> AuthenticodeDigest(std::span<const std::uint8_t> image,
                                                            const pe::CertificateTable& table,
                                                            const EVP_MD* md) {
  Gaps gaps{};
  try {
    gaps = Locate(image, table);
  } catch (const pe::detail::ReadFailure<Missing>&) {
    return std::nullopt;
  }
  const std::uint64_t after_table = gaps.table + gaps.tableSize;
  const std::pair<std::uint64_t, std::uint64_t> ranges[] = {
      {0, gaps.checksum},
      {gaps.checksum + 4, gaps.directory},
      {gaps.directory + kDirectoryEntrySize, gaps.table},
      {after_table, image.size()}};
  const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                        EVP_MD_CTX_free);
  if (!context || EVP_DigestInit_ex(context.get(), md, nullptr) != 1) return std::nullopt;
  for (const auto& [from, to] : ranges) {
    if (EVP_DigestUpdate(context.get(), image.data() + from, to - from) != 1) return std::nullopt;
  }
  std::vector<std::uint8_t> digest(EVP_MAX_MD_SIZE);
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(context.get(), digest.data(), &length) != 1) return std::nullopt;
  digest.resize(length);
  return digest;
}

}  // namespace brantel::inspect
