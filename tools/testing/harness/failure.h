#pragma once

#include <stdexcept>
#include <string>

namespace brantel::automate {

// A step that could not do what it was asked. The message says what was seen instead; the
// program reports it with the step and stops the target.
class StepFailure : public std::runtime_error {
 public:
  explicit StepFailure(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace brantel::automate
