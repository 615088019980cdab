// The payload of the cross-built Brantel.exe, read the way the installer reads it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <regex>
#include <set>
#include <string>

#include "common/error.h"
#include "file_bytes.h"
#include "installer/catalogue.h"
#include "pe/pe_payload_store.h"
#include "pe/pe_resources.h"
#include "lookup_code.h"

namespace brantel {
namespace {

// The stand-in component files that the build packs, by catalogue name.
struct Expected {
  std::string_view name;
  std::size_t size;
};
constexpr Expected kSizes[] = {
    {"VBAME.DLL", 57344},      {"MSHFLXGD.OCX", 407104}, {"MSCOMCTL.OCX", 1062704},
    {"COMCTL32.OCX", 608448},  {"MSWINSCK.OCX", 108336}, {"COMDLG32.OCX", 140096},
    {"MSSTDFMT.DLL", 118784},  {"MSADODC.OCX", 118064},  {"MSDATGRD.OCX", 260920},
    {"MSCHRT20.OCX", 1008432}, {"MSCOMM32.OCX", 103744}, {"RICHTX32.OCX", 203576},
    {"MSINET.OCX", 115016},    {"MSFLXGRD.OCX", 244024},
};

class BuiltExe : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(BRANTEL_EXE)) {
      GTEST_SKIP() << "no cross-built installer at " BRANTEL_EXE;
    }
    store_ = std::make_unique<PeImagePayloadStore>(inspect::ReadFileBytes(BRANTEL_EXE));
  }
  std::unique_ptr<PeImagePayloadStore> store_;
};

TEST_F(BuiltExe, LetterCaseOfTypeAndNameDoesNotMatter) {
  const std::span<const std::uint8_t> asked = store_->ReadPayload("VBAME.DLL", "Custom");
  EXPECT_EQ(asked.size(), 57344u);
  for (const auto& [name, type] :
       {std::pair{"VBAME.DLL", "CUSTOM"}, std::pair{"vbame.dll", "custom"},
        std::pair{"vbame.dll", "Custom"}}) {
    const std::span<const std::uint8_t> entry = store_->ReadPayload(name, type);
    EXPECT_EQ(entry.data(), asked.data()) << name << " " << type;
    EXPECT_EQ(entry.size(), asked.size()) << name << " " << type;
  }
}

TEST_F(BuiltExe, EachCatalogueNameGivesItsWholeFile) {
  static_assert(std::size(kSizes) == kComponentNames.size());
  for (ComponentIndex i = 0; i < kComponentCount; ++i) {
    const std::string name = GetDllName(i);
    SCOPED_TRACE(name);
    ASSERT_EQ(name, kSizes[i].name);
    const std::span<const std::uint8_t> entry = store_->ReadPayload(name, "Custom");
    EXPECT_EQ(entry.size(), kSizes[i].size);
    // Each is a whole PE file of its own: "MZ" at the first byte.
    ASSERT_GE(entry.size(), 2u);
    EXPECT_EQ(entry[0], 'M');
    EXPECT_EQ(entry[1], 'Z');
  }
}

// The build packs the stand-ins from this folder unless it was given the real files.
TEST_F(BuiltExe, EntriesAreThePackedFilesByteForByte) {
  const std::string folder = BRANTEL_PACKED_DIR;
  if (!std::filesystem::exists(folder + "/" + std::string(kComponentNames[0]))) {
    GTEST_SKIP() << "no packed stand-ins at " << folder;
  }
  for (std::string_view name : kComponentNames) {
    SCOPED_TRACE(name);
    const std::vector<std::uint8_t> file = inspect::ReadFileBytes(folder + "/" + std::string(name));
    const std::span<const std::uint8_t> entry = store_->ReadPayload(name, "Custom");
    EXPECT_TRUE(std::equal(entry.begin(), entry.end(), file.begin(), file.end()));
  }
}

TEST_F(BuiltExe, NothingElseAnswers) {
  EXPECT_EQ(CodeOf(*store_, std::string(kNoComponent), "Custom"),
            error_code::kResourceNameNotFound);
  EXPECT_EQ(CodeOf(*store_, "VBAME", "Custom"), error_code::kResourceNameNotFound);
  EXPECT_EQ(CodeOf(*store_, "VBAME.DLL.", "Custom"), error_code::kResourceNameNotFound);
  EXPECT_EQ(CodeOf(*store_, "BRANTEL.EXE", "Custom"), error_code::kResourceNameNotFound);
  EXPECT_EQ(CodeOf(*store_, "VBAME.DLL", "RCDATA"), error_code::kResourceTypeNotFound);
  EXPECT_EQ(CodeOf(*store_, "VBAME.DLL", "CUSTOMS"), error_code::kResourceTypeNotFound);
  EXPECT_EQ(CodeOf(*store_, "VBAME.DLL", ""), error_code::kResourceTypeNotFound);
}

// The manifest asks for elevation and declares the program aware of the system's DPI, so that
// Windows lays it out at the display's scale rather than stretching a 96-dpi bitmap; it asks for
// nothing else (no common controls 6, no per-monitor awareness).
TEST(BuiltExeManifest, AsksForElevationAndSystemDpiAwarenessOnly) {
  if (!std::filesystem::exists(BRANTEL_EXE))
    GTEST_SKIP() << "no cross-built installer at " BRANTEL_EXE;
  const std::vector<std::uint8_t> image = inspect::ReadFileBytes(BRANTEL_EXE);
  const pe::ResourceTree tree = pe::ReadResourceTree(image);
  const auto manifest = pe::FindResource(tree, 24, 1);
  ASSERT_TRUE(manifest.has_value());
  const std::string text(manifest->begin(), manifest->end());
  EXPECT_NE(text.find(R"(<requestedExecutionLevel level="requireAdministrator")"),
            std::string::npos);
  EXPECT_NE(text.find(R"(<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">)"
                      "true</dpiAware>"),
            std::string::npos);
  std::set<std::string> elements;
  const std::regex tag("<([A-Za-z]+)");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), tag); it != std::sregex_iterator();
       ++it) {
    elements.insert((*it)[1]);
  }
  EXPECT_EQ(elements, (std::set<std::string>{"assembly", "trustInfo", "security",
                                             "requestedPrivileges", "requestedExecutionLevel",
                                             "application", "windowsSettings", "dpiAware"}));
}

}  // namespace
}  // namespace brantel
