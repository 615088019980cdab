// libFuzzer entry for the PE readers: the resource tree, the version resources it holds, the
// certificate table and the export name lookup. Any input must either parse or fail with an error,
// and every span they hand out must lie inside the input.
#include <cstddef>
#include <cstdint>

#include "pe/pe_certificates.h"
#include "pe/pe_exports.h"
#include "pe/pe_resources.h"
#include "pe/pe_version.h"

namespace {

// Reads every byte, so the sanitizer sees any span that escapes the input.
void Touch(std::span<const std::uint8_t> bytes, const std::uint8_t* data, std::size_t size) {
  if (!bytes.empty() && (bytes.data() < data || bytes.data() > data + size ||
                         bytes.size() > size - (bytes.data() - data))) {
    __builtin_trap();
  }
  volatile std::uint8_t sink = 0;
  for (const std::uint8_t byte : bytes) sink = sink ^ byte;
}

void Certificates(const std::uint8_t* data, std::size_t size) {
  const brantel::pe::CertificateParse parsed = brantel::pe::ParseCertificates({data, size});
  if (parsed.error != brantel::pe::ErrorKind::kNone) {
    if (parsed.table.present || !parsed.table.entries.empty()) __builtin_trap();
    return;
  }
  std::uint64_t covered = 0;
  for (const brantel::pe::CertificateEntry& entry : parsed.table.entries) {
    if (entry.length < 8 || entry.data.size() != entry.length - 8) __builtin_trap();
    Touch(entry.data, data, size);
    covered += entry.length;
  }
  if (covered > parsed.table.size) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using brantel::pe::ResourceLeaf;
  const brantel::pe::ResourceParse parsed = brantel::pe::ParseResources({data, size});
  if (parsed.error == brantel::pe::ErrorKind::kNone) {
    for (const ResourceLeaf& leaf : parsed.tree) {
      if (leaf.data.size() != leaf.size) __builtin_trap();
      Touch(leaf.data, data, size);
      if (brantel::pe::KeyMatches(leaf.type, 16u)) {
        static_cast<void>(brantel::pe::ParseVersionInfo(leaf.data));
      }
      static_cast<void>(brantel::pe::FindResource(parsed.tree, leaf.type, leaf.name));
    }
    static_cast<void>(brantel::pe::FindResource(parsed.tree, "Custom", "vbame.dll"));
  } else if (!parsed.tree.empty()) {
    __builtin_trap();
  }
  Certificates(data, size);
  const brantel::pe::ExportLookup exports =
      brantel::pe::FindExport({data, size}, "DllRegisterServer");
  if (exports.error != brantel::pe::ErrorKind::kNone && exports.found) __builtin_trap();
  return 0;
}
