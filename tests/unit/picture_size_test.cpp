#include <gtest/gtest.h>

#include "window/pictures.h"

namespace brantel {
namespace {

// Display resolution → the status pictures' size: the largest carried size not beyond
// 16 x dpi / 96, so a picture never grows past the place its 16-pixel design takes.
TEST(PictureSize, LargestCarriedSizeTheScaledDesignCovers) {
  const std::pair<int, int> cases[] = {
      {96, 16},  {120, 20}, {144, 24}, {192, 32},  // the scales the sizes are drawn for
      {119, 16}, {143, 20}, {191, 24}, {168, 24},  // just short of a size, and between sizes
      {288, 32}, {72, 16},                         // beyond the largest, below the smallest
  };
  for (const auto& [dpi, size] : cases) EXPECT_EQ(PictureSizeFor(dpi), size) << dpi << " dpi";
}

}  // namespace
}  // namespace brantel
