#pragma once

#include "common/unique_handle_win.h"
#include "installer/payload_digest.h"

namespace brantel {

// SHA-256 from the system's own cryptography (CNG in bcrypt.dll), loaded by its full path in the
// system folder when first needed.
class Win32Sha256 : public Sha256Hasher {
 public:
  Sha256Digest Hash(std::span<const std::uint8_t> bytes) const override;

 private:
  mutable UniqueModule bcrypt_;
};

}  // namespace brantel
