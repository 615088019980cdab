#include "authenticode_digest.h"

#include <memory>

#include "pe/pe_image.h"

namespace brantel::inspect {
namespace {

constexpr std::uint64_t kDirectoryEntrySize = 8;

// The three gaps, in file order: the checksum, the certificate directory entry, the table.
struct Gaps {
  std::uint64_t checksum;
  std::uint64_t directory;
  std::uint64_t table;
  std::uint64_t tableSize;
};

std::optional<Gaps> Locate(std::span<const std::uint8_t> image, const pe::CertificateTable& table) {
  try {
    const pe::detail::Image headers(image);
    const std::optional<std::uint64_t> entry =
        headers.DirectoryEntryOffset(pe::kCertificateDirectoryIndex);
    const std::uint64_t end = table.present ? table.offset : image.size();
    const std::uint64_t size = table.present ? table.size : 0;
    if (!entry || end < *entry + kDirectoryEntrySize || end > image.size() ||
        size > image.size() - end) {
      return std::nullopt;
    }
    return Gaps{headers.ChecksumOffset(), *entry, end, size};
  } catch (const pe::detail::ReadFailure&) {
    return std::nullopt;
  }
}

}  // namespace

std::optional<std::vector<std::uint8_t>> AuthenticodeDigest(std::span<const std::uint8_t> image,
                                                            const pe::CertificateTable& table,
                                                            const EVP_MD* md) {
  const std::optional<Gaps> located = Locate(image, table);
  if (!located) return std::nullopt;
  const Gaps& gaps = *located;
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
