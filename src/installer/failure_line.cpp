#include "installer/failure_line.h"

#include <new>

#include "common/error.h"

namespace brantel {

std::uint32_t FailureCode(const std::exception& error) noexcept {
  if (const auto* ours = dynamic_cast<const Error*>(&error)) return ours->code();
  if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr) return error_code::kOutOfMemory;
  return error_code::kGeneralFailure;
}

std::string DescribeFailure(std::string_view component, const std::exception& error,
                            std::string_view systemText) {
  std::string line = "Brantel setup: ";
  if (!component.empty()) line.append(component).append(": ");
  const auto* ours = dynamic_cast<const Error*>(&error);
  const bool outOfMemory = dynamic_cast<const std::bad_alloc*>(&error) != nullptr;
  line.append(outOfMemory ? "memory" : error.what()).append(" failed, error ");
  line += std::to_string(FailureCode(error));
  if (!systemText.empty()) line.append(" (").append(systemText).append(")");
  if (ours != nullptr) {
    line.append(", ").append(ours->site().file).append(" line ");
    line += std::to_string(ours->site().line);
  }
  return line;
}

}  // namespace brantel
