// The bill of materials: SHA-256, and what each component file says about itself.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "bom.h"
#include "cyclonedx.h"
#include "image_builder.h"
#include "layout_check.h"
#include "name_uuid.h"
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

ComponentFacts Facts(std::string product_name) {
  return {.name = "A.OCX",
          .size = 3,
          .sha256 = "00",
          .fileVersion = "1.0.0.0",
          .productName = std::move(product_name),
          .productVersion = "-",
          .companyName = "-",
          .oleSelfRegister = true,
          .exportsRegisterServer = std::nullopt,
          .note = "",
          .signatures = {}};
}

SignatureFacts Signed(std::string signer) {
  return {.state = SignatureFacts::State::kSigned,
          .problem = "",
          .signer = std::move(signer),
          .digestAlgorithm = "SHA256",
          .digestMatches = true,
          .signatureVerifies = true};
}

SignatureFacts Unreadable(std::string problem) {
  SignatureFacts facts;
  facts.problem = std::move(problem);
  return facts;
}

// Texts from the files reach lists and terminals escaped: a tab or a line break cannot break the
// list's shape, and no escape sequence can reach the terminal.
TEST(Bom, ControlCharactersInTextsAreEscaped) {
  ComponentFacts facts = Facts("one\ttwo\nthree\x1b[2J");
  facts.signatures = {Signed("CN=A\tB")};
  facts.signatures[0].digestMatches = false;
  facts.signatures[0].signatureVerifies = false;
  EXPECT_EQ(FormatBom({facts}),
            "name\tsize\tsha256\tfile version\tproduct name\tOLESelfRegister\t"
            "DllRegisterServer\tnote\tsignature\tsigner\tsigned digest\n"
            "A.OCX\t3\t00\t1.0.0.0\tone\\x09two\\x0Athree\\x1B[2J\tyes\t-\t-\t"
            "signature does not verify with the signer's certificate, chain not checked\t"
            "CN=A\\09B\tdoes not match (SHA256)\n");

  // Resource names as `list` and `check` print them: C1 controls, the controls that reorder
  // text, bytes that are no UTF-8 and the backslash too; other text stays as it is.
  EXPECT_EQ(FormatKey(pe::ResourceKey("\x1b]0;x\x07\u009b2J\u202e\\\xff\xc3\xa9")),
            "\"\\x1B]0;x\\x07\\u009B2J\\u202E\\\\\\xFF\xc3\xa9\"");
}

// Each signature has an entry in each of the three columns, in one order; a signer is written as
// RFC 2253 writes it, its controls as RFC 2253 escapes bytes, and the separator never appears in
// an entry.
TEST(Bom, EverySignatureInTheSignatureColumns) {
  ComponentFacts facts = Facts("x");
  facts.signatures = {Signed("CN=Test Publisher\\,O=Example"), Unreadable("not PKCS#7"),
                      Signed("CN=A|B\u009b\u202e\xff")};
  facts.signatures[2].digestAlgorithm = "SHA1";
  const std::string listed = FormatBom({facts});
  EXPECT_EQ(listed.substr(listed.find("\t-\t-\t") + 5),
            "signed, chain not checked | unreadable signature: not PKCS#7 | "
            "signed, chain not checked\t"
            "CN=Test Publisher\\,O=Example | - | CN=A\\7CB\\C2\\9B\\E2\\80\\AE\\FF\t"
            "matches (SHA256) | - | matches (SHA1)\n");
  EXPECT_TRUE(AnySignedAndIntact(facts.signatures));
  facts.signatures = {};
  EXPECT_NE(FormatBom({facts}).find("\tnone\t-\t-\n"), std::string::npos);
}

TEST(CycloneDx, NameBasedUuidIsVersionFive) {
  // uuid5(NAMESPACE_DNS, "python.org") as Python's uuid module computes it.
  const std::array<std::uint8_t, 16> dns = {0x6b, 0xa7, 0xb8, 0x10, 0x9d, 0xad, 0x11, 0xd1,
                                            0x80, 0xb4, 0x00, 0xc0, 0x4f, 0xd4, 0x30, 0xc8};
  EXPECT_EQ(NameBasedUuid(dns, "python.org"), "886313e1-3b8a-5372-9b90-0c9aee199e5d");
}

