#include "committed_file.h"

#include <fstream>
#include <iterator>
#include <string>

#include "bytes/little_endian.h"

namespace brantel::testing {

Bytes ReadCommittedFile(std::string_view relativePath) {
  const std::string path = std::string(BRANTEL_RESOURCES_DIR) + "/" + std::string(relativePath);
  std::ifstream file(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::uint32_t U8At(const Bytes& bytes, std::size_t offset) {
  return offset < bytes.size() ? bytes[offset] : 0;
}

std::uint32_t U16At(const Bytes& bytes, std::size_t offset) {
  return ReadU16(bytes, offset).value_or(0);
}

std::uint32_t U32At(const Bytes& bytes, std::size_t offset) {
  return ReadU32(bytes, offset).value_or(0);
}

std::int32_t I32At(const Bytes& bytes, std::size_t offset) {
  return static_cast<std::int32_t>(U32At(bytes, offset));
}

}  // namespace brantel::testing
