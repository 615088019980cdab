#include "bom_command.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <vector>

#include "bom.h"
#include "component_folder.h"
#include "cyclonedx.h"
#include "exit_status.h"
#include "file_bytes.h"
#include "installer/catalogue.h"
#include "installer/payload.h"
#include "pe/pe_resources.h"

namespace brantel::inspect {

namespace {

using Components = std::vector<std::vector<std::uint8_t>>;

// The fourteen components' bytes, in catalogue order, from a folder, matched as the build
// matches them.
std::optional<Components> ReadComponentFolder(const std::string& folder) {
  const ComponentFolder scan = ScanComponentFolder(folder);
  if (!scan.HoldsTheCatalogue()) {
    std::fprintf(stderr, "%s does not hold the catalogue's component files:%s\n", folder.c_str(),
                 scan.Problems().c_str());
    return std::nullopt;
  }
  Components contents;
  for (const std::string& path : scan.paths) contents.push_back(ReadFileBytes(path));
  return contents;
}

// The same, from the payload of a built installer's `image`.
std::optional<Components> ReadComponentPayload(const std::string& installer,
                                               std::span<const std::uint8_t> image) {
  const pe::ResourceParse parsed = pe::ParseResources(image);
  if (parsed.error != pe::ErrorKind::kNone) {
    std::fprintf(stderr, "%s: %s\n", installer.c_str(), pe::Describe(parsed.error));
    return std::nullopt;
  }
  Components contents;
  for (std::string_view name : kComponentNames) {
    const auto entry = pe::FindResource(parsed.tree, kPayloadType, name);
    if (!entry) {
      std::fprintf(stderr, "%s: no %s resource named %s\n", installer.c_str(),
                   std::string(kPayloadType).c_str(), std::string(name).c_str());
      return std::nullopt;
    }
    contents.emplace_back(entry->begin(), entry->end());
  }
  return contents;
}

// Names every component none of whose signatures is signed with a digest that matches it, with
// what each of its signatures says; fails if there is one.
int RequireSigned(const std::string& source, const std::vector<ComponentFacts>& facts) {
  std::string failing;
  for (const ComponentFacts& c : facts) {
    if (AnySignedAndIntact(c.signatures)) continue;
    std::string said = c.signatures.empty() ? "unsigned" : "";
    for (const SignatureFacts& signature : c.signatures) {
      const std::string digest = SignedDigestText(signature);
      said += (said.empty() ? "" : "; ") + SignatureText(signature) +
              (digest == "-" ? "" : ", digest " + digest);
    }
    failing += "\n  " + c.name + ": " + said;
  }
  if (failing.empty()) return 0;
  std::fprintf(stderr, "%s: components not signed with a digest that matches the file:%s\n",
               source.c_str(), failing.c_str());
  return kFailed;
}

}  // namespace

std::optional<BomRequest> ParseBomArguments(std::span<char* const> words) {
  BomRequest request;
  std::size_t at = 0;
  for (; at < words.size() && std::string_view(words[at]).starts_with("--"); ++at) {
    const std::string_view word = words[at];
    if (word == "--format" && at + 1 < words.size()) {
      request.format = words[++at];
    } else if (word == "--require-signed") {
      request.requireSigned = true;
    } else {
      return std::nullopt;
    }
  }
  const std::size_t rest = words.size() - at;
  const bool known_format = request.format == "tsv" || request.format == "cyclonedx";
  // A check of the signatures writes nothing but what fails it.
  if (!known_format || rest < 1 || rest > (request.requireSigned ? 1u : 2u)) return std::nullopt;
  request.source = words[at];
  if (rest == 2) request.out = words[at + 1];
  return request;
}

int RunBom(const BomRequest& request) {
  std::error_code error;
  const bool folder = std::filesystem::is_directory(request.source, error);
  // A built installer is read once: for its payload and, in the document, as its subject.
  const std::vector<std::uint8_t> program =
      folder ? std::vector<std::uint8_t>() : ReadFileBytes(request.source);
  const auto contents =
      folder ? ReadComponentFolder(request.source) : ReadComponentPayload(request.source, program);
  if (!contents) return kFailed;
  std::vector<ComponentFacts> facts;
  for (std::size_t i = 0; i < contents->size(); ++i) {
    facts.push_back(DescribeComponent(kComponentNames[i], (*contents)[i]));
  }
  if (request.requireSigned) return RequireSigned(request.source, facts);
  std::string text;
  if (request.format == "cyclonedx") {
    std::optional<ProgramFacts> subject;
    if (!folder) {
      const std::string name = std::filesystem::path(request.source).filename().string();
      subject = DescribeProgram(DescribeComponent(name, program));
    }
    std::optional<std::string> timestamp;
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
      timestamp = TimestampFromEpoch(epoch);
      if (!timestamp) {
        std::fprintf(stderr, "SOURCE_DATE_EPOCH is not a number of seconds: %s\n", epoch);
        return kFailed;
      }
    }
    text = FormatCycloneDx(subject, facts, timestamp);
  } else {
    text = FormatBom(facts);
  }
  if (!request.out) {
    std::fputs(text.c_str(), stdout);
    return 0;
  }
  WriteFileBytes(*request.out, {text.begin(), text.end()});
  return 0;
}

}  // namespace brantel::inspect
