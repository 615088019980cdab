#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace brantel::pe::testing {

// Little-endian writes at fixed offsets, growing the buffer as needed. Malformed trees are
// written with it field by field, so each test shows exactly which field is wrong.
class Bytes {
 public:
  void U16(std::size_t offset, std::uint16_t value);
  void U32(std::size_t offset, std::uint32_t value);
  // A directory table header with its counts; the entries follow at offset + 16.
  void Directory(std::size_t offset, std::uint16_t named, std::uint16_t ids);
  void Entry(std::size_t offset, std::uint32_t name_field, std::uint32_t target);
  void DataEntry(std::size_t offset, std::uint32_t rva, std::uint32_t size,
                 std::uint32_t codePage = 1200);
  // A counted UTF-16LE string; `units` may hold anything, unpaired surrogates included.
  void Name(std::size_t offset, const std::u16string& units);
  void Resize(std::size_t size) { data.resize(size); }

  std::vector<std::uint8_t> data;
};

// Where the builder puts things, so tests can patch single header fields.
inline constexpr std::size_t kPeOffset = 0x40;
inline constexpr std::size_t kFileHeaderOffset = kPeOffset + 4;
inline constexpr std::size_t kOptionalHeaderOffset = kFileHeaderOffset + 20;
inline constexpr std::size_t kSectionFileOffset = 0x400;
inline constexpr std::uint32_t kSectionRva = 0x1000;

struct ImageOptions {
  bool pe32_plus = false;
  std::uint32_t resource_rva = kSectionRva;
  std::uint32_t directory_count = 16;
  // The section's VirtualSize; 0 means "the section's size".
  std::uint32_t virtual_size = 0;
  // Sections of no size listed before the resource section, as a file made to slow down every
  // lookup of an address among its sections would list them.
  std::uint16_t empty_sections_before = 0;
};

// A tree of one resource, written field by field so that a test can break any one of them:
// type 10, name 1, `language`, and `size` bytes of data, laid out as
//   0x00 root  0x18 names of type 10  0x30 languages of name 1  0x48 data entry  0x58 data
struct OneResource {
  enum : std::size_t {
    kRootEntry = 0x10,
    kTypeEntry = 0x28,
    kNameEntry = 0x40,
    kDataEntry = 0x48,
    kData = 0x58
  };
  static Bytes Tree(std::uint16_t language, std::uint32_t size);
};

std::size_t OptionalHeaderSize(bool pe32_plus);
std::size_t SectionTableOffset(bool pe32_plus);

// A complete image whose only section with bytes holds `section` at kSectionRva, from file
// offset kSectionFileOffset unless the empty sections need the room.
std::vector<std::uint8_t> BuildImage(const std::vector<std::uint8_t>& section,
                                     const ImageOptions& options = {});

// A well-formed resource tree, laid out as resource compilers do: directories, then data
// entries, then names, then the data, each block 8-byte aligned.
struct Resource {
  std::variant<std::uint16_t, std::u16string> type;
  std::variant<std::uint16_t, std::u16string> name;
  std::uint16_t language;
  std::vector<std::uint8_t> data;
};
std::vector<std::uint8_t> BuildResourceSection(std::vector<Resource> resources);

}  // namespace brantel::pe::testing
