#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace brantel {

// Window positions and sizes are in twips (1/1440 inch), held in single precision.
using Twips = float;

enum class ControlKind : std::uint8_t { PictureBox, Panel, CommandButton, Line, Label };

// The controls of FrmMain, in the order the design lists them.
enum class ControlName : std::uint8_t {
  PicArrow,
  PicError,
  PicQues,
  PicInfo,
  PicGood,
  Pnl1,
  CmdInstall,
  Line1,
  lblAbout,
  lblCom,
};
// lblCom is the last: the design table holds this many controls, in ControlName's order.
inline constexpr std::size_t kControlCount = static_cast<std::size_t>(ControlName::lblCom) + 1;

// The five status pictures that the design carries.
enum class Picture : std::uint8_t { Good, Info, Ques, Error, Arrow };
// Arrow is the last: the design table shows each picture in one picture box.
inline constexpr std::size_t kPictureCount = static_cast<std::size_t>(Picture::Arrow) + 1;

enum class TextAlign : std::uint8_t { Left, Right };

struct Rgb {
  std::uint8_t red, green, blue;
};

// Colours that follow the system's settings rather than a fixed value.
enum class SystemColour : std::uint8_t { ButtonFace, WindowText };

struct Colour {
  std::optional<Rgb> fixed;  // empty: the system colour below
  SystemColour system = SystemColour::WindowText;
};

// The pitch and family that come with a face, as a font request's pitch-and-family byte holds
// them. A font mapper that has no face of the name for the character set picks a face of this
// pitch and family instead, so a fixed-pitch design stays fixed-pitch there.
enum class FontPitch : std::uint8_t { Fixed = 1, Variable = 2 };
enum class FontFamily : std::uint8_t { Swiss = 0x20, Modern = 0x30 };

struct FontDesign {
  std::string_view face;
  float points;
  int weight;
  std::uint8_t charset;
  FontPitch pitch;
  FontFamily family;
};

struct ControlDesign {
  ControlName name;
  std::string_view label;  // the control's name in the design, for reports
  ControlKind kind;
  std::int16_t index;                    // element of a control array; 0 for single controls
  std::optional<ControlName> container;  // empty: the window
  Twips left, top, width, height;
  std::optional<int> tabIndex;
  bool visible;
  std::optional<FontDesign> font;  // empty: the window's font
  std::optional<Colour> foreColour;
  std::optional<Colour> backColour;
  TextAlign align = TextAlign::Left;
  std::optional<Picture> picture;
  std::string_view text;  // placeholder texts are replaced before the window shows
  // A Line runs from (left, top) to (left + width, top + height) in its container.
};

struct WindowDesign {
  std::string_view className;
  Twips clientWidth, clientHeight;
  Rgb background;
  FontDesign font;
  std::string_view caption;  // placeholder
  int iconResource;
};

const WindowDesign& FrmMainDesign();
std::span<const ControlDesign> FrmMainControls();
const ControlDesign& DesignOf(ControlName name);

// Control identifiers of the Win32 window: one block of 100 per control so that element i of a
// control array is base + i. Automation finds controls by these identifiers; `brantel-inspect
// controls` lists them for it. This is the one place the rule is written.
inline constexpr int kControlIdBlock = 100;

constexpr int ControlId(ControlName name, std::int16_t index = 0) {
  return kControlIdBlock * (static_cast<int>(name) + 1) + index;
}

// The control whose elements an identifier numbers, if any.
constexpr std::optional<ControlName> ControlOfId(int id) {
  const int position = id / kControlIdBlock - 1;
  if (id < kControlIdBlock || position >= static_cast<int>(kControlCount)) return std::nullopt;
  return static_cast<ControlName>(position);
}

// Twips to pixels at the display's resolution, rounded to the nearest pixel.
constexpr int TwipsToPixels(Twips twips, int dotsPerInch) {
  const double pixels = static_cast<double>(twips) * dotsPerInch / 1440.0;
  return static_cast<int>(pixels < 0 ? pixels - 0.5 : pixels + 0.5);
}

}  // namespace brantel
