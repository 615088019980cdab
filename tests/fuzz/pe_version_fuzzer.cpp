// libFuzzer entry for the version resource reader, fed version blocks directly: any input must
// either parse or fail with an error, and a failure carries no information.
#include <cstddef>
#include <cstdint>

#include "pe/pe_version.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const brantel::pe::VersionParse parsed = brantel::pe::ParseVersionInfo({data, size});
  const brantel::pe::VersionInfo& info = parsed.info;
  if (parsed.error != brantel::pe::VersionError::kNone) {
    if (info.file_version || info.product_name || info.file_version_text ||
        info.ole_self_register) {
      __builtin_trap();
    }
    return 0;
  }
  // Every text came from the input: at most three bytes of UTF-8 for each two bytes read.
  const std::size_t bound = size / 2 * 3;
  if ((info.product_name && info.product_name->size() > bound) ||
      (info.file_version_text && info.file_version_text->size() > bound)) {
    __builtin_trap();
  }
  return 0;
}
