#pragma once

// The one way the parsers in this folder read untrusted bytes: every read is checked against
// the bytes given, and a read outside them throws the kind of error the caller names. Offsets and
// lengths are 64-bit, so an offset taken from a file plus a length taken from a file cannot wrap.
// For the parsers' own use; each turns the failure into a value before returning.

#include <concepts>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>

#include "bytes/little_endian.h"

namespace brantel::pe::detail {

template <typename Kind>
struct ReadFailure {
  Kind error;
};

template <typename Kind>
[[noreturn]] void Fail(Kind error) {
  throw ReadFailure<Kind>{error};
}

// The text a table gives for an error kind, or `otherwise`.
template <typename Kind, std::size_t N>
const char* TextOf(const std::pair<Kind, const char*> (&table)[N], Kind kind,
                   const char* otherwise) {
  for (const auto& [listed, text] : table) {
    if (listed == kind) return text;
  }
  return otherwise;
}

// Runs a parse and gives its outcome as a value: {kNone, result}, or {the error, empty}.
template <typename Outcome, typename Kind, typename Parse>
Outcome Capture(Parse parse) {
  try {
    return {Kind::kNone, parse()};
  } catch (const ReadFailure<Kind>& failure) {
    return {failure.error, {}};
  }
}

template <typename Kind>
class BoundedReader {
 public:
  explicit BoundedReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::uint64_t size() const { return bytes_.size(); }

  bool Fits(std::uint64_t offset, std::uint64_t length) const {
    return offset <= bytes_.size() && length <= bytes_.size() - offset;
  }

  std::span<const std::uint8_t> Bytes(std::uint64_t offset, std::uint64_t length,
                                      Kind if_outside) const {
    if (!Fits(offset, length)) Fail(if_outside);
    return bytes_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
  }

  std::uint16_t U16(std::uint64_t offset, Kind if_outside) const {
    return Field<std::uint16_t>(offset, if_outside);
  }

  std::uint32_t U32(std::uint64_t offset, Kind if_outside) const {
    return Field<std::uint32_t>(offset, if_outside);
  }

 private:
  template <std::unsigned_integral Value>
  Value Field(std::uint64_t offset, Kind if_outside) const {
    const std::optional<Value> value = ReadLittleEndian<Value>(bytes_, offset);
    if (!value) Fail(if_outside);
    return *value;
  }

  std::span<const std::uint8_t> bytes_;
};

}  // namespace brantel::pe::detail
