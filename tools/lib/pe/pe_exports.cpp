#include "pe/pe_exports.h"

#include <algorithm>

#include "pe/pe_image.h"
#include "pe/pe_reader.h"

namespace brantel::pe {
namespace {

constexpr std::uint32_t kExportDirectoryIndex = 0;
constexpr std::uint64_t kExportTableSize = 40;
constexpr std::uint64_t kNameCountOffset = 24;

// Whether the export name table lists `name`, compared byte for byte. Reads each name only as far
// as `name` and its terminating zero, so the work is bounded by the number of names, which the
// section that holds their table bounds in turn.
bool ExportsName(std::span<const std::uint8_t> bytes, std::string_view name) {
  const detail::Image image(bytes);
  const detail::DirectoryEntry directory = image.Directory(kExportDirectoryIndex);
  if (directory.address == 0) return false;
  detail::BoundedReader table(image.Map(directory.address, kExportTableSize,
                                        ErrorKind::kExportTableOutsideSections,
                                        ErrorKind::kExportTablePastEnd));
  table.Seek(kNameCountOffset, ErrorKind::kExportTablePastEnd);
  const std::uint64_t count = table.U32(ErrorKind::kExportTablePastEnd);
  if (count == 0) return false;
  table.Skip(4, ErrorKind::kExportTablePastEnd);  // the address table's RVA
  const std::uint32_t names_rva = table.U32(ErrorKind::kExportTablePastEnd);
  detail::BoundedReader names(image.Map(names_rva, count * 4, ErrorKind::kExportNamesPastEnd,
                                        ErrorKind::kExportNamesPastEnd));
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint32_t rva = names.U32(ErrorKind::kExportNamesPastEnd);
    const detail::Location text = image.Locate(rva, 1, ErrorKind::kExportNameOutsideSections,
                                               ErrorKind::kExportNameOutsideSections);
    // The name's bytes up to one past `name`'s length, or to the section's end.
    const std::uint64_t length =
        std::min<std::uint64_t>(text.section->extent - text.within, name.size() + 1);
    const std::span<const std::uint8_t> stored = image.Bytes(text, length);
    if (length == name.size() + 1 && stored[name.size()] == 0 &&
        std::equal(name.begin(), name.end(), stored.begin())) {
      return true;
    }
  }
  return false;
}

}  // namespace

ExportLookup FindExport(std::span<const std::uint8_t> image, std::string_view name) {
  return detail::Capture<ExportLookup>(
      [&](ExportLookup& outcome) { outcome.found = ExportsName(image, name); });
}

}  // namespace brantel::pe
