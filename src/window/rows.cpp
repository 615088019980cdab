#include "window/rows.h"

#include "window/status_line.h"

namespace brantel {

ControlName PictureOf(RowState state) {
  switch (state) {
    case RowState::Pending:
      return ControlName::PicQues;
    case RowState::InProgress:
      return ControlName::PicArrow;
    case RowState::Installed:
      return ControlName::PicGood;
    case RowState::AlreadyInstalled:
      return ControlName::PicInfo;
  }
  return ControlName::PicQues;
}

void BuildRows(FormControls& controls) {
  using enum ControlName;
  // Stack row 0's pictures on kRowPicturePlace's spot, reading that spot afresh for each move.
  for (const ControlName picture : {PicInfo, PicQues, PicError, PicArrow}) {
    const Twips left = controls.Left(kRowPicturePlace, 0);
    const Twips top = controls.Top(kRowPicturePlace, 0);
    controls.Move(picture, 0, left, top);
  }
  // Row 0 is named here directly; the literal must stay equal to catalogue entry 0.
  controls.SetLabelText(0, "VBAME.DLL");

  for (ComponentIndex i = 1; i < kComponentCount; ++i) {
    controls.ProcessPendingEvents();
    controls.CreateElement(lblCom, i);
    controls.SetLabelText(i, GetDllName(i));
    const Twips left = controls.Left(lblCom, 0);
    const Twips top = controls.Top(lblCom, static_cast<ComponentIndex>(i - 1)) + kRowPitch;
    controls.Move(lblCom, i, left, top);
    controls.SetVisible(lblCom, i, true);
  }

  for (ComponentIndex i = 1; i < kComponentCount; ++i) {
    for (const ControlName picture : {PicGood, PicInfo, PicQues, PicError, PicArrow}) {
      controls.CreateElement(picture, i);
      controls.ProcessPendingEvents();
      const Twips left = controls.Left(picture, 0);
      const Twips top = controls.Top(picture, static_cast<ComponentIndex>(i - 1)) + kRowPitch;
      controls.Move(picture, i, left, top);
      if (picture == PicQues) controls.SetVisible(picture, i, true);
    }
  }
}

void FormControls::SetRowState(ComponentIndex index, RowState state) {
  const ControlName shown = PictureOf(state);
  for (const ControlName picture : kRowPictures) {
    SetVisible(picture, index, picture == shown);
  }
}

void FormControls::AppendRowStatus(ComponentIndex index, std::string_view message) {
  SetLabelText(index, ComposeStatusLine(LabelText(index), message));
}

}  // namespace brantel
