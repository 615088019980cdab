#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "pe/pe_error.h"

namespace brantel::pe {

// The data directory that locates the certificate table.
inline constexpr std::uint32_t kCertificateDirectoryIndex = 4;

// One WIN_CERTIFICATE of the certificate table. `data` (bCertificate: for Authenticode a PKCS#7
// SignedData) views the image that was parsed.
struct CertificateEntry {
  std::uint64_t offset = 0;  // in the file
  std::uint32_t length = 0;  // dwLength: header and data, without the padding that follows
  std::uint16_t revision = 0;
  std::uint16_t type = 0;
  std::span<const std::uint8_t> data;
};

// The certificate table of data directory 4, where signatures live. Its address is a file offset,
// not an RVA, and it lies outside the headers and every section.
struct CertificateTable {
  bool present = false;  // the directory gives a size
  std::uint32_t offset = 0;
  std::uint32_t size = 0;
  std::vector<CertificateEntry> entries;
};

struct CertificateParse {
  ErrorKind error = ErrorKind::kNone;
  CertificateTable table;  // empty unless `error` is kNone
};

// Reads the certificate table of a PE32 or PE32+ image; the signatures' cryptography is left to
// others. Never reads outside `image`.
CertificateParse ParseCertificates(std::span<const std::uint8_t> image);

}  // namespace brantel::pe
