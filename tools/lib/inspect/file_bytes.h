#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace brantel::inspect {

// The most brantel-inspect reads of one file: far more than any component or setup holds, far
// less than the memory of the machines it runs on, and below the 4 GiB a PE file can address.
inline constexpr std::uint64_t kMaxFileBytes = std::uint64_t{256} << 20;

// A file that cannot be read or written; what() names it and says why.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The whole content of a file of at most kMaxFileBytes, whatever kind of file it is (a device
// or a pipe has no size to ask for). Throws FileError.
std::vector<std::uint8_t> ReadFileBytes(const std::string& path);

// Replaces the file at `path` with `bytes`. Throws FileError when it cannot be written completely.
void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace brantel::inspect
