// Each kind of broken image yields its own error and nothing is read outside the image.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/error.h"
#include "image_builder.h"
#include "pe/pe_certificates.h"
#include "pe/pe_exports.h"
#include "pe/pe_resources.h"

namespace brantel::pe {
namespace {

using testing::BuildImage;
using testing::Bytes;
using testing::ImageOptions;
using testing::OneResource;

// Language 1065 and the four bytes "abcd".
constexpr std::size_t kTreeSize = 0x60;

Bytes GoodTree() {
  Bytes tree = OneResource::Tree(1065, 4);
  tree.U32(OneResource::kData, 0x64636261);
  tree.Resize(kTreeSize);
  return tree;
}

ErrorKind ErrorOf(const std::vector<std::uint8_t>& image) {
  return ParseResources(image).error;
}

ErrorKind ErrorOfTree(const Bytes& tree, const ImageOptions& options = {}) {
  return ErrorOf(BuildImage(tree.data, options));
}

std::vector<std::uint8_t> GoodImage() {
  return BuildImage(GoodTree().data);
}

void Patch16(std::vector<std::uint8_t>& image, std::size_t offset, std::uint16_t value) {
  Bytes patch;
  patch.data = std::move(image);
  patch.U16(offset, value);
  image = std::move(patch.data);
}

void Patch32(std::vector<std::uint8_t>& image, std::size_t offset, std::uint32_t value) {
  Bytes patch;
  patch.data = std::move(image);
  patch.U32(offset, value);
  image = std::move(patch.data);
}

TEST(PeMalformed, GoodTreeIsTheBaseline) {
  const ResourceParse parsed = ParseResources(GoodImage());
  ASSERT_EQ(parsed.error, ErrorKind::kNone);
  ASSERT_EQ(parsed.tree.size(), 1u);
  EXPECT_EQ(parsed.tree[0].type, ResourceKey(10));
  EXPECT_EQ(parsed.tree[0].language, ResourceKey(1065));
  EXPECT_EQ(std::string(parsed.tree[0].data.begin(), parsed.tree[0].data.end()), "abcd");
}

// GoodImage() with the 16- or 32-bit field at `offset` set to `value`, or cut to `size` bytes.
ErrorKind ErrorWith16(std::size_t offset, std::uint16_t value) {
  std::vector<std::uint8_t> image = GoodImage();
  Patch16(image, offset, value);
  return ErrorOf(image);
}

ErrorKind ErrorWith32(std::size_t offset, std::uint32_t value) {
  std::vector<std::uint8_t> image = GoodImage();
  Patch32(image, offset, value);
  return ErrorOf(image);
}

ErrorKind ErrorCutTo(std::size_t size) {
  std::vector<std::uint8_t> image = GoodImage();
  image.resize(size);
  return ErrorOf(image);
}

TEST(PeMalformed, Headers) {
  EXPECT_EQ(ErrorOf({}), ErrorKind::kTruncatedDosHeader);
  EXPECT_EQ(ErrorCutTo(63), ErrorKind::kTruncatedDosHeader);
  EXPECT_EQ(ErrorWith16(0, 0x584D), ErrorKind::kBadDosSignature);  // "MX"
  const std::size_t image_size = GoodImage().size();
  EXPECT_EQ(ErrorWith32(0x3C, static_cast<std::uint32_t>(image_size - 2)), ErrorKind::kBadPeOffset);
  // Would wrap to a small offset if added in 32 bits.
  EXPECT_EQ(ErrorWith32(0x3C, 0xFFFFFFFE), ErrorKind::kBadPeOffset);
  EXPECT_EQ(ErrorWith16(testing::kPeOffset + 2, 1), ErrorKind::kBadPeSignature);
  EXPECT_EQ(ErrorCutTo(testing::kFileHeaderOffset + 19), ErrorKind::kTruncatedFileHeader);
}

TEST(PeMalformed, OptionalHeader) {
  const std::size_t size_field = testing::kFileHeaderOffset + 16;
  EXPECT_EQ(ErrorWith16(size_field, 0xFFFF), ErrorKind::kTruncatedOptionalHeader);
  // Too short to hold the count of data directories.
  EXPECT_EQ(ErrorWith16(size_field, 0x40), ErrorKind::kTruncatedOptionalHeader);
  // Holds the count, which promises a resource directory the header has no room for.
  EXPECT_EQ(ErrorWith16(size_field, 100), ErrorKind::kTruncatedOptionalHeader);
  EXPECT_EQ(ErrorWith16(testing::kOptionalHeaderOffset, 0x107), ErrorKind::kBadOptionalHeaderMagic);
}

TEST(PeMalformed, SectionTable) {
  const std::size_t section_table = testing::SectionTableOffset(false);
  EXPECT_EQ(ErrorWith16(testing::kFileHeaderOffset + 2, 0xFFFF), ErrorKind::kTruncatedSectionTable);
  EXPECT_EQ(ErrorCutTo(section_table + 39), ErrorKind::kTruncatedSectionTable);
  // PointerToRawData near 4 GiB: the section's bytes would wrap in 32-bit arithmetic.
  EXPECT_EQ(ErrorWith32(section_table + 20, 0xFFFFFFF0), ErrorKind::kSectionPastEnd);
  EXPECT_EQ(ErrorCutTo(GoodImage().size() - 1), ErrorKind::kSectionPastEnd);

  // The loader refuses sections out of order, and finding an address among them relies on it.
  std::vector<std::uint8_t> image = BuildImage(GoodTree().data, {.empty_sections_before = 1});
  EXPECT_EQ(ErrorOf(image), ErrorKind::kNone);
  Patch32(image, section_table + 12, testing::kSectionRva + 0x10);
  EXPECT_EQ(ErrorOf(image), ErrorKind::kSectionsOutOfOrder);
}

TEST(PeMalformed, ResourceRootOutsideSections) {
  EXPECT_EQ(ErrorOfTree(GoodTree(), {.resource_rva = 0x8000}),
            ErrorKind::kResourceRvaOutsideSections);
  EXPECT_EQ(ErrorOfTree(GoodTree(), {.resource_rva = 0x10}),
            ErrorKind::kResourceRvaOutsideSections);
}

TEST(PeMalformed, DirectoriesPastTheEnd) {
  Bytes tree = GoodTree();
  tree.U32(OneResource::kRootEntry + 4, 0x80000000 | (kTreeSize - 8));
  EXPECT_EQ(ErrorOfTree(tree), ErrorKind::kDirectoryPastEnd);

  tree = GoodTree();
  tree.U32(OneResource::kRootEntry + 4, 0xFFFFFFFF);
  EXPECT_EQ(ErrorOfTree(tree), ErrorKind::kDirectoryPastEnd);

  // The root itself needs 16 bytes; the section has 8.
  tree.Resize(8);
  EXPECT_EQ(ErrorOfTree(tree), ErrorKind::kDirectoryPastEnd);
}

TEST(PeMalformed, EntryCounts) {
  Bytes tree = GoodTree();
  tree.Directory(0, 0xFFFF, 0xFFFF);
  EXPECT_EQ(ErrorOfTree(tree), ErrorKind::kAbsurdEntryCount);

  // Eleven entries would fit in the section, but not after the root's header.
  tree = GoodTree();
  tree.Directory(0, 0, 11);
  EXPECT_EQ(ErrorOfTree(tree), ErrorKind::kEntryPastEnd);

  // The counts of all directories together are bounded too, not each one alone.
  tree = GoodTree();
  tree.Directory(0x30, 0, 11);
  EXPECT_EQ(ErrorOfTree(tree), ErrorKind::kAbsurdEntryCount);
}

TEST(PeMalformed, DirectoryLoops) {
  Bytes tree = GoodTree();
  tree.U32(OneResource::kRootEntry + 4, 0x80000000);  // the root lists itself
  EXPECT_EQ(ErrorOfTree(tree), ErrorKind::kDirectoryLoop);

  tree = GoodTree();
  tree.U32(OneResource::kTypeEntry + 4, 0x80000000);  // a type's names point back to the root
  EXPECT_EQ(ErrorOfTree(tree), ErrorKind::kDirectoryLoop);

  tree = GoodTree();
  // Below the language level no directory may follow, visited or not.
  tree.U32(OneResource::kNameEntry + 4, 0x80000018);
  EXPECT_EQ(ErrorOfTree(tree), ErrorKind::kTreeTooDeep);

  // Two types sharing one directory of names.
  Bytes shared;
  shared.Directory(0, 0, 2);
  shared.Entry(0x10, 10, 0x80000020);
  shared.Entry(0x18, 11, 0x80000020);
  shared.Directory(0x20, 0, 1);
  shared.Entry(0x30, 1, 0x80000038);
  shared.Directory(0x38, 0, 1);
  shared.Entry(0x48, 0, 0x50);
  shared.DataEntry(0x50, testing::kSectionRva, 4);
  EXPECT_EQ(ErrorOfTree(shared), ErrorKind::kDirectoryLoop);
}

TEST(PeMalformed, TreeShape) {
  Bytes tree = GoodTree();
  tree.U32(OneResource::kNameEntry + 4, 0x80000000 | OneResource::kDataEntry);  // a fourth level
  EXPECT_EQ(ErrorOfTree(tree), ErrorKind::kTreeTooDeep);

  tree = GoodTree();
  tree.U32(OneResource::kRootEntry + 4, OneResource::kDataEntry);  // data where the names should be
  EXPECT_EQ(ErrorOfTree(tree), ErrorKind::kDataEntryAboveLanguage);

  tree = GoodTree();
  tree.U32(OneResource::kTypeEntry + 4, OneResource::kDataEntry);
  EXPECT_EQ(ErrorOfTree(tree), ErrorKind::kDataEntryAboveLanguage);
}

TEST(PeMalformed, Names) {
  Bytes tree = GoodTree();
  tree.U32(OneResource::kRootEntry, 0x80000000 | (kTreeSize - 1));  // the length itself is cut off
  EXPECT_EQ(ErrorOfTree(tree), ErrorKind::kNamePastEnd);

  tree = GoodTree();
  tree.U32(OneResource::kTypeEntry, 0x80000000 | OneResource::kData);
  tree.U16(OneResource::kData, 4);  // four units promised, three present
  EXPECT_EQ(ErrorOfTree(tree), ErrorKind::kNamePastEnd);

  tree = GoodTree();
  tree.U32(OneResource::kTypeEntry, 0xFFFFFFFF);
  EXPECT_EQ(ErrorOfTree(tree), ErrorKind::kNamePastEnd);
}

TEST(PeMalformed, RepeatedNamesAreBounded) {
  // Six types all named by one string that fills most of the section: each name is legal, but
  // copying it into every leaf would cost far more than the section holds.
  constexpr std::size_t kTypes = 6;
  constexpr std::size_t kString = 0x400;
  Bytes tree;
  tree.Directory(0, kTypes, 0);
  for (std::size_t i = 0; i < kTypes; ++i) {
    const std::size_t names = 0x40 + i * 0x60;
    tree.Entry(0x10 + i * 8, 0x80000000 | kString, static_cast<std::uint32_t>(0x80000000 | names));
    tree.Directory(names, 0, 1);
    tree.Entry(names + 0x10, 1, static_cast<std::uint32_t>(0x80000000 | (names + 0x18)));
    tree.Directory(names + 0x18, 0, 1);
    tree.Entry(names + 0x28, 0, static_cast<std::uint32_t>(names + 0x30));
    tree.DataEntry(names + 0x30, testing::kSectionRva, 0);
  }
  tree.Name(kString, std::u16string(0x2000, u'x'));
  EXPECT_EQ(ErrorOfTree(tree), ErrorKind::kTreeLargerThanSection);

  // The same tree with one type is fine.
  tree.Directory(0, 1, 0);
  EXPECT_EQ(ErrorOfTree(tree), ErrorKind::kNone);
}

TEST(PeMalformed, DataEntries) {
  Bytes tree = GoodTree();
  tree.U32(OneResource::kNameEntry + 4, kTreeSize - 8);
  EXPECT_EQ(ErrorOfTree(tree), ErrorKind::kDataEntryPastEnd);

  tree = GoodTree();
  tree.U32(OneResource::kNameEntry + 4, 0x7FFFFFFF);
  EXPECT_EQ(ErrorOfTree(tree), ErrorKind::kDataEntryPastEnd);

  tree = GoodTree();
  tree.DataEntry(OneResource::kDataEntry, 0x9000, 4);
  EXPECT_EQ(ErrorOfTree(tree), ErrorKind::kDataOutsideSections);

  tree = GoodTree();
  tree.DataEntry(OneResource::kDataEntry, 0x10, 4);  // inside the headers, not a section
  EXPECT_EQ(ErrorOfTree(tree), ErrorKind::kDataOutsideSections);

  tree = GoodTree();
  tree.DataEntry(OneResource::kDataEntry, testing::kSectionRva + OneResource::kData, 9);
  EXPECT_EQ(ErrorOfTree(tree), ErrorKind::kDataPastEnd);

  // A size that wraps the RVA past 4 GiB back into the section in 32-bit arithmetic.
  tree = GoodTree();
  tree.DataEntry(OneResource::kDataEntry, testing::kSectionRva + OneResource::kData, 0xFFFFFFFF);
  EXPECT_EQ(ErrorOfTree(tree), ErrorKind::kDataPastEnd);

  // Bytes past VirtualSize are file padding, not part of the section.
  EXPECT_EQ(ErrorOfTree(GoodTree(), {.virtual_size = OneResource::kData + 2}),
            ErrorKind::kDataPastEnd);
}

TEST(PeMalformed, ThrowingFormCarriesTheKind) {
  std::vector<std::uint8_t> image = GoodImage();
  Patch32(image, testing::kSectionFileOffset + OneResource::kRootEntry + 4, 0x80000000);
  try {
    ReadResourceTree(image);
    FAIL() << "a looping tree was accepted";
  } catch (const Error& error) {
    EXPECT_EQ(error.code(), error_code::kBadFormat);
    EXPECT_STREQ(error.what(), Describe(ErrorKind::kDirectoryLoop));
  }
}

TEST(PeMalformed, EveryKindHasItsOwnText) {
  std::set<std::string> texts;
  const int last = static_cast<int>(kLastErrorKind);
  for (int kind = 0; kind <= last; ++kind) texts.insert(Describe(static_cast<ErrorKind>(kind)));
  EXPECT_EQ(texts.size(), static_cast<std::size_t>(last + 1));
}

}  // namespace
}  // namespace brantel::pe
