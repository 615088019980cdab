// brantel-inspect: reads the resource section and certificate table of a built installer without
// Windows.
//   list FILE                    one line per resource: type, name, language, code page, size;
//                                then the certificate table and its entries
//   check FILE                   the payload and the program's own resources, nothing else, and a
//                                sound certificate table if there is one
//   extract FILE TYPE NAME OUT   one resource's bytes to OUT; an all-digit TYPE or NAME is a number
//   controls OUT                 the window's controls and their automation ids, "NAME ID" a line
//   pictures OUT                 the status pictures: their sizes, the place and pitch of the
//                                rows' pictures, and each picture's file name and picture box
//   components FOLDER            the folder's component files as the build packs them: a line
//                                "component NAME PATH" for each, in catalogue order, and
//                                "unknown FILE" for each file the catalogue does not know; fails,
//                                saying why, when a component is missing or there twice, or a
//                                file cannot be the component (component_check.h)
//   bom [--format F] SOURCE [OUT]
//                                the bill of materials of the fourteen components, from a built
//                                installer or from a folder of component files; to OUT if given;
//                                F is tsv (the list, by default) or cyclonedx (CycloneDX JSON)
//   bom --require-signed SOURCE  fails, naming them, if some component has no signature that
//                                verifies with a signed digest that matches it
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "bom.h"
#include "component_check.h"
#include "component_folder.h"
#include "cyclonedx.h"
#include "common/error.h"
#include "file_bytes.h"
#include "installer/catalogue.h"
#include "installer/install_run.h"
#include "layout_check.h"
#include "pe/pe_certificates.h"
#include "pe/pe_resources.h"
#include "window/design.h"
#include "window/pictures.h"
#include "window/rows.h"

