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
inline constexpr std::uint32_t kInvalidData = 13;             // ERROR_INVALID_DATA
inline constexpr std::uint32_t kOutOfMemory = 14;             // ERROR_OUTOFMEMORY
inline constexpr std::uint32_t kGeneralFailure = 31;          // ERROR_GEN_FAILURE
}  // namespace error_code

// Where an error was raised: a source file, relative to the source tree, and a line, taken as
// default arguments where the call is written. Not std::source_location: clang 14 with this C++
// library lacks it, and it keeps each caller's function name too, kilobytes the report never shows.
struct CallSite {
  const char* file;
  std::uint_least32_t line;

  static constexpr CallSite Here(const char* file = __builtin_FILE(),
                                 std::uint_least32_t line = __builtin_LINE()) noexcept {
    return {file, line};
  }
};

// The one error type of the program: a code, the operation that failed, and where it was called.
class Error : public std::exception {
 public:
  // `where` must outlive the error: pass a literal.
  Error(std::uint32_t code, const char* where, CallSite site = CallSite::Here()) noexcept
      : code_(code), where_(where), site_(site) {}

  std::uint32_t code() const noexcept { return code_; }
  const char* what() const noexcept override { return where_; }
  const CallSite& site() const noexcept { return site_; }

 private:
  std::uint32_t code_;
  const char* where_;
  CallSite site_;
};

}  // namespace brantel
