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

// A cursor over the bytes: each read takes the next field and moves past it. Copies are cheap, so
// a parser that must jump (to an offset a table names) takes a copy positioned there with At.
class BoundedReader {
 public:
  explicit BoundedReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::uint64_t size() const { return bytes_.size(); }
  std::uint64_t position() const { return position_; }
  std::uint64_t remaining() const { return bytes_.size() - position_; }

  void Seek(std::uint64_t offset, ErrorKind if_outside) {
    if (offset > bytes_.size()) Fail(if_outside);
    position_ = offset;
  }

  void Skip(std::uint64_t length, ErrorKind if_outside) {
    if (length > remaining()) Fail(if_outside);
    position_ += length;
  }

  // A copy of this reader positioned at `offset`.
  BoundedReader At(std::uint64_t offset, ErrorKind if_outside) const {
    BoundedReader reader = *this;
    reader.Seek(offset, if_outside);
    return reader;
  }

  std::span<const std::uint8_t> Bytes(std::uint64_t length, ErrorKind if_outside) {
    if (length > remaining()) Fail(if_outside);
    const std::span<const std::uint8_t> taken =
        bytes_.subspan(static_cast<std::size_t>(position_), static_cast<std::size_t>(length));
    position_ += length;
    return taken;
  }

  // The next `length` bytes as a reader of their own, for a header or a table read field by field.
  BoundedReader Sub(std::uint64_t length, ErrorKind if_outside) {
    return BoundedReader(Bytes(length, if_outside));
  }

  std::uint16_t U16(ErrorKind if_outside) { return Field<std::uint16_t>(if_outside); }
  std::uint32_t U32(ErrorKind if_outside) { return Field<std::uint32_t>(if_outside); }

 private:
  template <std::unsigned_integral Value>
  Value Field(ErrorKind if_outside) {
    const std::optional<Value> value = ReadLittleEndian<Value>(bytes_, position_);
    if (!value) Fail(if_outside);
    position_ += sizeof(Value);
    return *value;
  }

  std::span<const std::uint8_t> bytes_;
  std::uint64_t position_ = 0;
};

}  // namespace brantel::pe::detail
