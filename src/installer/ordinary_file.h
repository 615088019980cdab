#pragma once

#include <cstdint>

namespace brantel {

// File attribute bits as the file system reports them.
namespace file_attribute {
inline constexpr std::uint32_t kReadOnly = 0x01;
inline constexpr std::uint32_t kHidden = 0x02;
inline constexpr std::uint32_t kSystem = 0x04;
inline constexpr std::uint32_t kVolumeLabel = 0x08;
inline constexpr std::uint32_t kDirectory = 0x10;
inline constexpr std::uint32_t kArchive = 0x20;
}  // namespace file_attribute

// Whether a directory entry counts as an ordinary file for the existence test: read-only and
// archive files do; hidden files, system files, directories and volume labels do not.
constexpr bool IsOrdinaryFile(std::uint32_t attributes) {
  using namespace file_attribute;
  return (attributes & (kHidden | kSystem | kVolumeLabel | kDirectory)) == 0;
}

}  // namespace brantel