TEST(CycloneDx, HostileTextsStayValidJson) {
  ComponentFacts facts = Facts("-");
  facts.companyName = "say \"hi\" \\ \x01\x1f bad \xff\xfe \xed\xa0\x80 end";
  facts.note = "line\nbreak";
  const nlohmann::json document = nlohmann::json::parse(FormatCycloneDx({}, {facts}, {}));
  const nlohmann::json& component = document["components"][0];
  EXPECT_EQ(component["manufacturer"]["name"],
            "say \"hi\" \\ \x01\x1f bad \uFFFD\uFFFD \uFFFD\uFFFD\uFFFD end");
  EXPECT_EQ(component["properties"][2]["name"], "brantel:note");
  EXPECT_EQ(component["properties"][2]["value"], "line\nbreak");
  EXPECT_FALSE(document["metadata"].contains("component"));
}

// Each signature is a group of properties in the list's order, `signature` first; the signer
// as RFC 2253 writes it.
TEST(CycloneDx, EverySignatureIsAGroupOfProperties) {
  ComponentFacts facts = Facts("x");
  facts.signatures = {Signed("CN=Test Publisher\\,O=Example"), Unreadable("not PKCS#7"),
                      Signed("CN=B")};
  const nlohmann::json document = nlohmann::json::parse(FormatCycloneDx({}, {facts}, {}));
  std::string said;
  for (const nlohmann::json& property : document["components"][0]["properties"]) {
    said += property["name"].get<std::string>() + "=" + property["value"].get<std::string>() + ";";
  }
  EXPECT_EQ(said,
            "brantel:OLESelfRegister=yes;brantel:DllRegisterServer=-;"
            "brantel:signature=signed, chain not checked;"
            "brantel:signer=CN=Test Publisher\\,O=Example;brantel:signedDigest=matches (SHA256);"
            "brantel:signature=unreadable signature: not PKCS#7;"
            "brantel:signature=signed, chain not checked;brantel:signer=CN=B;"
            "brantel:signedDigest=matches (SHA256);");
}

TEST(CycloneDx, SameInputsSameBytes) {
  const ProgramFacts program{
      .name = "Brantel", .version = "1.00", .manufacturer = "-", .sha256 = "ab"};
  const std::string first = FormatCycloneDx(program, {Facts("x")}, "2023-11-14T22:13:20Z");
  EXPECT_EQ(first, FormatCycloneDx(program, {Facts("x")}, "2023-11-14T22:13:20Z"));
  const nlohmann::json document = nlohmann::json::parse(first);
  EXPECT_EQ(document["metadata"]["timestamp"], "2023-11-14T22:13:20Z");
  EXPECT_EQ(document["metadata"]["component"]["version"], "1.00");
  EXPECT_FALSE(document["metadata"]["component"].contains("manufacturer"));

  // The serial number follows the content, not the time.
  const nlohmann::json untimed = nlohmann::json::parse(FormatCycloneDx(program, {Facts("x")}, {}));
  EXPECT_FALSE(untimed["metadata"].contains("timestamp"));
  EXPECT_EQ(untimed["serialNumber"], document["serialNumber"]);
  ComponentFacts other = Facts("x");
  other.sha256 = "01";
  EXPECT_NE(nlohmann::json::parse(FormatCycloneDx(program, {other}, {}))["serialNumber"],
            document["serialNumber"]);

  EXPECT_EQ(TimestampFromEpoch("1700000000"), "2023-11-14T22:13:20Z");
  EXPECT_EQ(TimestampFromEpoch("17e8"), std::nullopt);
  EXPECT_EQ(TimestampFromEpoch(""), std::nullopt);
}

}  // namespace
}  // namespace brantel::inspect
