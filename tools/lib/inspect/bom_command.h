// The `bom` command, which a user runs with brantel-inspect and the build with brantel-facts: the
// bill of materials of the fourteen components, from a built installer or from a folder of
// component files.
#pragma once

#include <optional>
#include <span>
#include <string>

namespace brantel::inspect {

struct BomRequest {
  std::string format = "tsv";  // or "cyclonedx"
  bool requireSigned = false;
  std::string source;
  std::optional<std::string> out;
};

// The words after `bom`: [--format tsv|cyclonedx] [--require-signed] SOURCE [OUT]. Nothing when
// they are not a request; a check of the signatures takes no OUT.
std::optional<BomRequest> ParseBomArguments(std::span<char* const> words);

// Writes the list or the document to `out`, or to the standard output, or, for a check of the
// signatures, names every component that fails it. Returns the exit status.
int RunBom(const BomRequest& request);

}  // namespace brantel::inspect
