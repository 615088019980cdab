// `brantel-inspect check` must notice every way the installer's resources can go wrong.
#include <gtest/gtest.h>

#include <algorithm>

#include "installer/catalogue.h"
#include "layout_check.h"

namespace brantel::inspect {
namespace {

pe::ResourceLeaf Leaf(pe::ResourceKey type, pe::ResourceKey name, std::uint32_t language) {
  return {.type = std::move(type),
          .name = std::move(name),
          .language = language,
          .codePage = 1200,
          .reserved = 0,
          .rva = 0,
          .size = 0,
          .data = {}};
}

pe::ResourceTree SoundTree() {
  pe::ResourceTree tree;
  for (std::string_view name : kComponentNames) tree.push_back(Leaf("CUSTOM", name, 1065));
  for (std::uint32_t image : {30001u, 30002u, 30003u}) tree.push_back(Leaf(3, image, 0));
  tree.push_back(Leaf(14, 1, 0));
  tree.push_back(Leaf(16, 1, 1033));
  tree.push_back(Leaf(24, 1, 1033));
  return tree;
}

std::vector<std::string> FaultsAfter(void (*change)(pe::ResourceTree&)) {
  pe::ResourceTree tree = SoundTree();
  change(tree);
  return CheckInstallerResources(tree);
}

TEST(InstallerResourceCheck, SoundTreePasses) {
  EXPECT_EQ(CheckInstallerResources(SoundTree()), std::vector<std::string>{});
}

TEST(InstallerResourceCheck, PayloadFaults) {
  EXPECT_EQ(FaultsAfter([](pe::ResourceTree& t) { t.erase(t.begin() + 5); }),
            std::vector<std::string>{"missing entry \"CUSTOM\"/\"COMDLG32.OCX\""});
  EXPECT_EQ(FaultsAfter([](pe::ResourceTree& t) { t[0].language = 1033u; }),
            std::vector<std::string>{"\"CUSTOM\"/\"VBAME.DLL\" has language 1033, expected 1065"});
  EXPECT_EQ(FaultsAfter([](pe::ResourceTree& t) { t.push_back(Leaf("CUSTOM", "VBAME.DLL", 0)); }),
            (std::vector<std::string>{"\"CUSTOM\"/\"VBAME.DLL\" has language 0, expected 1065",
                                      "\"CUSTOM\"/\"VBAME.DLL\" has 2 languages, expected one"}));
  EXPECT_EQ(
      FaultsAfter([](pe::ResourceTree& t) { t.push_back(Leaf("CUSTOM", "EXTRA.DLL", 1065)); }),
      std::vector<std::string>{"unexpected entry \"CUSTOM\"/\"EXTRA.DLL\""});
  EXPECT_EQ(
      FaultsAfter([](pe::ResourceTree& t) { t.push_back(Leaf("CUSTOM", kNoComponent, 1065)); }),
      std::vector<std::string>{"unexpected entry \"CUSTOM\"/\"<<<<False>>>>\""});
}

TEST(InstallerResourceCheck, NamesAndTypesMustMatchLetterForLetter) {
  const std::vector<std::string> faults =
      FaultsAfter([](pe::ResourceTree& t) { t[0].name = pe::ResourceKey("VBAME.dll"); });
  EXPECT_EQ(faults, (std::vector<std::string>{"unexpected entry \"CUSTOM\"/\"VBAME.dll\"",
                                              "missing entry \"CUSTOM\"/\"VBAME.DLL\""}));

  pe::ResourceTree tree = SoundTree();
  for (pe::ResourceLeaf& leaf : tree) {
    if (leaf.type == pe::ResourceKey("CUSTOM")) leaf.type = pe::ResourceKey("Custom");
  }
  const std::vector<std::string> all = CheckInstallerResources(tree);
  // Fourteen entries of an unknown type, and fourteen missing.
  EXPECT_EQ(all.size(), 28u);
  EXPECT_EQ(all.front(), "unexpected type \"Custom\" (entry \"Custom\"/\"VBAME.DLL\")");
}

TEST(InstallerResourceCheck, ProgramResourceFaults) {
  EXPECT_EQ(FaultsAfter([](pe::ResourceTree& t) { t.push_back(Leaf(6, 1, 1033)); }),
            std::vector<std::string>{"unexpected type 6 (entry 6/1)"});
  EXPECT_EQ(FaultsAfter([](pe::ResourceTree& t) { t.push_back(Leaf(3, 30004, 0)); }),
            std::vector<std::string>{"unexpected entry 3/30004"});
  EXPECT_EQ(FaultsAfter([](pe::ResourceTree& t) { t.pop_back(); }),
            std::vector<std::string>{"missing entry 24/1"});
  // Icon group named where it should be numbered.
  EXPECT_EQ(FaultsAfter([](pe::ResourceTree& t) { t[17].name = pe::ResourceKey("1"); }),
            (std::vector<std::string>{"unexpected entry 14/\"1\"", "missing entry 14/1"}));
}

}  // namespace
}  // namespace brantel::inspect