namespace {

using brantel::pe::ResourceKey;
using brantel::pe::ResourceTree;

constexpr int kFailed = 1;
constexpr int kUsage = 2;

int Usage() {
  std::fputs(
      "usage: brantel-inspect list FILE\n"
      "       brantel-inspect check FILE\n"
      "       brantel-inspect extract FILE TYPE NAME OUT\n"
      "       brantel-inspect bom [--format tsv|cyclonedx] FILE|FOLDER [OUT]\n"
      "       brantel-inspect bom --require-signed FILE|FOLDER\n"
      "       brantel-inspect controls OUT\n"
      "       brantel-inspect pictures OUT\n"
      "       brantel-inspect components FOLDER\n",
      stderr);
  return kUsage;
}

ResourceKey KeyFromArgument(const std::string& text) {
  const bool number = !text.empty() && text.size() <= 5 &&
                      text.find_first_not_of("0123456789") == std::string::npos;
  if (number) return static_cast<std::uint32_t>(std::stoul(text));
  return std::string_view(text);
}

const char* RevisionName(std::uint16_t revision) {
  switch (revision) {
    case 0x0100:
      return "1.0";
    case 0x0200:
      return "2.0";
  }
  return "unknown";
}

const char* CertificateTypeName(std::uint16_t type) {
  switch (type) {
    case 1:
      return "X.509";
    case 2:
      return "PKCS#7 SignedData";
    case 3:
      return "reserved";
    case 4:
      return "terminal server protocol stack";
  }
  return "unknown";
}

int List(const ResourceTree& tree, const brantel::pe::CertificateParse& certificates,
         const char* path) {
  for (const brantel::pe::ResourceLeaf& leaf : tree) {
    std::printf("%s %s %s %u %u\n", brantel::inspect::FormatKey(leaf.type).c_str(),
                brantel::inspect::FormatKey(leaf.name).c_str(),
                brantel::inspect::FormatKey(leaf.language).c_str(), leaf.codePage, leaf.size);
  }
  if (certificates.error != brantel::pe::ErrorKind::kNone) {
    std::fprintf(stderr, "%s: %s\n", path, brantel::pe::Describe(certificates.error));
    return kFailed;
  }
  const brantel::pe::CertificateTable& table = certificates.table;
  if (!table.present) {
    std::printf("certificate table: none\n");
    return 0;
  }
  std::printf("certificate table: offset %u, %u bytes, %zu %s\n", table.offset, table.size,
              table.entries.size(), table.entries.size() == 1 ? "entry" : "entries");
  for (std::size_t i = 0; i < table.entries.size(); ++i) {
    const brantel::pe::CertificateEntry& entry = table.entries[i];
    std::printf("certificate %zu: revision 0x%04x (%s), type 0x%04x (%s), %u bytes\n", i,
                entry.revision, RevisionName(entry.revision), entry.type,
                CertificateTypeName(entry.type), entry.length);
  }
  return 0;
}

int Check(const ResourceTree& tree, const brantel::pe::CertificateParse& certificates,
          const char* path) {
  std::vector<std::string> faults = brantel::inspect::CheckInstallerResources(tree);
  if (certificates.error != brantel::pe::ErrorKind::kNone) {
    faults.emplace_back(brantel::pe::Describe(certificates.error));
  }
  for (const std::string& fault : faults) std::printf("%s: %s\n", path, fault.c_str());
  if (!faults.empty()) return kFailed;
  std::printf("%s: resources as expected (%zu entries), %s\n", path, tree.size(),
              certificates.table.present ? "certificate table sound" : "no certificate table");
  return 0;
}

using Components = std::vector<std::vector<std::uint8_t>>;

// The fourteen components' bytes, in catalogue order, from a folder, matched as the build
// matches them.
std::optional<Components> ReadComponentFolder(const std::string& folder) {
  const brantel::inspect::ComponentFolder scan = brantel::inspect::ScanComponentFolder(folder);
  if (!scan.HoldsTheCatalogue()) {
    std::fprintf(stderr, "%s does not hold the catalogue's component files:%s\n", folder.c_str(),
                 scan.Problems().c_str());
    return std::nullopt;
  }
  Components contents;
  for (const std::string& path : scan.paths) {
    contents.push_back(brantel::inspect::ReadFileBytes(path));
  }
  return contents;
}

// The build's list of the files it packs, with the tab as the separator, since paths may hold
// spaces. Only what keeps the folder from being packed goes to the error output, all of it at
// once: the folder's mistakes, then every refused file.
int ListComponents(const char* folder) {
  const brantel::inspect::ComponentFolder scan = brantel::inspect::ScanComponentFolder(folder);
  std::string problems = scan.Problems();
  for (const std::string& refusal : brantel::inspect::RefusedComponents(scan)) {
    problems += "\n  " + refusal;
  }
  if (!problems.empty()) {
    std::fputs(problems.c_str(), stderr);
    return kFailed;
  }
  for (std::size_t i = 0; i < scan.paths.size(); ++i) {
    std::printf("component\t%s\t%s\n", std::string(brantel::kComponentNames[i]).c_str(),
                scan.paths[i].c_str());
  }
  for (const std::string& name : scan.unknown) std::printf("unknown\t%s\n", name.c_str());
  return std::fflush(stdout) == 0 ? 0 : kFailed;
}

// The same, from the payload of a built installer's `image`.
std::optional<Components> ReadComponentPayload(const std::string& installer,
                                               std::span<const std::uint8_t> image) {
  const brantel::pe::ResourceParse parsed = brantel::pe::ParseResources(image);
  if (parsed.error != brantel::pe::ErrorKind::kNone) {
    std::fprintf(stderr, "%s: %s\n", installer.c_str(), brantel::pe::Describe(parsed.error));
    return std::nullopt;
  }
  Components contents;
  for (std::string_view name : brantel::kComponentNames) {
    const auto entry = brantel::pe::FindResource(parsed.tree, brantel::kPayloadType, name);
    if (!entry) {
      std::fprintf(stderr, "%s: no %s resource named %s\n", installer.c_str(),
                   std::string(brantel::kPayloadType).c_str(), std::string(name).c_str());
      return std::nullopt;
    }
    contents.emplace_back(entry->begin(), entry->end());
  }
  return contents;
}

// Closes a list written to `out`, and fails with a message if any of it was not written.
int Closed(std::ofstream& file, const char* out) {
  file.close();
  if (file) return 0;
  std::fprintf(stderr, "cannot write %s\n", out);
  return kFailed;
}

// The window's controls and the identifiers automation finds them by, one "NAME ID" line each.
int Controls(const char* out) {
  std::ofstream file(out);
  for (const brantel::ControlDesign& design : brantel::FrmMainControls()) {
    file << design.label << ' ' << brantel::ControlId(design.name) << '\n';
  }
  return Closed(file, out);
}

// The status pictures, for the build that embeds their files and for automation that finds them
// on the screen: "sizes" with every carried size, the design size first; "place" with row 0's
// picture place in twips (left, top, width, height); "pitch" with the rows' pitch in twips; then
// one "picture BOX FILE..." line per picture in Picture's order: the picture box showing it and
// its file at each size, in the order of "sizes".
int Pictures(const char* out) {
  std::ofstream file(out);
  file << "sizes";
  for (const int size : brantel::kPictureSizes) file << ' ' << size;
  const brantel::ControlDesign& place = brantel::DesignOf(brantel::kRowPicturePlace);
  file << "\nplace " << place.left << ' ' << place.top << ' ' << place.width << ' ' << place.height
       << "\npitch " << brantel::kRowPitch << '\n';
  for (std::size_t i = 0; i < brantel::kPictureCount; ++i) {
    const auto picture = static_cast<brantel::Picture>(i);
    file << "picture";
    for (const brantel::ControlDesign& design : brantel::FrmMainControls()) {
      if (design.picture == picture) file << ' ' << design.label;
    }
    for (const int size : brantel::kPictureSizes) {
      file << ' ' << brantel::PictureFileName(picture, size);
    }
    file << '\n';
  }
  return Closed(file, out);
}

struct BomRequest {
  std::string format = "tsv";
  bool requireSigned = false;
  std::string source;
  const char* out = nullptr;
};

// bom [--format tsv|cyclonedx] [--require-signed] SOURCE [OUT]
std::optional<BomRequest> ParseBomArguments(int argc, char** argv) {
  BomRequest request;
  int at = 2;
  for (; at < argc && std::strncmp(argv[at], "--", 2) == 0; ++at) {
    if (std::strcmp(argv[at], "--format") == 0 && at + 1 < argc) {
      request.format = argv[++at];
    } else if (std::strcmp(argv[at], "--require-signed") == 0) {
      request.requireSigned = true;
    } else {
      return std::nullopt;
    }
  }
  const int rest = argc - at;
  const bool known_format = request.format == "tsv" || request.format == "cyclonedx";
  // A check of the signatures writes nothing but what fails it.
  if (!known_format || rest < 1 || rest > (request.requireSigned ? 1 : 2)) return std::nullopt;
  request.source = argv[at];
  if (rest == 2) request.out = argv[at + 1];
  return request;
}

// Names every component none of whose signatures is signed with a digest that matches it, with
// what each of its signatures says; fails if there is one.
int RequireSigned(const std::string& source,
                  const std::vector<brantel::inspect::ComponentFacts>& facts) {
  std::string failing;
  for (const brantel::inspect::ComponentFacts& c : facts) {
    if (brantel::inspect::AnySignedAndIntact(c.signatures)) continue;
    std::string said = c.signatures.empty() ? "unsigned" : "";
    for (const brantel::inspect::SignatureFacts& signature : c.signatures) {
      const std::string digest = brantel::inspect::SignedDigestText(signature);
      said += (said.empty() ? "" : "; ") + brantel::inspect::SignatureText(signature) +
              (digest == "-" ? "" : ", digest " + digest);
    }
    failing += "\n  " + c.name + ": " + said;
  }
  if (failing.empty()) return 0;
  std::fprintf(stderr, "%s: components not signed with a digest that matches the file:%s\n",
               source.c_str(), failing.c_str());
  return kFailed;
}

int Bom(const BomRequest& request) {
  std::error_code error;
  const bool folder = std::filesystem::is_directory(request.source, error);
  // A built installer is read once: for its payload and, in the document, as its subject.
  const std::vector<std::uint8_t> program =
      folder ? std::vector<std::uint8_t>() : brantel::inspect::ReadFileBytes(request.source);
  const auto contents =
      folder ? ReadComponentFolder(request.source) : ReadComponentPayload(request.source, program);
  if (!contents) return kFailed;
  std::vector<brantel::inspect::ComponentFacts> facts;
  for (std::size_t i = 0; i < contents->size(); ++i) {
    facts.push_back(
        brantel::inspect::DescribeComponent(brantel::kComponentNames[i], (*contents)[i]));
  }
  if (request.requireSigned) return RequireSigned(request.source, facts);
  std::string text;
  if (request.format == "cyclonedx") {
    std::optional<brantel::inspect::ProgramFacts> subject;
    if (!folder) {
      const std::string name = std::filesystem::path(request.source).filename().string();
      subject =
          brantel::inspect::DescribeProgram(brantel::inspect::DescribeComponent(name, program));
    }
    std::optional<std::string> timestamp;
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
      timestamp = brantel::inspect::TimestampFromEpoch(epoch);
      if (!timestamp) {
        std::fprintf(stderr, "SOURCE_DATE_EPOCH is not a number of seconds: %s\n", epoch);
        return kFailed;
      }
    }
    text = brantel::inspect::FormatCycloneDx(subject, facts, timestamp);
  } else {
    text = brantel::inspect::FormatBom(facts);
  }
  if (request.out == nullptr) {
    std::fputs(text.c_str(), stdout);
    return 0;
  }
  brantel::inspect::WriteFileBytes(request.out, {text.begin(), text.end()});
  return 0;
}

