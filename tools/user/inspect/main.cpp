// brantel-inspect: reads the resource section and certificate table of a built installer without
// Windows.
//   list FILE                    one line per resource: type, name, language, code page, size;
//                                then the certificate table and its entries
//   check FILE                   the payload and the program's own resources, nothing else, and a
//                                sound certificate table if there is one
//   extract FILE TYPE NAME OUT   one resource's bytes to OUT; an all-digit TYPE or NAME is a number
//   bom [--format F] SOURCE [OUT]
//                                the bill of materials of the fourteen components, from a built
//                                installer or from a folder of component files; to OUT if given;
//                                F is tsv (the list, by default) or cyclonedx (CycloneDX JSON)
//   bom --require-signed SOURCE  fails, naming them, if some component has no signature that
//                                verifies with a signed digest that matches it
#include <array>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "bom_command.h"
#include "common/error.h"
#include "exit_status.h"
#include "file_bytes.h"
#include "layout_check.h"
#include "pe/pe_certificates.h"
#include "pe/pe_resources.h"

namespace {

using brantel::inspect::kFailed;
using brantel::pe::ResourceKey;
using brantel::pe::ResourceTree;

int Usage() {
  std::fputs(
      "usage: brantel-inspect list FILE\n"
      "       brantel-inspect check FILE\n"
      "       brantel-inspect extract FILE TYPE NAME OUT\n"
      "       brantel-inspect bom [--format tsv|cyclonedx] FILE|FOLDER [OUT]\n"
      "       brantel-inspect bom --require-signed FILE|FOLDER\n",
      stderr);
  return brantel::inspect::kUsage;
}

ResourceKey KeyFromArgument(const std::string& text) {
  const bool number = !text.empty() && text.size() <= 5 &&
                      text.find_first_not_of("0123456789") == std::string::npos;
  if (number) return static_cast<std::uint32_t>(std::stoul(text));
  return std::string_view(text);
}

struct Named {
  std::uint16_t value;
  const char* name;
};

constexpr std::array kRevisions{Named{0x0100, "1.0"}, Named{0x0200, "2.0"}};
constexpr std::array kCertificateTypes{Named{1, "X.509"}, Named{2, "PKCS#7 SignedData"},
                                       Named{3, "reserved"},
                                       Named{4, "terminal server protocol stack"}};

const char* NameOf(std::span<const Named> names, std::uint16_t value) {
  for (const Named& named : names) {
    if (named.value == value) return named.name;
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
                entry.revision, NameOf(kRevisions, entry.revision), entry.type,
                NameOf(kCertificateTypes, entry.type), entry.length);
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
    const auto request = brantel::inspect::ParseBomArguments({argv + 2, argv + argc});
    return request ? brantel::inspect::RunBom(*request) : Usage();
  }

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
  const bool known = (command == "list" && argc == 3) || (command == "check" && argc == 3) ||
                     (command == "extract" && argc == 6) || command == "bom";
  if (!known) return Usage();
  return brantel::inspect::RunReportingFailures("brantel-inspect", argv[2],
                                                [&] { return Run(argc, argv); });
}
