#pragma once

// The headers of a PE32 or PE32+ image, which every reader in this folder starts from: the data
// directories and the section table. A reader's outcome says either what it found broken in its
// own part or, as kBadImage, that the headers already were.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "pe/pe_reader.h"

namespace brantel::pe {

enum class ImageError {
  kNone,
  kTruncatedDosHeader,
  kBadDosSignature,
  kBadPeOffset,
  kBadPeSignature,
  kTruncatedFileHeader,
  kTruncatedOptionalHeader,
  kBadOptionalHeaderMagic,
  kTruncatedSectionTable,
  kSectionsOutOfOrder,
  kSectionPastEnd,
};

// A fixed text for each kind; it outlives every error that carries it.
const char* Describe(ImageError error);

// What a reader of an image reports besides its result. `Kind` is the reader's own error type;
// its kBadImage means that `image` says what was wrong with the headers.
template <typename Kind>
struct ImageOutcome {
  Kind error = Kind::kNone;
  ImageError image = ImageError::kNone;
};

template <typename Kind>
const char* Describe(const ImageOutcome<Kind>& outcome) {
  return outcome.error == Kind::kBadImage ? Describe(outcome.image) : Describe(outcome.error);
}

namespace detail {

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

// An image whose headers have been read; throws ReadFailure<ImageError> when they are broken.
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
  template <typename Kind>
  Location Locate(std::uint64_t rva, std::uint64_t size, Kind if_outside, Kind if_past_end) const {
    const std::optional<Location> at = Find(rva, size);
    if (!at) Fail(if_outside);
    if (size > at->section->extent - at->within) Fail(if_past_end);
    return *at;
  }

  // The file's bytes at a location; a section may claim more of the file than there is.
  std::span<const std::uint8_t> Bytes(const Location& at, std::uint64_t size) const;

  template <typename Kind>
  std::span<const std::uint8_t> Map(std::uint64_t rva, std::uint64_t size, Kind if_outside,
                                    Kind if_past_end) const {
    return Bytes(Locate(rva, size, if_outside, if_past_end), size);
  }

 private:
  std::optional<Location> Find(std::uint64_t rva, std::uint64_t size) const;

  std::span<const std::uint8_t> bytes_;
  BoundedReader<ImageError> file_;
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

// Runs a reader as `read(outcome)` and gives its outcome: the result it filled in, or the first
// error raised, of the image or of the reader's own kind, with the result left empty.
template <typename Outcome, typename Read>
Outcome CaptureImage(Read read) {
  using Kind = decltype(Outcome{}.error);
  Outcome outcome;
  try {
    read(outcome);
  } catch (const ReadFailure<ImageError>& failure) {
    outcome = Outcome{};
    outcome.error = Kind::kBadImage;
    outcome.image = failure.error;
  } catch (const ReadFailure<Kind>& failure) {
    outcome = Outcome{};
    outcome.error = failure.error;
  }
  return outcome;
}

}  // namespace detail
}  // namespace brantel::pe
