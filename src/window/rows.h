#pragma once

#include <array>
#include <string>
#include <string_view>

#include "installer/catalogue.h"
#include "installer/install_controls.h"
#include "window/design.h"

namespace brantel {

// Vertical distance between the tops of consecutive rows, in twips.
inline constexpr Twips kRowPitch = 300;

// The picture box of row 0 whose place every picture of the row takes.
inline constexpr ControlName kRowPicturePlace = ControlName::PicGood;

// The five pictures of a row, in the order in which a state change sets them.
inline constexpr std::array kRowPictures{ControlName::PicGood, ControlName::PicError,
                                         ControlName::PicInfo, ControlName::PicQues,
                                         ControlName::PicArrow};

// The one picture that shows each state; PicError shows none.
ControlName PictureOf(RowState state);

// What the rows need of the window: the row elements (lblCom and the five pictures) as control
// arrays. Every operation either completes or throws Error.
class RowControls {
 public:
  virtual ~RowControls() = default;
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
};

// Builds rows 1 to 13 from the designed row 0, leaving every row Pending.
void BuildRows(RowControls& controls);

void SetRowState(RowControls& controls, ComponentIndex index, RowState state);

// Appends dots and `message` to label `index`, making a line of kStatusLineWidth characters.
void AppendRowStatus(RowControls& controls, ComponentIndex index, std::string_view message);

}  // namespace brantel
