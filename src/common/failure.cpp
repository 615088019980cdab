#include "common/failure.h"

#include <new>

#include "common/number_text.h"

namespace brantel {

Failure FailureOf(const std::exception& error) noexcept {
  if (const auto* ours = dynamic_cast<const Error*>(&error)) {
    return {ours->code(), ours->what(), ours->site()};
  }
  if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr) {
    return {error_code::kOutOfMemory, "memory", std::nullopt};
  }
  return {error_code::kGeneralFailure, error.what(), std::nullopt};
}

std::string DescribeFailure(const Failure& failure, std::string_view systemText,
                            FailureLayout layout) {
  const std::string code = NumberText(failure.code);
  std::string site;
  if (failure.site) {
    site.append(failure.site->file).append(" line ").append(NumberText(failure.site->line));
  }
  std::string text;
  switch (layout) {
    case FailureLayout::kDebugLine:
      text.append(failure.operation).append(" failed, error ").append(code);
      if (!systemText.empty()) text.append(" (").append(systemText).append(")");
      if (!site.empty()) text.append(", ").append(site);
      break;
    case FailureLayout::kReport:
      text.append("Error ").append(code);
      if (!systemText.empty()) text.append(": ").append(systemText);
      text.append(" (").append(failure.operation);
      if (!site.empty()) text.append(", ").append(site);
      text.append(")");
      break;
    case FailureLayout::kCodeOnly:
      text.append(failure.operation).append(" failed with error ").append(code);
      break;
  }
  return text;
}

}  // namespace brantel
