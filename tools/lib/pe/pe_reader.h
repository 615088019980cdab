#pragma once

// The one way the parsers in this folder read untrusted bytes: every read is checked against
// the bytes given, and a read outside them throws the kind of error the caller names. Offsets and
// lengths are 64-bit, so an offset taken from a file plus a length taken from a file cannot wrap.
// For the parsers' own use; each turns the failure into a value with Capture before returning.

#include <concepts>
#include <cstdint>
#include <optional>
#include <span>

#include "bytes/little_endian.h"
#include "pe/pe_error.h"

namespace brantel::pe::detail {

struct ReadFailure {
  ErrorKind error;
};

[[noreturn]] inline void Fail(ErrorKind error) {
  throw ReadFailure{error};
}

// Runs a reader as `read(outcome)` and gives its outcome: the result it filled in, or the first
// error raised, with the result left empty.
template <typename Outcome, typename Read>
Outcome Capture(Read read) {
  Outcome outcome;
  try {
    read(outcome);
  } catch (const ReadFailure& failure) {
    outcome = Outcome{};
    outcome.error = failure.error;
  }
  return outcome;
}

class BoundedReader {
 public:
  explicit BoundedReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::uint64_t size() const { return bytes_.size(); }

  bool Fits(std::uint64_t offset, std::uint64_t length) const {
    return offset <= bytes_.size() && length <= bytes_.size() - offset;
  }

  std::span<const std::uint8_t> Bytes(std::uint64_t offset, std::uint64_t length,
                                      ErrorKind if_outside) const {
    if (!Fits(offset, length)) Fail(if_outside);
    return bytes_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
  }

  std::uint16_t U16(std::uint64_t offset, ErrorKind if_outside) const {
    return Field<std::uint16_t>(offset, if_outside);
  }

  std::uint32_t U32(std::uint64_t offset, ErrorKind if_outside) const {
    return Field<std::uint32_t>(offset, if_outside);
  }

 private:
  template <std::unsigned_integral Value>
  Value Field(std::uint64_t offset, ErrorKind if_outside) const {
    const std::optional<Value> value = ReadLittleEndian<Value>(bytes_, offset);
    if (!value) Fail(if_outside);
    return *value;
  }

  std::span<const std::uint8_t> bytes_;
};

}  // namespace brantel::pe::detail
