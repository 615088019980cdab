#include "bom.h"

#include "pe/pe_exports.h"
#include "pe/pe_resources.h"
#include "pe/pe_version.h"
#include "printable.h"
#include "sha256.h"

namespace brantel::inspect {
namespace {

constexpr std::uint32_t kVersionType = 16;

// Texts come from the files; a tab or a line break in them must not break the list's shape.
std::string Field(const std::string& text) {
  return text.empty() ? "-" : Printable(text);
}

// The separator of the signature columns' entries cannot appear in an entry: the texts are the
// list's own, and a signer writes a bar as RFC 2253 escapes any character.
std::string SignerField(const std::string& signer) {
  std::string field;
  for (const char c : PrintableDistinguishedName(signer)) {
    field += c == '|' ? std::string("\\7C") : std::string(1, c);
  }
  return field.empty() ? "-" : field;
}

// The three signature columns of a component's line.
std::string SignatureFields(const std::vector<SignatureFacts>& signatures) {
  if (signatures.empty()) return std::string(kNoSignature) + "\t-\t-";
  std::string texts;
  std::string signers;
  std::string digests;
  for (const SignatureFacts& signature : signatures) {
    const char* separator = texts.empty() ? "" : kSignatureSeparator;
    texts += separator + Field(SignatureText(signature));
    signers += separator + SignerField(signature.signer);
    digests += separator + SignedDigestText(signature);
  }
  return texts + "\t" + signers + "\t" + digests;
}

// What the component's own version resource says; a note where it has none or it is unreadable.
void AddVersionFacts(const pe::ResourceTree& resources, ComponentFacts& facts) {
  const pe::ResourceLeaf* version = nullptr;
  for (const pe::ResourceLeaf& leaf : resources) {
    if (version == nullptr && pe::KeyMatches(leaf.type, kVersionType)) version = &leaf;
  }
  if (version == nullptr) {
    facts.note = "no version resource";
    return;
  }
  const pe::VersionParse parsed = pe::ParseVersionInfo(version->data);
  if (parsed.error != pe::ErrorKind::kNone) {
    facts.note = pe::Describe(parsed.error);
    return;
  }
  const pe::VersionInfo& info = parsed.info;
  if (info.fileVersion) {
    const auto& v = *info.fileVersion;
    facts.fileVersion = std::to_string(v[0]) + "." + std::to_string(v[1]) + "." +
                        std::to_string(v[2]) + "." + std::to_string(v[3]);
  } else if (info.fileVersionText) {
    facts.fileVersion = *info.fileVersionText;
  }
  if (info.productName) facts.productName = *info.productName;
  if (info.productVersionText) facts.productVersion = *info.productVersionText;
  if (info.companyName) facts.companyName = *info.companyName;
  facts.oleSelfRegister = info.oleSelfRegister;
}

}  // namespace

ComponentFacts DescribeComponent(std::string_view name, std::span<const std::uint8_t> bytes) {
  ComponentFacts facts{.name = std::string(name),
                       .size = bytes.size(),
                       .sha256 = Sha256Hex(bytes),
                       .fileVersion = "-",
                       .productName = "-",
                       .productVersion = "-",
                       .companyName = "-",
                       .oleSelfRegister = false,
                       .exportsRegisterServer = std::nullopt,
                       .note = "",
                       .signatures = DescribeSignatures(bytes)};
  const pe::ResourceParse resources = pe::ParseResources(bytes);
  if (resources.error != pe::ErrorKind::kNone) {
    facts.note = pe::Describe(resources.error);
    return facts;
  }
  const pe::ExportLookup exports = pe::FindExport(bytes, "DllRegisterServer");
  if (exports.error == pe::ErrorKind::kNone) facts.exportsRegisterServer = exports.found;
  AddVersionFacts(resources.tree, facts);
  return facts;
}

std::string RegisterServerText(const ComponentFacts& facts) {
  if (!facts.exportsRegisterServer) return "-";
  return *facts.exportsRegisterServer ? "yes" : "no";
}

std::string FormatBom(const std::vector<ComponentFacts>& components) {
  std::string out =
      "name\tsize\tsha256\tfile version\tproduct name\tOLESelfRegister\tDllRegisterServer\t"
      "note\tsignature\tsigner\tsigned digest\n";
  for (const ComponentFacts& c : components) {
    out += Field(c.name) + "\t" + std::to_string(c.size) + "\t" + c.sha256 + "\t" +
           Field(c.fileVersion) + "\t" + Field(c.productName) + "\t" +
           (c.oleSelfRegister ? "yes" : "no") + "\t" + RegisterServerText(c) + "\t" +
           Field(c.note) + "\t" + SignatureFields(c.signatures) + "\n";
  }
  return out;
}

}  // namespace brantel::inspect
