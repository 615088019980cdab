#include "file_bytes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace brantel::inspect {
namespace {

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

[[noreturn]] void Fail(const std::string& what, const std::string& path, int error) {
  throw FileError(what + " " + path + ": " + std::strerror(error));
}

}  // namespace

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
  File file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) Fail("cannot open", path, errno);
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[65536];
  std::size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
    if (got > kMaxFileBytes - bytes.size()) {
      throw FileError(path + ": larger than " + std::to_string(kMaxFileBytes >> 20) +
                      " MiB, more than brantel-inspect reads");
    }
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  if (std::ferror(file.get())) Fail("cannot read", path, errno);
  return bytes;
}

void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  File file(std::fopen(path.c_str(), "wb"), &std::fclose);
  if (!file) Fail("cannot write", path, errno);
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
  // A failed close can mean the last buffered bytes never reached the file.
  const int error = errno;
  if (std::fclose(file.release()) != 0 || !written)
    Fail("cannot write", path, written ? errno : error);
}

}  // namespace brantel::inspect