int Extract(const ResourceTree& tree, const std::string& type, const std::string& name,
            const std::string& out) {
  const auto entry = brantel::pe::FindResource(tree, KeyFromArgument(type), KeyFromArgument(name));
  if (!entry) {
    std::fprintf(stderr, "no resource of type %s named %s\n", type.c_str(), name.c_str());
    return kFailed;
  }
  brantel::inspect::WriteFileBytes(out, {entry->begin(), entry->end()});
  return 0;
}

int Run(int argc, char** argv) {
  const std::string command = argv[1];
  if (command == "bom") {
    const auto request = ParseBomArguments(argc, argv);
    return request ? Bom(*request) : Usage();
  }
  if (command == "controls") return Controls(argv[2]);
  if (command == "pictures") return Pictures(argv[2]);
  if (command == "components") return ListComponents(argv[2]);

  const std::vector<std::uint8_t> image = brantel::inspect::ReadFileBytes(argv[2]);
  ResourceTree tree;
  try {
    tree = brantel::pe::ReadResourceTree(image);
  } catch (const brantel::Error& error) {
    std::fprintf(stderr, "%s: %s\n", argv[2], error.what());
    return kFailed;
  }

  const brantel::pe::CertificateParse certificates = brantel::pe::ParseCertificates(image);
  if (command == "list") return List(tree, certificates, argv[2]);
  if (command == "check") return Check(tree, certificates, argv[2]);
  return Extract(tree, argv[3], argv[4], argv[5]);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string command = argv[1];
  const bool known =
      (command == "list" && argc == 3) || (command == "check" && argc == 3) ||
      (command == "extract" && argc == 6) || command == "bom" ||
      ((command == "controls" || command == "pictures" || command == "components") && argc == 3);
  if (!known) return Usage();
  // Whatever a file does to the reading of it ends here with a message and a failure, never an
  // abort that leaves the caller guessing.
  try {
    return Run(argc, argv);
  } catch (const brantel::inspect::FileError& failure) {
    std::fprintf(stderr, "%s\n", failure.what());
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "brantel-inspect: out of memory reading %s\n", argv[2]);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "brantel-inspect: %s\n", failure.what());
  }
  return kFailed;
}
