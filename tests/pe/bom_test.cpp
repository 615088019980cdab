// The bill of materials: SHA-256, and what each component file says about itself.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bom.h"
#include "image_builder.h"
#include "layout_check.h"
#include "sha256.h"

namespace brantel::inspect {
namespace {

std::vector<std::uint8_t> Of(const std::string& text) {
  return {text.begin(), text.end()};
}

TEST(Sha256, DigestIsWrittenAsLowerCaseHex) {
  EXPECT_EQ(Sha256Hex(Of("abc")),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(Bom, FileThatIsNoPeImage) {
  const ComponentFacts facts = DescribeComponent("VBAME.DLL", Of("not an image"));
  EXPECT_EQ(facts.size, 12u);
  EXPECT_EQ(facts.fileVersion, "-");
  EXPECT_EQ(facts.productName, "-");
  EXPECT_FALSE(facts.oleSelfRegister);
  EXPECT_FALSE(facts.exportsRegisterServer.has_value());
  EXPECT_EQ(facts.note, "PE image: truncated DOS header");
}

TEST(Bom, ImageWithoutVersionResource) {
  const auto section = pe::testing::BuildResourceSection({{u"CUSTOM", u"X", 1065, {1, 2}}});
  const ComponentFacts facts = DescribeComponent("X", pe::testing::BuildImage(section));
  EXPECT_EQ(facts.note, "no version resource");
  EXPECT_EQ(facts.fileVersion, "-");
  EXPECT_EQ(facts.exportsRegisterServer, false);
}

TEST(Bom, BrokenVersionResourceIsNamed) {
  const auto section = pe::testing::BuildResourceSection(
      {{std::uint16_t{16}, std::uint16_t{1}, 1033, {4, 0, 0, 0}}});
  const ComponentFacts facts = DescribeComponent("X", pe::testing::BuildImage(section));
  EXPECT_EQ(facts.note,
            "version resource: block length shorter than its header or past its parent");
}

// Texts from the files reach lists and terminals escaped: a tab or a line break cannot break the
// list's shape, and no escape sequence can reach the terminal.
TEST(Bom, ControlCharactersInTextsAreEscaped) {
  ComponentFacts facts{.name = "A.OCX",
                       .size = 3,
                       .sha256 = "00",
                       .fileVersion = "1.0.0.0",
                       .productName = "one\ttwo\nthree\x1b[2J",
                       .oleSelfRegister = true,
                       .exportsRegisterServer = std::nullopt,
                       .note = ""};
  EXPECT_EQ(FormatBom({facts}),
            "name\tsize\tsha256\tfile version\tproduct name\tOLESelfRegister\t"
            "DllRegisterServer\tnote\n"
            "A.OCX\t3\t00\t1.0.0.0\tone\\x09two\\x0Athree\\x1B[2J\tyes\t-\t-\n");

  // Resource names as `list` and `check` print them: C1 controls, the controls that reorder
  // text, bytes that are no UTF-8 and the backslash too; other text stays as it is.
  EXPECT_EQ(FormatKey(pe::ResourceKey("\x1b]0;x\x07\u009b2J\u202e\\\xff\xc3\xa9")),
            "\"\\x1B]0;x\\x07\\u009B2J\\u202E\\\\\\xFF\xc3\xa9\"");
}

}  // namespace
}  // namespace brantel::inspect
