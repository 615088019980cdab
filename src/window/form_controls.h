#pragma once

#include <string>
#include <string_view>

#include "installer/catalogue.h"
#include "installer/install_controls.h"
#include "window/design.h"

namespace brantel {

// The whole window as the program's operations see it: the row elements (lblCom and the five
// pictures) as control arrays, the three captions, and painting on demand. It is what the install
// run needs of the window too, whose row operations are the rows' own (window/rows.h). Every
// operation but PaintNow either completes or throws Error.
class FormControls : public InstallControls {
 public:
  virtual Twips Left(ControlName array, ComponentIndex index) = 0;
  virtual Twips Top(ControlName array, ComponentIndex index) = 0;
  virtual void Move(ControlName array, ComponentIndex index, Twips left, Twips top) = 0;
  virtual void SetVisible(ControlName array, ComponentIndex index, bool visible) = 0;
  // Adds element `index` as a hidden copy of element 0.
  virtual void CreateElement(ControlName array, ComponentIndex index) = 0;
  virtual std::string LabelText(ComponentIndex index) = 0;
  virtual void SetLabelText(ComponentIndex index, std::string_view text) = 0;
  // Lets the window handle what is waiting (painting, input) and returns.
  virtual void ProcessPendingEvents() = 0;
  virtual void SetWindowCaption(std::string_view caption) = 0;
  virtual void SetAboutCaption(std::string_view caption) = 0;

  // The rows' own operations, defined with the rows (window/rows.cpp). AppendRowStatus appends
  // dots and `message` to label `index`, making a line of kStatusLineWidth characters.
  void SetRowState(ComponentIndex index, RowState state) final;
  void AppendRowStatus(ComponentIndex index, std::string_view message) final;
};

}  // namespace brantel
