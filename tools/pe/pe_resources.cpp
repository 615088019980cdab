#include "pe/pe_resources.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "common/ascii.h"
#include "common/error.h"
#include "pe/pe_reader.h"

namespace brantel::pe {
namespace {

using Reader = detail::BoundedReader<ResourceError>;
using Failure = detail::ReadFailure<ResourceError>;
using detail::Fail;

constexpr std::uint64_t kDosHeaderSize = 64;
constexpr std::uint64_t kLfanewOffset = 0x3C;
constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr std::uint64_t kFileHeaderSize = 20;
constexpr std::uint64_t kSectionHeaderSize = 40;
constexpr std::uint64_t kSizeOfHeadersOffset = 60;  // in the optional header, PE32 and PE32+
constexpr std::uint32_t kExportDirectoryIndex = 0;
constexpr std::uint64_t kExportTableSize = 40;
constexpr std::uint32_t kResourceDirectoryIndex = 2;
constexpr std::uint32_t kCertificateDirectoryIndex = 4;
constexpr std::uint64_t kCertificateHeaderSize = 8;  // dwLength, wRevision, wCertificateType
constexpr std::uint64_t kDirectoryHeaderSize = 16;
constexpr std::uint64_t kEntrySize = 8;
constexpr std::uint64_t kDataEntrySize = 16;
constexpr std::uint32_t kHighBit = 0x80000000u;
// Type, name and language: the only shape the loader understands.
constexpr int kLanguageDepth = 2;

struct Section {
  std::uint64_t address;
  std::uint64_t extent;  // bytes that the file actually supplies
  std::uint64_t file_offset;
  std::uint64_t raw_size;  // bytes the section takes up in the file, padding included
};

std::vector<Section> ReadSections(const Reader& file, std::uint64_t table, std::uint64_t count) {
  if (table > file.size() || count > (file.size() - table) / kSectionHeaderSize) {
    Fail(ResourceError::kTruncatedSectionTable);
  }
  std::vector<Section> sections;
  sections.reserve(static_cast<std::size_t>(count));
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint64_t header = table + i * kSectionHeaderSize;
    constexpr ResourceError kErr = ResourceError::kTruncatedSectionTable;
    const std::uint32_t virtual_size = file.U32(header + 8, kErr);
    const std::uint32_t raw_size = file.U32(header + 16, kErr);
    // Bytes past the virtual size are padding the loader never maps; a zero virtual size is
    // what some linkers write when they mean "the raw size".
    const std::uint32_t extent =
        virtual_size != 0 && virtual_size < raw_size ? virtual_size : raw_size;
    sections.push_back(
        {file.U32(header + 12, kErr), extent, file.U32(header + 20, kErr), raw_size});
  }
  return sections;
}

struct Location {
  const Section* section;
  std::uint64_t within;  // offset of the RVA inside the section
};

// Finds the section that supplies [rva, rva + size). An empty range may sit at a section's end.
Location Locate(const std::vector<Section>& sections, std::uint64_t rva, std::uint64_t size,
                ResourceError if_outside, ResourceError if_past_end) {
  const Section* found = nullptr;
  for (const Section& s : sections) {
    if (rva >= s.address && rva - s.address < s.extent) {
      found = &s;
      break;
    }
  }
  if (found == nullptr && size == 0) {
    for (const Section& s : sections) {
      if (rva >= s.address && rva - s.address == s.extent) {
        found = &s;
        break;
      }
    }
  }
  if (found == nullptr) Fail(if_outside);
  const std::uint64_t within = rva - found->address;
  if (size > found->extent - within) Fail(if_past_end);
  return {found, within};
}

std::span<const std::uint8_t> MapRva(const Reader& file, const std::vector<Section>& sections,
                                     std::uint64_t rva, std::uint64_t size) {
  const Location at =
      Locate(sections, rva, size, ResourceError::kDataOutsideSections, ResourceError::kDataPastEnd);
  return file.Bytes(at.section->file_offset + at.within, size, ResourceError::kSectionPastEnd);
}

void AppendUtf8(std::string& out, std::uint32_t code_point) {
  if (code_point < 0x80) {
    out.push_back(static_cast<char>(code_point));
  } else if (code_point < 0x800) {
    out.push_back(static_cast<char>(0xC0 | code_point >> 6));
    out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  } else if (code_point < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | code_point >> 12));
    out.push_back(static_cast<char>(0x80 | (code_point >> 6 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | code_point >> 18));
    out.push_back(static_cast<char>(0x80 | (code_point >> 12 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code_point >> 6 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  }
}

constexpr std::uint32_t kReplacement = 0xFFFD;

// Walks the directory tree below the resource section's root. Every offset in the tree is
// relative to the root, so `tree_` covers the root up to the end of its section.
class TreeWalker {
 public:
  TreeWalker(const Reader& file, const std::vector<Section>& sections,
             std::span<const std::uint8_t> tree)
      : file_(file),
        sections_(sections),
        tree_(tree),
        // Entries of a sound tree never share bytes, so the section bounds how many there are;
        // the texts the leaves carry are bounded in proportion, whatever the tree reuses.
        entry_budget_(tree.size() / kEntrySize),
        text_budget_(4 * tree.size() + 4096) {}

  ResourceTree Walk() {
    Directory(0, 0);
    return std::move(leaves_);
  }

 private:
  void Directory(std::uint64_t offset, int depth) {
    if (!visited_.insert(offset).second) Fail(ResourceError::kDirectoryLoop);
    constexpr ResourceError kErr = ResourceError::kDirectoryPastEnd;
    if (!tree_.Fits(offset, kDirectoryHeaderSize)) Fail(kErr);
    const std::uint64_t count =
        std::uint64_t{tree_.U16(offset + 12, kErr)} + tree_.U16(offset + 14, kErr);
    if (count > entry_budget_) Fail(ResourceError::kAbsurdEntryCount);
    entry_budget_ -= count;
    const std::uint64_t entries = offset + kDirectoryHeaderSize;
    if (!tree_.Fits(entries, count * kEntrySize)) Fail(ResourceError::kEntryPastEnd);

    for (std::uint64_t i = 0; i < count; ++i) {
      const std::uint64_t entry = entries + i * kEntrySize;
      const std::uint32_t name_field = tree_.U32(entry, ResourceError::kEntryPastEnd);
      const std::uint32_t target = tree_.U32(entry + 4, ResourceError::kEntryPastEnd);
      path_[depth] = (name_field & kHighBit) != 0 ? ResourceKey(Name(name_field & ~kHighBit))
                                                  : ResourceKey(name_field);
      if ((target & kHighBit) != 0) {
        if (depth == kLanguageDepth) Fail(ResourceError::kTreeTooDeep);
        Directory(target & ~kHighBit, depth + 1);
      } else {
        if (depth != kLanguageDepth) Fail(ResourceError::kDataEntryAboveLanguage);
        Leaf(target);
      }
    }
  }

  std::string Name(std::uint64_t offset) {
    constexpr ResourceError kErr = ResourceError::kNamePastEnd;
    const std::uint64_t length = tree_.U16(offset, kErr);
    const std::span<const std::uint8_t> units = tree_.Bytes(offset + 2, length * 2, kErr);
    Charge(units.size());
    std::string text;
    for (std::size_t i = 0; i < units.size(); i += 2) {
      const std::uint32_t unit = units[i] | static_cast<std::uint32_t>(units[i + 1]) << 8;
      if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < units.size()) {
        const std::uint32_t low = units[i + 2] | static_cast<std::uint32_t>(units[i + 3]) << 8;
        if (low >= 0xDC00 && low < 0xE000) {
          AppendUtf8(text, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
          i += 2;
          continue;
        }
      }
      AppendUtf8(text, unit >= 0xD800 && unit < 0xE000 ? kReplacement : unit);
    }
    return text;
  }

  void Leaf(std::uint64_t offset) {
    constexpr ResourceError kErr = ResourceError::kDataEntryPastEnd;
    if (!tree_.Fits(offset, kDataEntrySize)) Fail(kErr);
    const std::uint32_t rva = tree_.U32(offset, kErr);
    const std::uint32_t size = tree_.U32(offset + 4, kErr);
    ResourceLeaf leaf{.type = path_[0],
                      .name = path_[1],
                      .language = path_[2],
                      .codePage = tree_.U32(offset + 8, kErr),
                      .reserved = tree_.U32(offset + 12, kErr),
                      .rva = rva,
                      .size = size,
                      .data = MapRva(file_, sections_, rva, size)};
    Charge(leaf.type.text.size() + leaf.name.text.size() + leaf.language.text.size());
    leaves_.push_back(std::move(leaf));
  }

  void Charge(std::uint64_t text_bytes) {
    if (text_bytes > text_budget_) Fail(ResourceError::kTreeLargerThanSection);
    text_budget_ -= text_bytes;
  }

  const Reader& file_;
  const std::vector<Section>& sections_;
  Reader tree_;
  std::uint64_t entry_budget_;
  std::uint64_t text_budget_;
  std::unordered_set<std::uint64_t> visited_;
  ResourceKey path_[kLanguageDepth + 1] = {0u, 0u, 0u};
  ResourceTree leaves_;
};

// What the headers say that the parsers need.
struct Headers {
  std::span<const std::uint8_t> optional;  // the optional header
  std::uint64_t directories;               // offset of the data directories inside it
  std::uint32_t directory_count;
  std::uint64_t size_of_headers;
  std::vector<Section> sections;
};

Headers ReadHeaders(const Reader& file) {
  if (!file.Fits(0, kDosHeaderSize)) Fail(ResourceError::kTruncatedDosHeader);
  if (file.U16(0, ResourceError::kTruncatedDosHeader) != 0x5A4D) {  // "MZ"
    Fail(ResourceError::kBadDosSignature);
  }
  const std::uint64_t pe = file.U32(kLfanewOffset, ResourceError::kTruncatedDosHeader);
  if (file.U32(pe, ResourceError::kBadPeOffset) != kPeSignature) {
    Fail(ResourceError::kBadPeSignature);
  }

  const std::uint64_t file_header = pe + 4;
  constexpr ResourceError kFileErr = ResourceError::kTruncatedFileHeader;
  if (!file.Fits(file_header, kFileHeaderSize)) Fail(kFileErr);
  const std::uint16_t section_count = file.U16(file_header + 2, kFileErr);
  const std::uint16_t optional_size = file.U16(file_header + 16, kFileErr);

  const std::uint64_t optional_offset = file_header + kFileHeaderSize;
  constexpr ResourceError kOptErr = ResourceError::kTruncatedOptionalHeader;
  Headers headers;
  headers.optional = file.Bytes(optional_offset, optional_size, kOptErr);
  const Reader optional(headers.optional);
  const std::uint16_t magic = optional.U16(0, kOptErr);
  if (magic == 0x10B) {  // PE32
    headers.directories = 96;
  } else if (magic == 0x20B) {  // PE32+
    headers.directories = 112;
  } else {
    Fail(ResourceError::kBadOptionalHeaderMagic);
  }
  headers.directory_count = optional.U32(headers.directories - 4, kOptErr);
  headers.size_of_headers = optional.U32(kSizeOfHeadersOffset, kOptErr);
  headers.sections = ReadSections(file, optional_offset + optional_size, section_count);
  return headers;
}

// The two fields of data directory `index`, or zeros when the header has fewer directories.
struct DirectoryEntry {
  std::uint32_t address;
  std::uint32_t size;
};

DirectoryEntry ReadDirectory(const Headers& headers, std::uint32_t index) {
  if (headers.directory_count <= index) return {0, 0};
  const Reader optional(headers.optional);
  const std::uint64_t entry = headers.directories + std::uint64_t{index} * 8;
  constexpr ResourceError kOptErr = ResourceError::kTruncatedOptionalHeader;
  return {optional.U32(entry, kOptErr), optional.U32(entry + 4, kOptErr)};
}

ResourceTree Parse(std::span<const std::uint8_t> image) {
  const Reader file(image);
  const Headers headers = ReadHeaders(file);
  const std::uint32_t root_rva = ReadDirectory(headers, kResourceDirectoryIndex).address;
  if (root_rva == 0) return {};

  // Offsets in the tree are relative to the root and may reach the end of the root's section.
  const Location root =
      Locate(headers.sections, root_rva, 0, ResourceError::kResourceRvaOutsideSections,
             ResourceError::kResourceRvaOutsideSections);
  const std::span<const std::uint8_t> tree =
      file.Bytes(root.section->file_offset + root.within, root.section->extent - root.within,
                 ResourceError::kSectionPastEnd);
  return TreeWalker(file, headers.sections, tree).Walk();
}

std::uint64_t Align8(std::uint64_t n) {
  return (n + 7) & ~std::uint64_t{7};
}

// The certificate table: a file offset, not an RVA, outside the headers and every section, of
// 8-byte aligned WIN_CERTIFICATE entries.
CertificateTable ParseTable(std::span<const std::uint8_t> image) {
  const Reader file(image);
  const Headers headers = ReadHeaders(file);
  const DirectoryEntry directory = ReadDirectory(headers, kCertificateDirectoryIndex);
  CertificateTable table;
  if (directory.size == 0) return table;
  table.present = true;
  table.offset = directory.address;
  table.size = directory.size;

  const std::uint64_t begin = directory.address;
  const std::uint64_t end = begin + directory.size;
  if (begin % 8 != 0) Fail(ResourceError::kCertificateTableMisaligned);
  if (!file.Fits(begin, directory.size)) Fail(ResourceError::kCertificateTablePastEnd);
  const auto overlaps = [&](std::uint64_t from, std::uint64_t length) {
    return length != 0 && begin < from + length && from < end;
  };
  if (overlaps(0, headers.size_of_headers)) Fail(ResourceError::kCertificateTableOverlaps);
  for (const Section& section : headers.sections) {
    if (overlaps(section.file_offset, section.raw_size)) {
      Fail(ResourceError::kCertificateTableOverlaps);
    }
  }

  const Reader entries(file.Bytes(begin, directory.size, ResourceError::kCertificateTablePastEnd));
  constexpr ResourceError kPast = ResourceError::kCertificateEntryPastTable;
  for (std::uint64_t at = 0; at < directory.size; at = Align8(at + table.entries.back().length)) {
    const std::uint32_t length = entries.U32(at, kPast);
    if (length < kCertificateHeaderSize) Fail(ResourceError::kCertificateEntryTooShort);
    if (!entries.Fits(at, length)) Fail(kPast);
    table.entries.push_back({.offset = begin + at,
                             .length = length,
                             .revision = entries.U16(at + 4, kPast),
                             .type = entries.U16(at + 6, kPast),
                             .data = entries.Bytes(at + kCertificateHeaderSize,
                                                   length - kCertificateHeaderSize, kPast)});
  }
  return table;
}

// Whether the export name table lists `name`, compared byte for byte. Reads each name only as far
// as `name` and its terminating zero, so the work is bounded by the number of names, which the
// section that holds their table bounds in turn.
bool ExportsName(std::span<const std::uint8_t> image, std::string_view name) {
  const Reader file(image);
  const Headers headers = ReadHeaders(file);
  const DirectoryEntry directory = ReadDirectory(headers, kExportDirectoryIndex);
  if (directory.address == 0) return false;
  const Location at =
      Locate(headers.sections, directory.address, kExportTableSize,
             ResourceError::kExportTableOutsideSections, ResourceError::kExportTablePastEnd);
  const Reader table(file.Bytes(at.section->file_offset + at.within, kExportTableSize,
                                ResourceError::kSectionPastEnd));
  const std::uint64_t count = table.U32(24, ResourceError::kExportTablePastEnd);
  if (count == 0) return false;
  const std::uint32_t names_rva = table.U32(32, ResourceError::kExportTablePastEnd);
  const Location names_at =
      Locate(headers.sections, names_rva, count * 4, ResourceError::kExportNamesPastEnd,
             ResourceError::kExportNamesPastEnd);
  const Reader names(file.Bytes(names_at.section->file_offset + names_at.within, count * 4,
                                ResourceError::kSectionPastEnd));
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint32_t rva = names.U32(i * 4, ResourceError::kExportNamesPastEnd);
    const Location text =
        Locate(headers.sections, rva, 1, ResourceError::kExportNameOutsideSections,
               ResourceError::kExportNameOutsideSections);
    // The name's bytes up to one past `name`'s length, or to the section's end.
    const std::uint64_t length =
        std::min<std::uint64_t>(text.section->extent - text.within, name.size() + 1);
    const std::span<const std::uint8_t> bytes =
        file.Bytes(text.section->file_offset + text.within, length, ResourceError::kSectionPastEnd);
    if (length == name.size() + 1 && bytes[name.size()] == 0 &&
        std::equal(name.begin(), name.end(), bytes.begin())) {
      return true;
    }
  }
  return false;
}

}  // namespace

// What each error says, for reports and messages.
constexpr std::pair<ResourceError, const char*> kDescriptions[] = {
    {ResourceError::kNone, "no error"},
    {ResourceError::kTruncatedDosHeader, "PE image: truncated DOS header"},
    {ResourceError::kBadDosSignature, "PE image: no MZ signature"},
    {ResourceError::kBadPeOffset, "PE image: e_lfanew points past the end"},
    {ResourceError::kBadPeSignature, "PE image: no PE signature at e_lfanew"},
    {ResourceError::kTruncatedFileHeader, "PE image: truncated file header"},
    {ResourceError::kTruncatedOptionalHeader, "PE image: truncated optional header"},
    {ResourceError::kBadOptionalHeaderMagic, "PE image: optional header is neither PE32 nor PE32+"},
    {ResourceError::kTruncatedSectionTable, "PE image: truncated section table"},
    {ResourceError::kResourceRvaOutsideSections, "PE resources: root RVA outside every section"},
    {ResourceError::kSectionPastEnd, "PE image: section data past the end of the file"},
    {ResourceError::kDirectoryPastEnd, "PE resources: directory past the end of its section"},
    {ResourceError::kAbsurdEntryCount, "PE resources: more entries than the section can hold"},
    {ResourceError::kEntryPastEnd, "PE resources: directory entries past the end of the section"},
    {ResourceError::kDirectoryLoop, "PE resources: directory reached twice"},
    {ResourceError::kTreeLargerThanSection,
     "PE resources: names repeated beyond what the section can hold"},
    {ResourceError::kTreeTooDeep, "PE resources: directory below the language level"},
    {ResourceError::kDataEntryAboveLanguage, "PE resources: data entry above the language level"},
    {ResourceError::kNamePastEnd, "PE resources: name string past the end of the section"},
    {ResourceError::kDataEntryPastEnd, "PE resources: data entry past the end of the section"},
    {ResourceError::kDataOutsideSections, "PE resources: data RVA outside every section"},
    {ResourceError::kDataPastEnd, "PE resources: data past the end of its section"},
    {ResourceError::kCertificateTableMisaligned,
     "PE certificate table: offset not a multiple of 8"},
    {ResourceError::kCertificateTablePastEnd,
     "PE certificate table: runs past the end of the file"},
    {ResourceError::kCertificateTableOverlaps,
     "PE certificate table: overlaps the headers or a section"},
    {ResourceError::kCertificateEntryTooShort,
     "PE certificate table: entry shorter than its 8-byte header"},
    {ResourceError::kCertificateEntryPastTable,
     "PE certificate table: entry runs past the end of the table"},
    {ResourceError::kExportTableOutsideSections,
     "PE exports: export directory outside every section"},
    {ResourceError::kExportTablePastEnd,
     "PE exports: export directory past the end of its section"},
    {ResourceError::kExportNamesPastEnd, "PE exports: name table outside its section"},
    {ResourceError::kExportNameOutsideSections, "PE exports: name outside every section"},
};

const char* Describe(ResourceError error) {
  return detail::TextOf(kDescriptions, error, "PE resources: unknown error");
}

ResourceParse ParseResources(std::span<const std::uint8_t> image) {
  return detail::Capture<ResourceParse, ResourceError>([&] { return Parse(image); });
}

ExportLookup FindExport(std::span<const std::uint8_t> image, std::string_view name) {
  return detail::Capture<ExportLookup, ResourceError>([&] { return ExportsName(image, name); });
}

CertificateParse ParseCertificates(std::span<const std::uint8_t> image) {
  return detail::Capture<CertificateParse, ResourceError>([&] { return ParseTable(image); });
}

ResourceTree ReadResourceTree(std::span<const std::uint8_t> image) {
  ResourceParse parsed = ParseResources(image);
  if (parsed.error != ResourceError::kNone) {
    throw Error(error_code::kBadFormat, Describe(parsed.error));
  }
  return std::move(parsed.tree);
}

bool KeyMatches(const ResourceKey& key, const ResourceKey& query) {
  if (key.isText != query.isText) return false;
  return key.isText ? AsciiEqualIgnoringCase(key.text, query.text) : key.id == query.id;
}

std::optional<std::span<const std::uint8_t>> FindResource(const ResourceTree& tree,
                                                          const ResourceKey& type,
                                                          const ResourceKey& name) {
  for (const ResourceLeaf& leaf : tree) {
    if (KeyMatches(leaf.type, type) && KeyMatches(leaf.name, name)) return leaf.data;
  }
  return std::nullopt;
}

bool HasResourceType(const ResourceTree& tree, const ResourceKey& type) {
  for (const ResourceLeaf& leaf : tree) {
    if (KeyMatches(leaf.type, type)) return true;
  }
  return false;
}

}  // namespace brantel::pe
