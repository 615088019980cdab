#pragma once

#include <utility>

namespace brantel {

// Runs an action when the scope ends, unless released first: the undoing of a step that a later
// one must either complete or take back, written once beside the step. The action must not throw.
template <typename Action>
class [[nodiscard]] ScopeExit {
 public:
  explicit ScopeExit(Action action) noexcept : action_(std::move(action)) {}
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;
  ~ScopeExit() {
    if (armed_) action_();
  }
  // The step is complete: nothing is undone.
  void release() noexcept { armed_ = false; }

 private:
  Action action_;
  bool armed_ = true;
};

}  // namespace brantel
