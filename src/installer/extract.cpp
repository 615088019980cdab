#include "installer/extract.h"

namespace brantel {

void ExtractFile(const PayloadStore& store, FileWriter& writer, std::string_view name,
                 std::string_view type, std::string_view path) {
  const std::span<const std::uint8_t> entry = store.ReadPayload(name, type);
  writer.WriteWholeFile(path, entry);
}

}  // namespace brantel
