#pragma once

#include <cstdint>
#include <vector>

namespace brantel::resgen {

using Bytes = std::vector<std::uint8_t>;

// Windows file and resource formats are little-endian throughout.
inline void PutU8(Bytes& out, unsigned value) {
  out.push_back(static_cast<std::uint8_t>(value));
}

inline void PutU16(Bytes& out, unsigned value) {
  PutU8(out, value & 0xFFu);
  PutU8(out, (value >> 8) & 0xFFu);
}

inline void PutU32(Bytes& out, std::uint32_t value) {
  PutU16(out, value & 0xFFFFu);
  PutU16(out, value >> 16);
}

inline void PutI32(Bytes& out, std::int32_t value) {
  PutU32(out, static_cast<std::uint32_t>(value));
}

}  // namespace brantel::resgen
