#include "cyclonedx.h"

#include <ctime>
#include <nlohmann/json.hpp>

#include "name_uuid.h"

namespace brantel::inspect {
namespace {

using Json = nlohmann::ordered_json;

// Every property this tool adds is named under this prefix, so that they never clash with the
// names other tools use.
constexpr std::string_view kPropertyPrefix = "brantel:";

// The namespace of the documents' serial numbers; fixed, so that a document's serial number
// depends on its content alone.
constexpr std::array<std::uint8_t, 16> kSerialSpace = {
    0xf9, 0xf6, 0x04, 0xbf, 0x09, 0xd1, 0x4a, 0x21, 0x8c, 0xe4, 0x3a, 0xf4, 0x79, 0x6e, 0xe7, 0x3c};

// "-" is how ComponentFacts says a text is missing.
bool Known(const std::string& text) {
  return !text.empty() && text != "-";
}

Json Property(std::string_view name, const std::string& value) {
  return {{"name", std::string(kPropertyPrefix) + std::string(name)}, {"value", value}};
}

Json Sha256(const std::string& hex) {
  return Json::array({{{"alg", "SHA-256"}, {"content", hex}}});
}

// CompanyName names who made the file. CycloneDX 1.6 calls that the manufacturer, an
// organisation; the supplier is whoever delivered it to us, which the file cannot say, and
// `author` is deprecated in 1.6.
void AddManufacturer(Json& component, const std::string& company) {
  if (Known(company)) component["manufacturer"] = {{"name", company}};
}

Json Component(const ComponentFacts& facts) {
  Json component = {{"type", "file"}, {"bom-ref", "component:" + facts.name}, {"name", facts.name}};
  if (Known(facts.fileVersion)) component["version"] = facts.fileVersion;
  AddManufacturer(component, facts.companyName);
  component["hashes"] = Sha256(facts.sha256);
  Json properties = Json::array();
  properties.push_back(Property("OLESelfRegister", facts.oleSelfRegister ? "yes" : "no"));
  properties.push_back(Property("DllRegisterServer", RegisterServerText(facts)));
  if (!facts.note.empty()) properties.push_back(Property("note", facts.note));
  // One group for each signature, in the list's order: `signature`, then for a readable one its
  // `signer` and `signedDigest`. CycloneDX lets a property's name repeat.
  if (facts.signatures.empty()) properties.push_back(Property("signature", kNoSignature));
  for (const SignatureFacts& signature : facts.signatures) {
    properties.push_back(Property("signature", SignatureText(signature)));
    if (signature.state == SignatureFacts::State::kSigned) {
      properties.push_back(Property("signer", signature.signer));
      properties.push_back(Property("signedDigest", SignedDigestText(signature)));
    }
  }
  component["properties"] = std::move(properties);
  return component;
}

// Everything but the serial number and the time: what the serial number is made from.
Json Content(const std::optional<ProgramFacts>& program,
             const std::vector<ComponentFacts>& components) {
  Json metadata = Json::object();
  metadata["tools"] = {
      {"components", Json::array({{{"type", "application"}, {"name", "brantel-inspect"}}})}};
  if (program) {
    Json subject = {{"type", "application"}, {"bom-ref", "program"}, {"name", program->name}};
    if (Known(program->version)) subject["version"] = program->version;
    AddManufacturer(subject, program->manufacturer);
    subject["hashes"] = Sha256(program->sha256);
    metadata["component"] = std::move(subject);
  }
  Json listed = Json::array();
  for (const ComponentFacts& facts : components) listed.push_back(Component(facts));
  return {{"metadata", std::move(metadata)}, {"components", std::move(listed)}};
}

std::string Dump(const Json& document) {
  // Texts come from the files: invalid UTF-8 becomes U+FFFD rather than a broken document.
  return document.dump(2, ' ', false, Json::error_handler_t::replace);
}

}  // namespace

ProgramFacts DescribeProgram(const ComponentFacts& facts) {
  return {.name = Known(facts.productName) ? facts.productName : facts.name,
          .version = Known(facts.productVersion) ? facts.productVersion : facts.fileVersion,
          .manufacturer = facts.companyName,
          .sha256 = facts.sha256};
}

std::string FormatCycloneDx(const std::optional<ProgramFacts>& program,
                            const std::vector<ComponentFacts>& components,
                            const std::optional<std::string>& timestamp) {
  Json content = Content(program, components);
  Json document = {{"bomFormat", "CycloneDX"},
                   {"specVersion", "1.6"},
                   {"serialNumber", "urn:uuid:" + NameBasedUuid(kSerialSpace, Dump(content))},
                   {"version", 1}};
  Json metadata = Json::object();
  if (timestamp) metadata["timestamp"] = *timestamp;
  for (auto& [key, value] : content["metadata"].items()) metadata[key] = std::move(value);
  document["metadata"] = std::move(metadata);
  document["components"] = std::move(content["components"]);
  return Dump(document) + "\n";
}

std::optional<std::string> TimestampFromEpoch(const std::string& seconds) {
  if (seconds.empty() || seconds.size() > 12 ||
      seconds.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  const std::time_t when = static_cast<std::time_t>(std::stoll(seconds));
  std::tm utc{};
  if (gmtime_r(&when, &utc) == nullptr) return std::nullopt;
  char text[32];
  if (std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc) == 0) return std::nullopt;
  return text;
}

}  // namespace brantel::inspect
