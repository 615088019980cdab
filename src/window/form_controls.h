#pragma once

#include <string>
#include <string_view>

#include "window/rows.h"

namespace brantel {

// The whole window as the program's operations see it: the rows, the three captions, and
// painting on demand. Every operation but PaintNow either completes or throws Error.
class FormControls : public RowControls {
 public:
  virtual std::string ButtonCaption() = 0;
  virtual void SetButtonCaption(std::string_view caption) = 0;
  virtual void SetWindowCaption(std::string_view caption) = 0;
  virtual void SetAboutCaption(std::string_view caption) = 0;
  // Paints what has changed at once, without handling any input; it cannot fail.
  virtual void PaintNow() noexcept = 0;
};

// The install run's view of the window: the button, and the rows through their row operations.
class InstallView final : public InstallControls {
 public:
  explicit InstallView(FormControls& form) : form_(form) {}

  std::string ButtonCaption() override { return form_.ButtonCaption(); }
  void SetButtonCaption(std::string_view caption) override { form_.SetButtonCaption(caption); }
  void SetRowState(ComponentIndex index, RowState state) override {
    brantel::SetRowState(form_, index, state);
  }
  void AppendRowStatus(ComponentIndex index, std::string_view message) override {
    brantel::AppendRowStatus(form_, index, message);
  }
  void PaintNow() noexcept override { form_.PaintNow(); }

 private:
  FormControls& form_;
};

}  // namespace brantel
