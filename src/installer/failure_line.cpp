#include "installer/failure_line.h"

#include <new>

#include "common/error.h"

namespace brantel {
namespace {

constexpr std::uint32_t kOutOfMemory = 14;     // ERROR_OUTOFMEMORY
constexpr std::uint32_t kGeneralFailure = 31;  // ERROR_GEN_FAILURE

// The system's texts end with a line break, which would end the debug line early.
std::string_view TrimLineEnd(std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.remove_suffix(1);
  }
  return text;
}

}  // namespace

std::uint32_t FailureCode(const std::exception& error) noexcept {
  if (const auto* ours = dynamic_cast<const Error*>(&error)) return ours->code();
  if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr) return kOutOfMemory;
  return kGeneralFailure;
}

std::string DescribeFailure(std::string_view component, const std::exception& error,
                            std::string_view systemText) {
  std::string line = "Brantel setup: ";
  if (!component.empty()) line.append(component).append(": ");
  const auto* ours = dynamic_cast<const Error*>(&error);
  const bool outOfMemory = dynamic_cast<const std::bad_alloc*>(&error) != nullptr;
  line.append(outOfMemory ? "memory" : error.what()).append(" failed, error ");
  line += std::to_string(FailureCode(error));
  systemText = TrimLineEnd(systemText);
  if (!systemText.empty()) line.append(" (").append(systemText).append(")");
  if (ours != nullptr) {
    line.append(", ").append(ours->site().file).append(" line ");
    line += std::to_string(ours->site().line);
  }
  return line;
}

}  // namespace brantel
