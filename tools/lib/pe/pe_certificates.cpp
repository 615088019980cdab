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

  const detail::BoundedReader file(bytes);
  const std::uint64_t begin = directory.address;
  const std::uint64_t end = begin + directory.size;
  if (begin % 8 != 0) Fail(ErrorKind::kCertificateTableMisaligned);
  if (!file.Fits(begin, directory.size)) Fail(ErrorKind::kCertificateTablePastEnd);
  const auto overlaps = [&](std::uint64_t from, std::uint64_t length) {
    return length != 0 && begin < from + length && from < end;
  };
  if (overlaps(0, image.size_of_headers())) Fail(ErrorKind::kCertificateTableOverlaps);
  for (const detail::Section& section : image.sections()) {
    if (overlaps(section.file_offset, section.raw_size)) Fail(ErrorKind::kCertificateTableOverlaps);
  }

  const detail::BoundedReader entries(
      file.Bytes(begin, directory.size, ErrorKind::kCertificateTablePastEnd));
  constexpr ErrorKind kPast = ErrorKind::kCertificatePastTable;
  for (std::uint64_t at = 0; at < directory.size; at = Align8(at + table.entries.back().length)) {
    const std::uint32_t length = entries.U32(at, kPast);
    if (length < kEntryHeaderSize) Fail(ErrorKind::kCertificateTooShort);
    if (!entries.Fits(at, length)) Fail(kPast);
    table.entries.push_back(
        {.offset = begin + at,
         .length = length,
         .revision = entries.U16(at + 4, kPast),
         .type = entries.U16(at + 6, kPast),
         .data = entries.Bytes(at + kEntryHeaderSize, length - kEntryHeaderSize, kPast)});
  }
  return table;
}

}  // namespace

CertificateParse ParseCertificates(std::span<const std::uint8_t> image) {
  return detail::Capture<CertificateParse>(
      [&](CertificateParse& outcome) { outcome.table = ReadTable(image); });
}

}  // namespace brantel::pe
