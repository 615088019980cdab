#pragma once

// The headers of a PE32 or PE32+ image, which every reader in this folder starts from: the data
// directories and the section table. A reader's outcome names what it found broken in its own
// part or, with one of the headers' kinds, that the headers already were.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "pe/pe_error.h"
#include "pe/pe_reader.h"

namespace brantel::pe::detail {

struct Section {
  std::uint64_t address;
  std::uint64_t extent;  // bytes that the file actually supplies
  std::uint64_t file_offset;
  std::uint64_t raw_size;  // bytes the section takes up in the file, padding included
  std::string name;        // as the section table spells it, up to 8 bytes, raw
};

struct Location {
  const Section* section;
  std::uint64_t within;  // offset of the RVA inside the section
};

// The two fields of a data directory; zeros when the header has fewer directories.
struct DirectoryEntry {
  std::uint32_t address;
  std::uint32_t size;
};

// An image whose headers have been read; throws ReadFailure when they are broken.
// Sections must be in ascending order of address without overlapping, as the Windows loader
// requires, so that finding an address among them takes a binary search: a file with tens of
// thousands of sections and as many resources is read as quickly as a small one.
class Image {
 public:
  explicit Image(std::span<const std::uint8_t> bytes);

  std::span<const std::uint8_t> bytes() const { return bytes_; }
  std::uint16_t machine() const { return machine_; }
  std::uint16_t characteristics() const { return characteristics_; }
  bool pe32_plus() const { return pe32_plus_; }
  std::uint64_t size_of_headers() const { return size_of_headers_; }
  const std::vector<Section>& sections() const { return sections_; }
  DirectoryEntry Directory(std::uint32_t index) const;

  // File offsets of the header fields that signing changes, which the Authenticode digest leaves
  // out: the checksum, and data directory `index`'s entry (nothing when the header has none).
  std::uint64_t ChecksumOffset() const { return optional_offset_ + kChecksumOffset; }
  std::optional<std::uint64_t> DirectoryEntryOffset(std::uint32_t index) const;

  // The section that supplies [rva, rva + size); an empty range may sit at a section's end.
  Location Locate(std::uint64_t rva, std::uint64_t size, ErrorKind if_outside,
                  ErrorKind if_past_end) const;

  // The file's bytes at a location; a section may claim more of the file than there is.
  std::span<const std::uint8_t> Bytes(const Location& at, std::uint64_t size) const;

  std::span<const std::uint8_t> Map(std::uint64_t rva, std::uint64_t size, ErrorKind if_outside,
                                    ErrorKind if_past_end) const {
    return Bytes(Locate(rva, size, if_outside, if_past_end), size);
  }

 private:
  std::optional<Location> Find(std::uint64_t rva, std::uint64_t size) const;

  std::span<const std::uint8_t> bytes_;
  BoundedReader file_;
  static constexpr std::uint64_t kChecksumOffset = 64;  // in the optional header, PE32 and PE32+

  std::uint16_t machine_ = 0;
  std::uint16_t characteristics_ = 0;
  bool pe32_plus_ = false;
  std::uint64_t optional_offset_ = 0;
  std::span<const std::uint8_t> optional_;  // the optional header
  std::uint64_t directories_ = 0;           // offset of the data directories inside it
  std::uint32_t directory_count_ = 0;
  std::uint64_t size_of_headers_ = 0;
  std::vector<Section> sections_;
};

}  // namespace brantel::pe::detail
