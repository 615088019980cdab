#include <gtest/gtest.h>

#include <set>

#include "installer/catalogue.h"

namespace brantel {
namespace {

TEST(Catalogue, NamesEntriesInCatalogueOrder) {
  EXPECT_EQ(GetDllName(0), "VBAME.DLL");
  EXPECT_EQ(GetDllName(6), "MSSTDFMT.DLL");
  EXPECT_EQ(GetDllName(13), "MSFLXGRD.OCX");
}

TEST(Catalogue, AnyOtherIndexNamesNoComponent) {
  for (const ComponentIndex index : {14, 32767, -1, -32768}) {
    EXPECT_EQ(GetDllName(static_cast<ComponentIndex>(index)), "<<<<False>>>>") << index;
  }
}

TEST(Catalogue, NamesAreDistinctUpperCaseEightDotThree) {
  std::set<std::string> seen;
  int dlls = 0;
  for (ComponentIndex i = 0; i < kComponentCount; ++i) {
    const std::string name = GetDllName(i);
    EXPECT_TRUE(seen.insert(name).second) << name;
    const auto dot = name.find('.');
    ASSERT_NE(dot, std::string::npos) << name;
    EXPECT_LE(dot, 8u) << name;
    EXPECT_EQ(name.size() - dot, 4u) << name;
    for (const char c : name) EXPECT_FALSE(c >= 'a' && c <= 'z') << name;
    if (name.ends_with(".DLL")) ++dlls;
  }
  EXPECT_EQ(dlls, 2);
}

}  // namespace
}  // namespace brantel
