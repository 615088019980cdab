#include "component_folder.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <string_view>

#include "common/ascii.h"
#include "common/joined.h"
#include "file_bytes.h"
#include "installer/catalogue.h"

namespace brantel::inspect {
std::string ComponentFolder::Problems() const {
  std::string text;
  if (!missing.empty()) {
    text += "\n  " + std::to_string(missing.size()) + " missing: " + Joined(missing, ", ");
  }
  for (const std::string& files : clashes) {
    text += "\n  more than one file, differing only in letter case: " + files;
  }
  return text;
}

ComponentFolder ScanComponentFolder(const std::string& folder) {
  namespace fs = std::filesystem;
  std::error_code error;
  std::vector<fs::path> files;
  // Stepped by hand: the loop form throws on an entry that cannot be read, mid-listing.
  for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
       entry.increment(error)) {
    std::error_code kind;
    if (entry->is_regular_file(kind)) files.push_back(entry->path());
  }
  if (error) throw FileError("cannot list " + folder + ": " + error.message());
  // Listed in name order, so that what is reported does not depend on the file system's order.
  std::ranges::sort(files);

  std::map<std::string, std::vector<std::string>> found;  // upper-case name -> paths
  ComponentFolder result;
  for (const fs::path& file : files) {
    const std::string name = file.filename().string();
    const std::string key = AsciiUppercase(name);
    if (std::ranges::find(kComponentNames, key) == kComponentNames.end()) {
      result.unknown.push_back(name);
    } else {
      found[key].push_back(file.string());
    }
  }
  for (const std::string_view name : kComponentNames) {
    const auto paths = found.find(std::string(name));
    if (paths == found.end()) {
      result.missing.emplace_back(name);
      result.paths.emplace_back();
    } else if (paths->second.size() > 1) {
      std::string names;
      for (const std::string& path : paths->second) {
        names += (names.empty() ? "" : " and ") + fs::path(path).filename().string();
      }
      result.clashes.push_back(names);
      result.paths.emplace_back();
    } else {
      result.paths.push_back(paths->second.front());
    }
  }
  return result;
}

}  // namespace brantel::inspect
