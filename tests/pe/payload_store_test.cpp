// The host's PayloadStore over a synthetic image: the errors it raises and the bytes it hands out.
#include <gtest/gtest.h>

#include "common/error.h"
#include "image_builder.h"
#include "pe/pe_payload_store.h"
#include "lookup_code.h"

namespace brantel {
namespace {

using pe::testing::BuildImage;
using pe::testing::BuildResourceSection;

std::vector<std::uint8_t> SampleImage() {
  return BuildImage(BuildResourceSection({
      {u"CUSTOM", u"VBAME.DLL", 1065, {1, 2, 3, 4, 5}},
      {u"CUSTOM", u"MSINET.OCX", 1065, {9, 8, 7}},
      {std::uint16_t{3}, std::uint16_t{30001}, 0, {6}},
  }));
}

TEST(PeImagePayloadStore, OwnsItsCopyOfTheImage) {
  const PeImagePayloadStore store(SampleImage());  // the temporary is gone after this line
  const std::span<const std::uint8_t> entry = store.ReadPayload("vbame.dll", "Custom");
  EXPECT_EQ(std::vector<std::uint8_t>(entry.begin(), entry.end()),
            (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
}

TEST(PeImagePayloadStore, ViewsTheCallersImage) {
  const std::vector<std::uint8_t> image = SampleImage();
  const PeImagePayloadStore store{std::span<const std::uint8_t>(image)};
  const std::span<const std::uint8_t> entry = store.ReadPayload("MSINET.OCX", "CUSTOM");
  ASSERT_EQ(entry.size(), 3u);
  EXPECT_GE(entry.data(), image.data());
  EXPECT_LT(entry.data(), image.data() + image.size());
  EXPECT_EQ(entry[0], 9);
}

TEST(PeImagePayloadStore, MissingEntriesSayWhatIsMissing) {
  const PeImagePayloadStore store(SampleImage());
  EXPECT_EQ(CodeOf(store, "VBAME.DLL", "RCDATA"), error_code::kResourceTypeNotFound);
  EXPECT_EQ(CodeOf(store, "30001", "3"), error_code::kResourceTypeNotFound);
  EXPECT_EQ(CodeOf(store, "<<<<False>>>>", "Custom"), error_code::kResourceNameNotFound);
  EXPECT_EQ(CodeOf(store, "VBAME", "Custom"), error_code::kResourceNameNotFound);
  EXPECT_EQ(CodeOf(store, "", "Custom"), error_code::kResourceNameNotFound);
}

TEST(PeImagePayloadStore, BrokenImageFailsAtConstruction) {
  std::vector<std::uint8_t> image = SampleImage();
  image.resize(image.size() - 1);
  try {
    PeImagePayloadStore store(std::move(image));
    FAIL() << "a truncated image was accepted";
  } catch (const Error& error) {
    EXPECT_EQ(error.code(), error_code::kBadFormat);
    EXPECT_STREQ(error.what(), pe::Describe(pe::ErrorKind::kSectionPastEnd));
  }
}

}  // namespace
}  // namespace brantel
