#include "layout_check.h"

#include <map>

#include "installer/catalogue.h"
#include "installer/payload.h"
#include "printable.h"
#include "resources/icon_ids.h"

namespace brantel::inspect {
namespace {

struct ExpectedType {
  pe::ResourceKey type;
  std::vector<pe::ResourceKey> names;
};

std::vector<ExpectedType> ExpectedTypes() {
  std::vector<pe::ResourceKey> payload;
  for (std::string_view name : kComponentNames) payload.emplace_back(name);
  return {
      {kPayloadType, payload},
      {3, {BRANTEL_ICON_MONO_32, BRANTEL_ICON_COLOUR_32, BRANTEL_ICON_COLOUR_16}},  // icon images
      {14, {BRANTEL_ICON_GROUP}},                                                   // icon group
      {16, {1}},                                                                    // version block
      {24, {1}},                                                                    // manifest
  };
}

std::string Entry(const pe::ResourceKey& type, const pe::ResourceKey& name) {
  return FormatKey(type) + "/" + FormatKey(name);
}

}  // namespace

std::string FormatKey(const pe::ResourceKey& key) {
  if (!key.isText) return std::to_string(key.id);
  // Built up in place: g++ 12 at -O2 warns falsely about "\"" + a temporary string.
  std::string quoted = "\"";
  quoted += Printable(key.text);
  quoted += '"';
  return quoted;
}

// Every expected entry is there, in exactly one language.
void CheckOneVariantEach(const std::vector<ExpectedType>& expected,
                         std::map<std::string, int>& variants, std::vector<std::string>& faults) {
  for (const ExpectedType& type : expected) {
    for (const pe::ResourceKey& name : type.names) {
      const std::string entry = Entry(type.type, name);
      const int count = variants[entry];
      if (count == 0) faults.push_back("missing entry " + entry);
      if (count > 1) {
        faults.push_back(entry + " has " + std::to_string(count) + " languages, expected one");
      }
    }
  }
}

std::vector<std::string> CheckInstallerResources(const pe::ResourceTree& tree) {
  const std::vector<ExpectedType> expected = ExpectedTypes();
  std::vector<std::string> faults;
  // Language variants found per expected entry, keyed by its printed form.
  std::map<std::string, int> variants;

  for (const pe::ResourceLeaf& leaf : tree) {
    const ExpectedType* type = nullptr;
    for (const ExpectedType& candidate : expected) {
      if (candidate.type == leaf.type) type = &candidate;
    }
    const std::string entry = Entry(leaf.type, leaf.name);
    if (type == nullptr) {
      faults.push_back("unexpected type " + FormatKey(leaf.type) + " (entry " + entry + ")");
      continue;
    }
    bool listed = false;
    for (const pe::ResourceKey& name : type->names) listed = listed || name == leaf.name;
    if (!listed) {
      faults.push_back("unexpected entry " + entry);
      continue;
    }
    ++variants[entry];
    if (type == &expected.front() && leaf.language != pe::ResourceKey(kPayloadLanguage)) {
      faults.push_back(entry + " has language " + FormatKey(leaf.language) + ", expected " +
                       std::to_string(kPayloadLanguage));
    }
  }

  CheckOneVariantEach(expected, variants, faults);
  return faults;
}

}  // namespace brantel::inspect
