// libFuzzer entry for the PE resource reader: any input must either parse or fail with an
// error, and every span it hands out must lie inside the input.
#include <cstddef>
#include <cstdint>

#include "pe/pe_resources.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using brantel::pe::ResourceLeaf;
  const brantel::pe::ResourceParse parsed = brantel::pe::ParseResources({data, size});
  if (parsed.error == brantel::pe::ResourceError::kNone) {
    for (const ResourceLeaf& leaf : parsed.tree) {
      if (leaf.data.size() != leaf.size) __builtin_trap();
      if (!leaf.data.empty() && (leaf.data.data() < data || leaf.data.data() > data + size ||
                                 leaf.data.size() > size - (leaf.data.data() - data))) {
        __builtin_trap();
      }
      // Reads every byte, so the sanitizer sees any span that escapes the input.
      volatile std::uint8_t sink = 0;
      for (const std::uint8_t byte : leaf.data) sink = sink ^ byte;
      static_cast<void>(brantel::pe::FindResource(parsed.tree, leaf.type, leaf.name));
    }
    static_cast<void>(brantel::pe::FindResource(parsed.tree, "Custom", "vbame.dll"));
  } else if (!parsed.tree.empty()) {
    __builtin_trap();
  }
  return 0;
}
