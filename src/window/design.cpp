#include "window/design.h"

#include <array>

namespace brantel {
namespace {

// The labels' fixed-pitch face and the button's proportional one, each with its pitch and family,
// so that a system without the face picks a similar one.
// clang-format off
constexpr FontDesign kWindowFont{"Courier New", 9.75f, 400, 178, FontPitch::Fixed, FontFamily::Modern};
constexpr FontDesign kButtonFont{"Tahoma", 9.0f, 400, 178, FontPitch::Variable, FontFamily::Swiss};
// clang-format on

constexpr Colour kButtonFace{std::nullopt, SystemColour::ButtonFace};
constexpr Colour kLabelText{std::nullopt, SystemColour::WindowText};
constexpr Colour kDarkBlue{Rgb{0, 0, 192}};
constexpr Colour kLightGrey{Rgb{192, 192, 192}};

using enum ControlName;
using enum ControlKind;

// clang-format off
constexpr std::array<ControlDesign, kControlCount> kControls = {{
  // name        label         kind           idx container  left   top    width  height tab  visible font        fore        back         align             picture           text
  {PicArrow,   "PicArrow",   PictureBox,    0, {},        240,   1200,  240,   240,   7,   false, {},         {},         {},          TextAlign::Left,  Picture::Arrow,   ""},
  {PicError,   "PicError",   PictureBox,    0, {},        240,   960,   240,   240,   4,   false, {},         {},         {},          TextAlign::Left,  Picture::Error,   ""},
  {PicQues,    "PicQues",    PictureBox,    0, {},        240,   720,   240,   240,   3,   true,  {},         {},         {},          TextAlign::Left,  Picture::Ques,    ""},
  {PicInfo,    "PicInfo",    PictureBox,    0, {},        240,   480,   240,   240,   2,   false, {},         {},         {},          TextAlign::Left,  Picture::Info,    ""},
  {PicGood,    "PicGood",    PictureBox,    0, {},        240,   240,   240,   240,   1,   false, {},         {},         {},          TextAlign::Left,  Picture::Good,    ""},
  {Pnl1,       "Pnl1",       Panel,         0, {},        0,     6000,  8250,  600,   0,   true,  {},         {},         kButtonFace, TextAlign::Left,  {},                ""},
  {CmdInstall, "CmdInstall", CommandButton, 0, Pnl1,      6750,  120,   1215,  375,   5,   true,  kButtonFont, {},        {},          TextAlign::Left,  {},                "Command1"},
  {Line1,      "Line1",      Line,          0, Pnl1,      0,     0,     8500,  0,     {},  true,  {},         kLightGrey, {},          TextAlign::Left,  {},                ""},
  {lblAbout,   "lblAbout",   Label,         0, {},        6960,  5760,  960,   240,   8,   true,  {},         kDarkBlue,  {},          TextAlign::Right, {},                "Label1"},
  {lblCom,     "lblCom",     Label,         0, {},        720,   240,   720,   240,   6,   true,  {},         kLabelText, {},          TextAlign::Left,  {},                "Label2"},
}};
// clang-format on

// DesignOf finds a control by its position: the table lists the controls in ControlName's order.
constexpr bool ListedInNameOrder() {
  for (std::size_t i = 0; i < kControls.size(); ++i) {
    if (kControls[i].name != static_cast<ControlName>(i)) return false;
  }
  return true;
}
static_assert(ListedInNameOrder(), "the design table must list the controls in ControlName order");

// The window keeps one bitmap per Picture: a picture box shows one of them, and each is shown.
constexpr bool EachPictureShownOnce() {
  std::array<int, kPictureCount> shown{};
  for (const ControlDesign& design : kControls) {
    if (design.kind != PictureBox) continue;
    if (!design.picture || static_cast<std::size_t>(*design.picture) >= kPictureCount) return false;
    ++shown[static_cast<std::size_t>(*design.picture)];
  }
  for (const int count : shown) {
    if (count != 1) return false;
  }
  return true;
}
static_assert(EachPictureShownOnce(), "every picture box shows one Picture, each Picture once");

constexpr WindowDesign kWindow{"BrantelFrmMain", 8250,    6600, Rgb{255, 255, 255},
                               kWindowFont,      "Form1", 1};

}  // namespace

const WindowDesign& FrmMainDesign() {
  return kWindow;
}

std::span<const ControlDesign> FrmMainControls() {
  return kControls;
}

const ControlDesign& DesignOf(ControlName name) {
  return kControls[static_cast<std::size_t>(name)];
}

}  // namespace brantel
