// brantel-inspect: reads the resource section of a built installer without Windows.
//   list FILE                    one line per resource: type, name, language, code page, size
//   check FILE                   the payload and the program's own resources, nothing else
//   extract FILE TYPE NAME OUT   one resource's bytes to OUT; an all-digit TYPE or NAME is a number
#include <cstdio>
#include <cstring>
#include <string>

#include "common/error.h"
#include "file_bytes.h"
#include "pe/pe_resources.h"
#include "layout_check.h"

namespace {

using brantel::pe::ResourceKey;
using brantel::pe::ResourceTree;

constexpr int kFailed = 1;
constexpr int kUsage = 2;

int Usage() {
  std::fputs(
      "usage: brantel-inspect list FILE\n"
      "       brantel-inspect check FILE\n"
      "       brantel-inspect extract FILE TYPE NAME OUT\n",
      stderr);
  return kUsage;
}

ResourceKey KeyFromArgument(const std::string& text) {
  const bool number = !text.empty() && text.size() <= 5 &&
                      text.find_first_not_of("0123456789") == std::string::npos;
  if (number) return static_cast<std::uint32_t>(std::stoul(text));
  return std::string_view(text);
}

int List(const ResourceTree& tree) {
  for (const brantel::pe::ResourceLeaf& leaf : tree) {
    std::printf("%s %s %s %u %u\n", brantel::inspect::FormatKey(leaf.type).c_str(),
                brantel::inspect::FormatKey(leaf.name).c_str(),
                brantel::inspect::FormatKey(leaf.language).c_str(), leaf.code_page, leaf.size);
  }
  return 0;
}

int Check(const ResourceTree& tree, const char* path) {
  const std::vector<std::string> faults = brantel::inspect::CheckInstallerResources(tree);
  for (const std::string& fault : faults) std::printf("%s: %s\n", path, fault.c_str());
  if (!faults.empty()) return kFailed;
  std::printf("%s: resources as expected (%zu entries)\n", path, tree.size());
  return 0;
}

int Extract(const ResourceTree& tree, const std::string& type, const std::string& name,
            const std::string& out) {
  const auto entry = brantel::pe::FindResource(tree, KeyFromArgument(type), KeyFromArgument(name));
  if (!entry) {
    std::fprintf(stderr, "no resource of type %s named %s\n", type.c_str(), name.c_str());
    return kFailed;
  }
  if (!brantel::inspect::WriteFileBytes(out, {entry->begin(), entry->end()})) {
    std::fprintf(stderr, "cannot write %s\n", out.c_str());
    return kFailed;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string command = argv[1];
  const bool known = (command == "list" && argc == 3) || (command == "check" && argc == 3) ||
                     (command == "extract" && argc == 6);
  if (!known) return Usage();

  const auto image = brantel::inspect::ReadFileBytes(argv[2]);
  if (!image) {
    std::fprintf(stderr, "cannot read %s\n", argv[2]);
    return kFailed;
  }
  ResourceTree tree;
  try {
    tree = brantel::pe::ReadResourceTree(*image);
  } catch (const brantel::Error& error) {
    std::fprintf(stderr, "%s: %s\n", argv[2], error.what());
    return kFailed;
  }

  if (command == "list") return List(tree);
  if (command == "check") return Check(tree, argv[2]);
  return Extract(tree, argv[3], argv[4], argv[5]);
}
