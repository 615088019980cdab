#include "pe/pe_certificates.h"

#include <utility>

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

  const detail::BoundedReader<CertificateError> file(bytes);
  const std::uint64_t begin = directory.address;
  const std::uint64_t end = begin + directory.size;
  if (begin % 8 != 0) Fail(CertificateError::kTableMisaligned);
  if (!file.Fits(begin, directory.size)) Fail(CertificateError::kTablePastEnd);
  const auto overlaps = [&](std::uint64_t from, std::uint64_t length) {
    return length != 0 && begin < from + length && from < end;
  };
  if (overlaps(0, image.size_of_headers())) Fail(CertificateError::kTableOverlaps);
  for (const detail::Section& section : image.sections()) {
    if (overlaps(section.file_offset, section.raw_size)) Fail(CertificateError::kTableOverlaps);
  }

  const detail::BoundedReader<CertificateError> entries(
      file.Bytes(begin, directory.size, CertificateError::kTablePastEnd));
  constexpr CertificateError kPast = CertificateError::kEntryPastTable;
  for (std::uint64_t at = 0; at < directory.size; at = Align8(at + table.entries.back().length)) {
    const std::uint32_t length = entries.U32(at, kPast);
    if (length < kEntryHeaderSize) Fail(CertificateError::kEntryTooShort);
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

constexpr std::pair<CertificateError, const char*> kDescriptions[] = {
    {CertificateError::kNone, "no error"},
    {CertificateError::kBadImage, "PE image: broken headers"},
    {CertificateError::kTableMisaligned, "PE certificate table: offset not a multiple of 8"},
    {CertificateError::kTablePastEnd, "PE certificate table: runs past the end of the file"},
    {CertificateError::kTableOverlaps, "PE certificate table: overlaps the headers or a section"},
    {CertificateError::kEntryTooShort,
     "PE certificate table: entry shorter than its 8-byte header"},
    {CertificateError::kEntryPastTable,
     "PE certificate table: entry runs past the end of the table"},
};

const char* Describe(CertificateError error) {
  return detail::TextOf(kDescriptions, error, "PE certificate table: unknown error");
}

CertificateParse ParseCertificates(std::span<const std::uint8_t> image) {
  return detail::CaptureImage<CertificateParse>(
      [&](CertificateParse& outcome) { outcome.table = ReadTable(image); });
}

}  // namespace brantel::pe
