#pragma once

#include <string>
#include <vector>

namespace brantel::inspect {

// A folder of component files, matched to the catalogue as the build packs it: by name without
// regard to letter case, files only.
struct ComponentFolder {
  std::vector<std::string> paths;    // in catalogue order; empty where no one file supplies it
  std::vector<std::string> missing;  // catalogue names no file has
  // For each catalogue name that more than one file has, those files' names: "A and a".
  std::vector<std::string> clashes;
  std::vector<std::string> unknown;  // file names the catalogue does not know

  bool HoldsTheCatalogue() const { return missing.empty() && clashes.empty(); }
  // What keeps the folder from being packed, one indented line each; empty when nothing does.
  std::string Problems() const;
};

// Throws FileError when the folder cannot be listed.
ComponentFolder ScanComponentFolder(const std::string& folder);

}  // namespace brantel::inspect
