// libFuzzer entry for the version resource reader, fed version blocks directly: any input must
// either parse or fail with an error, and a failure carries no information.
#include <cstddef>
#include <cstdint>

#include "pe/pe_version.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const brantel::pe::VersionParse parsed = brantel::pe::ParseVersionInfo({data, size});
  const brantel::pe::VersionInfo& info = parsed.info;
  if (parsed.error != brantel::pe::ErrorKind::kNone) {
    if (info.fileVersion || info.productName || info.fileVersionText || info.oleSelfRegister) {
      __builtin_trap();
    }
    return 0;
  }
  // Every text came from the input: at most three bytes of UTF-8 for each two bytes read.
  const std::size_t bound = size / 2 * 3;
  if ((info.productName && info.productName->size() > bound) ||
      (info.fileVersionText && info.fileVersionText->size() > bound)) {
    __builtin_trap();
  }
  return 0;
}
