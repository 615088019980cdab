#include "component_check.h"

#include <cstdio>
#include <filesystem>
#include <optional>

#include "file_bytes.h"
#include "pe/pe_exports.h"
#include "pe/pe_image.h"
#include "pe/pe_reader.h"
#include "printable.h"

namespace brantel::inspect {
namespace {

using pe::ErrorKind;

constexpr std::uint16_t kMachineI386 = 0x14C;
constexpr std::uint16_t kFileDll = 0x2000;  // IMAGE_FILE_DLL
constexpr char kNotWindows[] = "not a Windows program file";

std::string EndsAt(std::uint64_t size, const std::string& where) {
  return "ends at byte " + std::to_string(size) + ", " + where;
}

// Headers that the reader cannot take, said as a publisher would want to hear it.
std::string HeaderRefusal(ErrorKind error, std::uint64_t size) {
  switch (error) {
    case ErrorKind::kTruncatedDosHeader:
      return EndsAt(size, "inside its DOS header");
    case ErrorKind::kBadPeOffset:
    case ErrorKind::kBadPeSignature:
      return std::string(kNotWindows) + " (an MS-DOS header with no PE header where it points)";
    case ErrorKind::kTruncatedFileHeader:
    case ErrorKind::kTruncatedOptionalHeader:
    case ErrorKind::kTruncatedSectionTable:
      return EndsAt(size, "inside its headers");
    case ErrorKind::kBadOptionalHeaderMagic:
      return std::string(kNotWindows) + " (its optional header is neither PE32 nor PE32+)";
    case ErrorKind::kSectionsOutOfOrder:
      return "its sections overlap or are out of order, which Windows does not load";
    default:
      return pe::Describe(error);
  }
}

// The first section, in file order, whose data the file does not hold whole.
std::string Truncation(const pe::detail::Image& image) {
  const std::uint64_t size = image.bytes().size();
  if (image.size_of_headers() > size) return EndsAt(size, "inside its headers");
  const pe::detail::Section* cut = nullptr;
  for (const pe::detail::Section& section : image.sections()) {
    const bool whole =
        section.file_offset <= size && section.raw_size <= size - section.file_offset;
    if (section.raw_size != 0 && !whole && (!cut || section.file_offset < cut->file_offset)) {
      cut = &section;
    }
  }
  if (!cut) return "";
  const std::string name = Printable(cut->name);
  return EndsAt(size, (cut->file_offset < size ? "inside section " : "before section ") + name);
}

}  // namespace

std::vector<std::string> RefusalsOf(std::span<const std::uint8_t> file, Registration registration) {
  if (file.empty()) return {"an empty file, " + std::string(kNotWindows)};
  if (file.size() < 2 || file[0] != 'M' || file[1] != 'Z') {
    return {std::string(kNotWindows) + " (it does not start with MZ)"};
  }
  std::optional<pe::detail::Image> image;
  try {
    image.emplace(file);
  } catch (const pe::detail::ReadFailure& failure) {
    return {HeaderRefusal(failure.error, file.size())};
  }
  std::vector<std::string> refusals;
  if (image->pe32_plus()) {
    refusals.emplace_back("a 64-bit image; this setup installs 32-bit components");
  } else if (image->machine() != kMachineI386) {
    char machine[8];
    std::snprintf(machine, sizeof machine, "0x%04X", image->machine());
    refusals.push_back(std::string("made for another processor (machine ") + machine +
                       "); this setup installs 32-bit x86 components");
  }
  if ((image->characteristics() & kFileDll) == 0) {
    refusals.emplace_back("a program, not a library (DLL)");
  }
  const std::string truncation = Truncation(*image);
  if (!truncation.empty()) {
    refusals.push_back(truncation);
  } else if (refusals.empty() && registration == Registration::kSelfRegistering) {
    // Looked up only in a whole 32-bit library: regsvr32 would not even load any other file, and
    // what it is already says why it is refused.
    const pe::ExportLookup lookup = pe::FindExport(file, "DllRegisterServer");
    if (lookup.error != pe::ErrorKind::kNone) {
      refusals.push_back(std::string("its export table cannot be read (") +
                         pe::Describe(lookup.error) + "), so regsvr32 cannot register it");
    } else if (!lookup.found) {
      refusals.emplace_back("exports no DllRegisterServer, so regsvr32 cannot register it");
    }
  }
  return refusals;
}

std::vector<std::string> RefusedComponents(const ComponentFolder& folder) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < folder.paths.size(); ++i) {
    if (folder.paths[i].empty()) continue;
    const std::string& path = folder.paths[i];
    const std::string name = Printable(std::filesystem::path(path).filename().string());
    for (const std::string& reason : RefusalsOf(ReadFileBytes(path), kComponentRegistrations[i])) {
      lines.push_back(name + ": " + reason);
    }
  }
  return lines;
}

}  // namespace brantel::inspect
