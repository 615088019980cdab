#include "pe/pe_certificates.h"

#include "pe/pe_image.h"
#include "pe/pe_reader.h"

namespace brantel::pe {
namespace {

using detail::Fail;

constexpr std::uint64_t kEntryHeaderSize = 8;  // dwLength, wRevision, wCertificateType

std::uint64_t Align8(std::uint64_t n) {
  return (n + 7) & ~std::uint64_t{7};
}

// The certificate table: a file offset, not an RVA, outside the headers and every section, of
// 8-byte aligned WIN_CERTIFICATE entries.
CertificateTable ReadTable(std::span<const std::uint8_t> bytes) {
  const detail::Image image(bytes);
  const detail::DirectoryEntry directory = image.Directory(kCertificateDirectoryIndex);
  CertificateTable table;
  if (directory.size == 0) return table;
  table.present = true;
  table.offset = directory.address;
  table.size = directory.size;

  const std::uint64_t begin = directory.address;
  const std::uint64_t end = begin + directory.size;
  if (begin % 8 != 0) Fail(ErrorKind::kCertificateTableMisaligned);
  const detail::BoundedReader entries =
      detail::BoundedReader(bytes)
          .At(begin, ErrorKind::kCertificateTablePastEnd)
          .Sub(directory.size, ErrorKind::kCertificateTablePastEnd);
  const auto overlaps = [&](std::uint64_t from, std::uint64_t length) {
    return length != 0 && begin < from + length && from < end;
  };
  if (overlaps(0, image.size_of_headers())) Fail(ErrorKind::kCertificateTableOverlaps);
  for (const detail::Section& section : image.sections()) {
    if (overlaps(section.file_offset, section.raw_size)) Fail(ErrorKind::kCertificateTableOverlaps);
  }

  constexpr ErrorKind kPast = ErrorKind::kCertificatePastTable;
  for (std::uint64_t at = 0; at < directory.size; at = Align8(at + table.entries.back().length)) {
    detail::BoundedReader entry = entries.At(at, kPast);
    const std::uint32_t length = entry.U32(kPast);
    if (length < kEntryHeaderSize) Fail(ErrorKind::kCertificateTooShort);
    detail::BoundedReader rest = entry.Sub(length - 4, kPast);  // the entry after its length
    const std::uint16_t revision = rest.U16(kPast);
    const std::uint16_t type = rest.U16(kPast);
    table.entries.push_back({.offset = begin + at,
                             .length = length,
                             .revision = revision,
                             .type = type,
                             .data = rest.Bytes(rest.remaining(), kPast)});
  }
  return table;
}

}  // namespace

CertificateParse ParseCertificates(std::span<const std::uint8_t> image) {
  return detail::Capture<CertificateParse>(
      [&](CertificateParse& outcome) { outcome.table = ReadTable(image); });
}

}  // namespace brantel::pe
