#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "installer/catalogue.h"

namespace brantel {

enum class RowState : std::uint8_t { Pending, InProgress, Installed, AlreadyInstalled };

// What the run needs of the window: the caption of CmdInstall, the two row operations, and a way
// to show what has changed. Every operation either completes or throws Error.
class InstallControls {
 public:
  virtual ~InstallControls() = default;
  virtual std::string ButtonCaption() = 0;
  virtual void SetButtonCaption(std::string_view caption) = 0;
  virtual void SetRowState(ComponentIndex index, RowState state) = 0;
  virtual void AppendRowStatus(ComponentIndex index, std::string_view message) = 0;
  // Paints what has changed at once. The run handles no window events, so without this the
  // rows would show their outcome only after the run. It cannot fail: what it could not paint,
  // the system paints later, so the run's error handler may call it too.
  virtual void PaintNow() noexcept = 0;
};

}  // namespace brantel
