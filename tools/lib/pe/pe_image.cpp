#include "pe/pe_image.h"

#include <algorithm>
#include <utility>

namespace brantel::pe::detail {
namespace {

constexpr std::uint64_t kDosHeaderSize = 64;
constexpr std::uint64_t kLfanewOffset = 0x3C;
constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr std::uint64_t kFileHeaderSize = 20;
constexpr std::uint64_t kOptionalSizeOffset = 16;  // in the file header
constexpr std::uint64_t kSectionHeaderSize = 40;
constexpr std::uint64_t kSectionNameSize = 8;
constexpr std::uint64_t kSizeOfHeadersOffset = 60;  // in the optional header, PE32 and PE32+

// Reads `count` section headers from where `file` stands.
std::vector<Section> ReadSections(BoundedReader file, std::uint64_t count) {
  constexpr ErrorKind kErr = ErrorKind::kTruncatedSectionTable;
  if (count > file.remaining() / kSectionHeaderSize) Fail(kErr);
  std::vector<Section> sections;
  sections.reserve(static_cast<std::size_t>(count));
  for (std::uint64_t i = 0; i < count; ++i) {
    BoundedReader header = file.Sub(kSectionHeaderSize, kErr);
    const std::span<const std::uint8_t> name = header.Bytes(kSectionNameSize, kErr);
    const std::uint32_t virtual_size = header.U32(kErr);
    const std::uint32_t address = header.U32(kErr);
    const std::uint32_t raw_size = header.U32(kErr);
    const std::uint32_t file_offset = header.U32(kErr);
    // Bytes past the virtual size are padding the loader never maps; a zero virtual size is
    // what some linkers write when they mean "the raw size".
    const std::uint32_t extent =
        virtual_size != 0 && virtual_size < raw_size ? virtual_size : raw_size;
    Section section{address, extent, file_offset, raw_size,
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
  BoundedReader dos = BoundedReader(bytes).Sub(kDosHeaderSize, ErrorKind::kTruncatedDosHeader);
  if (dos.U16(ErrorKind::kTruncatedDosHeader) != 0x5A4D) {  // "MZ"
    Fail(ErrorKind::kBadDosSignature);
  }
  dos.Seek(kLfanewOffset, ErrorKind::kTruncatedDosHeader);
  BoundedReader pe = file_.At(dos.U32(ErrorKind::kTruncatedDosHeader), ErrorKind::kBadPeOffset);
  if (pe.U32(ErrorKind::kBadPeOffset) != kPeSignature) Fail(ErrorKind::kBadPeSignature);

  constexpr ErrorKind kFileErr = ErrorKind::kTruncatedFileHeader;
  BoundedReader file_header = pe.Sub(kFileHeaderSize, kFileErr);
  machine_ = file_header.U16(kFileErr);
  const std::uint16_t section_count = file_header.U16(kFileErr);
  file_header.Skip(kOptionalSizeOffset - 4, kFileErr);  // the time stamp and symbol table
  const std::uint16_t optional_size = file_header.U16(kFileErr);
  characteristics_ = file_header.U16(kFileErr);

  optional_offset_ = pe.position();
  constexpr ErrorKind kOptErr = ErrorKind::kTruncatedOptionalHeader;
  optional_ = pe.Bytes(optional_size, kOptErr);
  BoundedReader optional(optional_);
  const std::uint16_t magic = optional.U16(kOptErr);
  if (magic == 0x10B) {  // PE32
    directories_ = 96;
  } else if (magic == 0x20B) {  // PE32+
    directories_ = 112;
    pe32_plus_ = true;
  } else {
    Fail(ErrorKind::kBadOptionalHeaderMagic);
  }
  directory_count_ = optional.At(directories_ - 4, kOptErr).U32(kOptErr);
  size_of_headers_ = optional.At(kSizeOfHeadersOffset, kOptErr).U32(kOptErr);
  // The checksum lies below the directories' count, which was read: it is inside the header.
  static_assert(kChecksumOffset + 4 <= 96 - 4);
  sections_ = ReadSections(pe, section_count);
}

std::optional<std::uint64_t> Image::DirectoryEntryOffset(std::uint32_t index) const {
  const std::uint64_t entry = directories_ + std::uint64_t{index} * 8;
  if (directory_count_ <= index || entry + 8 > optional_.size()) return std::nullopt;
  return optional_offset_ + entry;
}

DirectoryEntry Image::Directory(std::uint32_t index) const {
  if (directory_count_ <= index) return {0, 0};
  constexpr ErrorKind kOptErr = ErrorKind::kTruncatedOptionalHeader;
  BoundedReader entry =
      BoundedReader(optional_).At(directories_ + std::uint64_t{index} * 8, kOptErr);
  const std::uint32_t address = entry.U32(kOptErr);
  return {address, entry.U32(kOptErr)};
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
  return file_.At(at.section->file_offset + at.within, ErrorKind::kSectionPastEnd)
      .Bytes(size, ErrorKind::kSectionPastEnd);
}

}  // namespace brantel::pe::detail
