#pragma once

#include <cstdint>
#include <exception>

namespace brantel {

// Codes of failures that the portable code detects itself. They use the values of the
// matching Windows error codes, so one report serves both kinds.
namespace error_code {
inline constexpr std::uint32_t kInvalidArgument = 87;         // ERROR_INVALID_PARAMETER
inline constexpr std::uint32_t kResourceTypeNotFound = 1813;  // ERROR_RESOURCE_TYPE_NOT_FOUND
inline constexpr std::uint32_t kResourceNameNotFound = 1814;  // ERROR_RESOURCE_NAME_NOT_FOUND
inline constexpr std::uint32_t kBadFormat = 11;               // ERROR_BAD_FORMAT
}  // namespace error_code

// The one error type of the program: a code and the operation that failed.
class Error : public std::exception {
 public:
  // `where` must outlive the error: pass a literal.
  Error(std::uint32_t code, const char* where) noexcept : code_(code), where_(where) {}

  std::uint32_t code() const noexcept { return code_; }
  const char* what() const noexcept override { return where_; }

 private:
  std::uint32_t code_;
  const char* where_;
};

}  // namespace brantel
