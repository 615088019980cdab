#pragma once

#include <openssl/evp.h>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "pe/pe_certificates.h"

namespace brantel::inspect {

// The Authenticode digest of a PE image with `md`: every byte of the file except the checksum
// field, the certificate table's directory entry and the certificate table itself, which signing
// changes. `table` is the image's certificate table as ParseCertificates read it. Nothing when the
// headers that locate those fields are not in the image.
std::optional<std::vector<std::uint8_t>> AuthenticodeDigest(std::span<const std::uint8_t> image,
                                                            const pe::CertificateTable& table,
                                                            const EVP_MD* md);

}  // namespace brantel::inspect
