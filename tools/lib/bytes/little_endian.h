#pragma once

// Windows file and resource formats are little-endian throughout. Reads are bounded: a field that
// does not lie wholly within the bytes is no value, so a caller cannot read past their end.

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace brantel {

template <std::unsigned_integral Field>
std::optional<Field> ReadLittleEndian(std::span<const std::uint8_t> bytes, std::uint64_t offset) {
  if (offset > bytes.size() || bytes.size() - offset < sizeof(Field)) return std::nullopt;
  Field value = 0;
  for (std::size_t i = 0; i < sizeof(Field); ++i) {
    value = static_cast<Field>(value | static_cast<Field>(bytes[offset + i]) << 8 * i);
  }
  return value;
}

inline std::optional<std::uint16_t> ReadU16(std::span<const std::uint8_t> bytes,
                                            std::uint64_t offset) {
  return ReadLittleEndian<std::uint16_t>(bytes, offset);
}

inline std::optional<std::uint32_t> ReadU32(std::span<const std::uint8_t> bytes,
                                            std::uint64_t offset) {
  return ReadLittleEndian<std::uint32_t>(bytes, offset);
}

// Writes the field at `offset`, growing the bytes to hold it.
template <std::unsigned_integral Field>
void WriteLittleEndian(std::vector<std::uint8_t>& bytes, std::size_t offset, Field value) {
  if (bytes.size() < offset + sizeof(Field)) bytes.resize(offset + sizeof(Field));
  for (std::size_t i = 0; i < sizeof(Field); ++i) {
    bytes[offset + i] = static_cast<std::uint8_t>(value >> 8 * i);
  }
}

inline void WriteU16At(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint16_t value) {
  WriteLittleEndian(bytes, offset, value);
}

inline void WriteU32At(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
  WriteLittleEndian(bytes, offset, value);
}

// Appended at the end, as a file is written from its start.
inline void AppendU8(std::vector<std::uint8_t>& out, std::uint8_t value) {
  out.push_back(value);
}

inline void AppendU16(std::vector<std::uint8_t>& out, std::uint16_t value) {
  WriteLittleEndian(out, out.size(), value);
}

inline void AppendU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  WriteLittleEndian(out, out.size(), value);
}

inline void AppendI32(std::vector<std::uint8_t>& out, std::int32_t value) {
  AppendU32(out, static_cast<std::uint32_t>(value));
}

}  // namespace brantel
