#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace brantel::testing {

using Bytes = std::vector<std::uint8_t>;

// A file of the committed resources folder, such as "pictures/good.bmp"; empty if unreadable.
Bytes ReadCommittedFile(std::string_view relativePath);

// Little-endian fields; a field that is not wholly in the file reads as zero, so a short file fails
// the field checks rather than the test program.
std::uint32_t U8At(const Bytes& bytes, std::size_t offset);
std::uint32_t U16At(const Bytes& bytes, std::size_t offset);
std::uint32_t U32At(const Bytes& bytes, std::size_t offset);
std::int32_t I32At(const Bytes& bytes, std::size_t offset);

}  // namespace brantel::testing
