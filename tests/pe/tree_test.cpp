// Well-formed images read back as the tree they were built from, and lookups follow the
// loader's rules: letter case ignored in texts, numbers matched by value, any language.
#include <gtest/gtest.h>

#include <string>

#include "image_builder.h"
#include "pe/pe_resources.h"

namespace brantel::pe {
namespace {

using testing::BuildImage;
using testing::BuildResourceSection;
using testing::Resource;

std::vector<std::uint8_t> Fill(std::size_t size, std::uint8_t seed) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
  return bytes;
}

std::vector<Resource> SampleResources() {
  return {
      {u"CUSTOM", u"VBAME.DLL", 1065, Fill(40, 1)},
      {u"CUSTOM", u"MSINET.OCX", 1065, Fill(24, 2)},
      {std::uint16_t{3}, std::uint16_t{30001}, 0, Fill(30, 3)},
      {std::uint16_t{14}, std::uint16_t{1}, 0, Fill(20, 4)},
      {std::uint16_t{16}, std::uint16_t{1}, 1033, Fill(60, 5)},
  };
}

std::string Text(std::span<const std::uint8_t> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// As many sections as the header can count, all but the last empty, and tens of thousands of
// leaves: every leaf's address is looked up among the sections, so this is the slowest tree a file
// of this size can hold. It reads back whole and, with the sections searched by halves, at once.
TEST(PeTree, ManySectionsAndLeaves) {
  constexpr std::uint16_t kLeaves = 60000;
  std::vector<Resource> resources;
  for (std::uint16_t language = 1; language <= kLeaves; ++language) {
    resources.push_back(
        {u"CUSTOM", u"MANY", language, Fill(1, static_cast<std::uint8_t>(language))});
  }
  const std::vector<std::uint8_t> image =
      BuildImage(BuildResourceSection(std::move(resources)), {.empty_sections_before = 65534});
  const ResourceParse parsed = ParseResources(image);
  ASSERT_EQ(parsed.error, ErrorKind::kNone) << Describe(parsed.error);
  ASSERT_EQ(parsed.tree.size(), kLeaves);
  EXPECT_EQ(parsed.tree.back().language, ResourceKey(kLeaves));
  EXPECT_EQ(parsed.tree.back().data[0], Fill(1, static_cast<std::uint8_t>(kLeaves))[0]);
}

class PeTreeBothFormats : public ::testing::TestWithParam<bool> {};

TEST_P(PeTreeBothFormats, ReadsEveryLeafInDirectoryOrder) {
  const std::vector<std::uint8_t> section = BuildResourceSection(SampleResources());
  const std::vector<std::uint8_t> image = BuildImage(section, {.pe32_plus = GetParam()});
  const ResourceParse parsed = ParseResources(image);
  ASSERT_EQ(parsed.error, ErrorKind::kNone) << Describe(parsed.error);

  struct Expected {
    ResourceKey type;
    ResourceKey name;
    std::uint32_t language;
    std::vector<std::uint8_t> data;
  };
  // Named types first, names sorted; then numbered types in ascending order.
  const std::vector<Expected> expected = {
      {"CUSTOM", "MSINET.OCX", 1065, Fill(24, 2)},
      {"CUSTOM", "VBAME.DLL", 1065, Fill(40, 1)},
      {3, 30001, 0, Fill(30, 3)},
      {14, 1, 0, Fill(20, 4)},
      {16, 1, 1033, Fill(60, 5)},
  };
  ASSERT_EQ(parsed.tree.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const ResourceLeaf& leaf = parsed.tree[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(leaf.type, expected[i].type);
    EXPECT_EQ(leaf.name, expected[i].name);
    EXPECT_EQ(leaf.language, ResourceKey(expected[i].language));
    EXPECT_EQ(leaf.codePage, 1200u);
    EXPECT_EQ(leaf.reserved, 0u);
    EXPECT_EQ(leaf.size, expected[i].data.size());
    EXPECT_EQ(std::vector<std::uint8_t>(leaf.data.begin(), leaf.data.end()), expected[i].data);
    // The span must be the image's own bytes at the RVA, not a copy.
    EXPECT_EQ(leaf.data.data(),
              image.data() + testing::kSectionFileOffset + (leaf.rva - testing::kSectionRva));
  }
}

INSTANTIATE_TEST_SUITE_P(Pe32AndPe32Plus, PeTreeBothFormats, ::testing::Bool());

TEST(PeTree, ImageWithoutResourcesHasAnEmptyTree) {
  const std::vector<std::uint8_t> section = BuildResourceSection(SampleResources());
  ResourceParse parsed = ParseResources(BuildImage(section, {.directory_count = 2}));
  EXPECT_EQ(parsed.error, ErrorKind::kNone);
  EXPECT_TRUE(parsed.tree.empty());

  parsed = ParseResources(BuildImage(section, {.resource_rva = 0}));
  EXPECT_EQ(parsed.error, ErrorKind::kNone);
  EXPECT_TRUE(parsed.tree.empty());
}

TEST(PeTree, NamesAreConvertedFromUtf16) {
  const std::vector<std::uint8_t> section = BuildResourceSection({
      {u"T\u00c4", u"\U0001F600", 0, Fill(8, 1)},
      {u"T\u00c4", std::u16string{u'\xD800', u'x'}, 0, Fill(8, 2)},  // unpaired surrogate
      {u"T\u00c4", std::u16string{u'y', u'\xDC00'}, 0, Fill(8, 3)},
  });
  const ResourceParse parsed = ParseResources(BuildImage(section));
  ASSERT_EQ(parsed.error, ErrorKind::kNone);
  ASSERT_EQ(parsed.tree.size(), 3u);
  // Sorted by their UTF-16 units, as resource compilers order them.
  EXPECT_EQ(parsed.tree[0].type.text, "T\xC3\x84");
  EXPECT_EQ(parsed.tree[0].name.text, "y\xEF\xBF\xBD");
  EXPECT_EQ(parsed.tree[1].name.text, "\xEF\xBF\xBDx");
  EXPECT_EQ(parsed.tree[2].name.text, "\xF0\x9F\x98\x80");
}

TEST(PeTree, EmptyDataAtTheSectionsEnd) {
  const ResourceParse parsed = ParseResources(BuildImage(testing::OneResource::Tree(0, 0).data));
  ASSERT_EQ(parsed.error, ErrorKind::kNone) << Describe(parsed.error);
  ASSERT_EQ(parsed.tree.size(), 1u);
  EXPECT_TRUE(parsed.tree[0].data.empty());
}

class PeLookup : public ::testing::Test {
 protected:
  std::vector<std::uint8_t> image_ = BuildImage(BuildResourceSection({
      {u"CUSTOM", u"VBAME.DLL", 1065, Fill(40, 1)},
      {u"CUSTOM", u"MSINET.OCX", 1065, Fill(24, 2)},
      {u"CUSTOM", u"A[1]@", 0, Fill(8, 6)},
      {u"CUSTOM", u"TWO", 1033, Fill(8, 7)},
      {u"CUSTOM", u"TWO", 1065, Fill(8, 8)},
      {u"3", std::uint16_t{1}, 0, Fill(8, 9)},
      {std::uint16_t{3}, std::uint16_t{30001}, 0, Fill(30, 3)},
      {std::uint16_t{14}, std::uint16_t{1}, 0, Fill(20, 4)},
  }));
  ResourceTree tree_ = ReadResourceTree(image_);
};

TEST_F(PeLookup, TextsIgnoreLetterCase) {
  const auto exact = FindResource(tree_, "CUSTOM", "VBAME.DLL");
  ASSERT_TRUE(exact.has_value());
  EXPECT_EQ(exact->size(), 40u);
  for (const auto& [type, name] :
       {std::pair{"Custom", "VBAME.DLL"}, std::pair{"custom", "vbame.dll"},
        std::pair{"cUsToM", "VbAmE.dLl"}}) {
    const auto found = FindResource(tree_, type, name);
    ASSERT_TRUE(found.has_value()) << type << " " << name;
    EXPECT_EQ(found->data(), exact->data());
    EXPECT_EQ(found->size(), exact->size());
  }
  EXPECT_EQ(Text(*FindResource(tree_, "custom", "msinet.ocx")), Text(Fill(24, 2)));
}

TEST_F(PeLookup, OnlyLettersAreFolded) {
  // '[' and '{', '@' and '`' differ by the same bit as a letter's two cases.
  EXPECT_TRUE(FindResource(tree_, "custom", "a[1]@").has_value());
  EXPECT_FALSE(FindResource(tree_, "custom", "A{1]@").has_value());
  EXPECT_FALSE(FindResource(tree_, "custom", "A[1]`").has_value());
}

TEST_F(PeLookup, MissOnAnyDifference) {
  EXPECT_FALSE(FindResource(tree_, "CUSTOM", "VBAME.DL").has_value());
  EXPECT_FALSE(FindResource(tree_, "CUSTOM", "VBAME.DLL ").has_value());
  EXPECT_FALSE(FindResource(tree_, "CUSTOM", "<<<<False>>>>").has_value());
  EXPECT_FALSE(FindResource(tree_, "CUSTOMS", "VBAME.DLL").has_value());
  EXPECT_FALSE(FindResource(tree_, "RCDATA", "VBAME.DLL").has_value());
  EXPECT_FALSE(FindResource(tree_, "", "").has_value());
  EXPECT_TRUE(HasResourceType(tree_, "custom"));
  EXPECT_FALSE(HasResourceType(tree_, "RCDATA"));
}

TEST_F(PeLookup, NumbersMatchNumbersOnly) {
  EXPECT_EQ(Text(*FindResource(tree_, 14, 1)), Text(Fill(20, 4)));
  EXPECT_EQ(Text(*FindResource(tree_, 3, 30001)), Text(Fill(30, 3)));
  // The type named "3" is not type 3, and type 3 is not the type named "3".
  EXPECT_EQ(Text(*FindResource(tree_, "3", 1)), Text(Fill(8, 9)));
  EXPECT_FALSE(FindResource(tree_, 3, 1).has_value());
  EXPECT_FALSE(FindResource(tree_, "14", 1).has_value());
  EXPECT_FALSE(FindResource(tree_, 14, "1").has_value());
  EXPECT_FALSE(FindResource(tree_, 3, 30002).has_value());
}

TEST_F(PeLookup, AnyLanguageAnswersTheFirstInTreeOrder) {
  EXPECT_EQ(Text(*FindResource(tree_, "CUSTOM", "TWO")), Text(Fill(8, 7)));
}

}  // namespace
}  // namespace brantel::pe
