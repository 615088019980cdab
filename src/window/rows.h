#pragma once

#include <array>

#include "installer/catalogue.h"
#include "window/design.h"
#include "window/form_controls.h"

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

// Builds rows 1 to 13 from the designed row 0, leaving every row Pending.
void BuildRows(FormControls& controls);

}  // namespace brantel
