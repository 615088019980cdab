// The version resource reader: what a component says about itself, read with bounded reads, and
// an error of its own for each broken part.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bytes/little_endian.h"
#include "pe/pe_version.h"

namespace brantel::pe {
namespace {

using Data = std::vector<std::uint8_t>;

void Pad4(Data& out) {
  while (out.size() % 4 != 0) out.push_back(0);
}

// A block as resource compilers write it; `value_length` counts UTF-16 units for a text (type 1)
// and bytes otherwise. Children start on a 4-byte boundary; the whole is padded to one as well.
Data Block(const std::string& key, std::uint16_t type, const Data& value,
           std::uint16_t value_length, const std::vector<Data>& children = {}) {
  Data out(6, 0);
  for (const char c : key) {
    out.push_back(static_cast<std::uint8_t>(c));
    out.push_back(0);
  }
  out.push_back(0);
  out.push_back(0);
  Pad4(out);
  out.insert(out.end(), value.begin(), value.end());
  for (const Data& child : children) {
    Pad4(out);
    out.insert(out.end(), child.begin(), child.end());
  }
  WriteU16At(out, 0, static_cast<std::uint16_t>(out.size()));
  WriteU16At(out, 2, value_length);
  WriteU16At(out, 4, type);
  Pad4(out);
  return out;
}

Data String(const std::string& key, const std::string& text) {
  Data value;
  for (const char c : text) {
    value.push_back(static_cast<std::uint8_t>(c));
    value.push_back(0);
  }
  value.push_back(0);
  value.push_back(0);
  return Block(key, 1, value, static_cast<std::uint16_t>(text.size() + 1));
}

Data FixedInfo(std::uint32_t signature = 0xFEEF04BD) {
  Data info(52, 0);
  const std::uint32_t words[] = {signature, 0x00010000, 0x00010002, 0x00030004};
  for (std::size_t i = 0; i < 4; ++i) {
    for (std::size_t b = 0; b < 4; ++b)
      info[4 * i + b] = static_cast<std::uint8_t>(words[i] >> 8 * b);
  }
  return info;
}

Data Version(const std::vector<Data>& strings, const Data& fixed = FixedInfo()) {
  const Data table = Block("040904B0", 1, {}, 0, strings);
  const Data string_info = Block("StringFileInfo", 1, {}, 0, {table});
  const Data var_info =
      Block("VarFileInfo", 1, {}, 0, {Block("Translation", 0, {0x09, 0x04, 0xB0, 0x04}, 4)});
  return Block("VS_VERSION_INFO", 0, fixed, static_cast<std::uint16_t>(fixed.size()),
               {string_info, var_info});
}

Data StandIn(bool self_register) {
  std::vector<Data> strings = {String("FileVersion", "1.0.0.0"),
                               String("ProductName", "Brantel test stand-ins")};
  if (self_register) strings.push_back(String("OLESelfRegister", ""));
  return Version(strings);
}

ErrorKind ErrorOf(const Data& data) {
  return ParseVersionInfo(data).error;
}

TEST(PeVersion, ReadsVersionProductAndSelfRegistration) {
  const VersionParse parsed = ParseVersionInfo(StandIn(true));
  ASSERT_EQ(parsed.error, ErrorKind::kNone);
  ASSERT_TRUE(parsed.info.fileVersion.has_value());
  EXPECT_EQ(*parsed.info.fileVersion, (std::array<std::uint16_t, 4>{1, 2, 3, 4}));
  EXPECT_EQ(parsed.info.fileVersionText, "1.0.0.0");
  EXPECT_EQ(parsed.info.productName, "Brantel test stand-ins");
  EXPECT_TRUE(parsed.info.oleSelfRegister);

  EXPECT_FALSE(ParseVersionInfo(StandIn(false)).info.oleSelfRegister);
}

TEST(PeVersion, WithoutFixedInfoOrStrings) {
  const VersionParse parsed = ParseVersionInfo(Version({}, {}));
  ASSERT_EQ(parsed.error, ErrorKind::kNone);
  EXPECT_FALSE(parsed.info.fileVersion.has_value());
  EXPECT_FALSE(parsed.info.productName.has_value());
  EXPECT_FALSE(parsed.info.oleSelfRegister);
}

TEST(PeVersion, TextLengthCountedInBytesIsCutAtTheBlock) {
  Data product = String("ProductName", "Widget");
  WriteU16At(product, 2, 0x7FFF);
  const VersionParse parsed = ParseVersionInfo(Version({product}));
  ASSERT_EQ(parsed.error, ErrorKind::kNone);
  EXPECT_EQ(parsed.info.productName, "Widget");
}

TEST(PeVersion, BrokenBlocks) {
  EXPECT_EQ(ErrorOf({}), ErrorKind::kTruncatedVersionBlock);
  EXPECT_EQ(ErrorOf({0x40}), ErrorKind::kTruncatedVersionBlock);

  Data data = StandIn(true);
  WriteU16At(data, 0, static_cast<std::uint16_t>(data.size() + 2));
  EXPECT_EQ(ErrorOf(data), ErrorKind::kBadVersionBlockLength);

  data = StandIn(true);
  WriteU16At(data, 0, 4);
  EXPECT_EQ(ErrorOf(data), ErrorKind::kBadVersionBlockLength);

  // A child that claims more than its parent holds.
  const Data table = Block("040904B0", 1, {}, 0, {String("ProductName", "Widget")});
  Data string_info = Block("StringFileInfo", 1, {}, 0, {table});
  WriteU16At(string_info, 36, 0x4000);  // the table's length; it starts at 36
  data = Block("VS_VERSION_INFO", 0, {}, 0, {string_info});
  EXPECT_EQ(ErrorOf(data), ErrorKind::kBadVersionBlockLength);
}

TEST(PeVersion, Keys) {
  Data data = Block("VS_VERSION_INFO", 0, {}, 0);
  data.resize(6 + 2 * 15);  // the key without its zero
  WriteU16At(data, 0, static_cast<std::uint16_t>(data.size()));
  EXPECT_EQ(ErrorOf(data), ErrorKind::kUnterminatedVersionKey);

  EXPECT_EQ(ErrorOf(Block("VS_VERSION_INFX", 0, FixedInfo(), 52)), ErrorKind::kBadVersionRootKey);
}

TEST(PeVersion, Values) {
  Data data = StandIn(true);
  WriteU16At(data, 2, 0x7FFF);  // a binary value larger than the block
  EXPECT_EQ(ErrorOf(data), ErrorKind::kVersionValuePastBlock);

  EXPECT_EQ(ErrorOf(Version({}, FixedInfo(0x12345678))), ErrorKind::kBadFixedFileInfo);
  EXPECT_EQ(ErrorOf(Block("VS_VERSION_INFO", 0, Data(20, 0), 20)), ErrorKind::kBadFixedFileInfo);
}

}  // namespace
}  // namespace brantel::pe
