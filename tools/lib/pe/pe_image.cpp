#include "pe/pe_image.h"

#include <algorithm>
#include <utility>

namespace brantel::pe::detail {
namespace {

constexpr std::uint64_t kDosHeaderSize = 64;
constexpr std::uint64_t kLfanewOffset = 0x3C;
constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr std::uint64_t kFileHeaderSize = 20;
constexpr std::uint64_t kSectionHeaderSize = 40;
constexpr std::uint64_t kSectionNameSize = 8;
constexpr std::uint64_t kSizeOfHeadersOffset = 60;  // in the optional header, PE32 and PE32+

std::vector<Section> ReadSections(const BoundedReader& file, std::uint64_t table,
                                  std::uint64_t count) {
  constexpr ErrorKind kErr = ErrorKind::kTruncatedSectionTable;
  if (table > file.size() || count > (file.size() - table) / kSectionHeaderSize) Fail(kErr);
  std::vector<Section> sections;
  sections.reserve(static_cast<std::size_t>(count));
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint64_t header = table + i * kSectionHeaderSize;
    const std::uint32_t virtual_size = file.U32(header + 8, kErr);
    const std::uint32_t raw_size = file.U32(header + 16, kErr);
    // Bytes past the virtual size are padding the loader never maps; a zero virtual size is
    // what some linkers write when they mean "the raw size".
    const std::uint32_t extent =
        virtual_size != 0 && virtual_size < raw_size ? virtual_size : raw_size;
    const std::span<const std::uint8_t> name = file.Bytes(header, kSectionNameSize, kErr);
    Section section{file.U32(header + 12, kErr), extent, file.U32(header + 20, kErr), raw_size,
                    std::string(name.begin(), std::ranges::find(name, 0))};
    if (!sections.empty() && section.address < sections.back().address + sections.back().extent) {
      Fail(ErrorKind::kSectionsOutOfOrder);
    }
    sections.push_back(std::move(section));
  }
  return sections;
}

}  // namespace

Image::Image(std::span<const std::uint8_t> bytes) : bytes_(bytes), file_(bytes) {
  if (!file_.Fits(0, kDosHeaderSize)) Fail(ErrorKind::kTruncatedDosHeader);
  if (file_.U16(0, ErrorKind::kTruncatedDosHeader) != 0x5A4D) {  // "MZ"
    Fail(ErrorKind::kBadDosSignature);
  }
  const std::uint64_t pe = file_.U32(kLfanewOffset, ErrorKind::kTruncatedDosHeader);
  if (file_.U32(pe, ErrorKind::kBadPeOffset) != kPeSignature) Fail(ErrorKind::kBadPeSignature);

  const std::uint64_t file_header = pe + 4;
  constexpr ErrorKind kFileErr = ErrorKind::kTruncatedFileHeader;
  if (!file_.Fits(file_header, kFileHeaderSize)) Fail(kFileErr);
  machine_ = file_.U16(file_header, kFileErr);
  const std::uint16_t section_count = file_.U16(file_header + 2, kFileErr);
  const std::uint16_t optional_size = file_.U16(file_header + 16, kFileErr);
  characteristics_ = file_.U16(file_header + 18, kFileErr);

  optional_offset_ = file_header + kFileHeaderSize;
  constexpr ErrorKind kOptErr = ErrorKind::kTruncatedOptionalHeader;
  optional_ = file_.Bytes(optional_offset_, optional_size, kOptErr);
  const BoundedReader optional(optional_);
  const std::uint16_t magic = optional.U16(0, kOptErr);
  if (magic == 0x10B) {  // PE32
    directories_ = 96;
  } else if (magic == 0x20B) {  // PE32+
    directories_ = 112;
    pe32_plus_ = true;
  } else {
    Fail(ErrorKind::kBadOptionalHeaderMagic);
  }
  directory_count_ = optional.U32(directories_ - 4, kOptErr);
  size_of_headers_ = optional.U32(kSizeOfHeadersOffset, kOptErr);
  // The checksum lies below the directories' count, which was read: it is inside the header.
  static_assert(kChecksumOffset + 4 <= 96 - 4);
  sections_ = ReadSections(file_, optional_offset_ + optional_size, section_count);
}

std::optional<std::uint64_t> Image::DirectoryEntryOffset(std::uint32_t index) const {
  const std::uint64_t entry = directories_ + std::uint64_t{index} * 8;
  if (directory_count_ <= index || entry + 8 > optional_.size()) return std::nullopt;
  return optional_offset_ + entry;
}

DirectoryEntry Image::Directory(std::uint32_t index) const {
  if (directory_count_ <= index) return {0, 0};
  const BoundedReader optional(optional_);
  const std::uint64_t entry = directories_ + std::uint64_t{index} * 8;
  constexpr ErrorKind kOptErr = ErrorKind::kTruncatedOptionalHeader;
  return {optional.U32(entry, kOptErr), optional.U32(entry + 4, kOptErr)};
}

// With the sections in order and apart, only the last one that starts at or below `rva` can hold
// it, and the first whose end is at or above it is the one an empty range may end.
std::optional<Location> Image::Find(std::uint64_t rva, std::uint64_t size) const {
  const auto after = std::upper_bound(
      sections_.begin(), sections_.end(), rva,
      [](std::uint64_t value, const Section& section) { return value < section.address; });
  if (after != sections_.begin()) {
    const Section& s = *(after - 1);
    if (rva - s.address < s.extent) return Location{&s, rva - s.address};
  }
  if (size != 0) return std::nullopt;
  const auto ending = std::lower_bound(sections_.begin(), sections_.end(), rva,
                                       [](const Section& section, std::uint64_t value) {
                                         return section.address + section.extent < value;
                                       });
  if (ending != sections_.end() && ending->address + ending->extent == rva) {
    return Location{&*ending, ending->extent};
  }
  return std::nullopt;
}

Location Image::Locate(std::uint64_t rva, std::uint64_t size, ErrorKind if_outside,
                       ErrorKind if_past_end) const {
  const std::optional<Location> at = Find(rva, size);
  if (!at) Fail(if_outside);
  if (size > at->section->extent - at->within) Fail(if_past_end);
  return *at;
}

std::span<const std::uint8_t> Image::Bytes(const Location& at, std::uint64_t size) const {
  return file_.Bytes(at.section->file_offset + at.within, size, ErrorKind::kSectionPastEnd);
}

}  // namespace brantel::pe::detail
