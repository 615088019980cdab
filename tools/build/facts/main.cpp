// brantel-facts: what the cross build takes from the program's own sources and from the files it
// packs, written by code compiled from those same sources.
//   controls OUT                 the window's controls and their automation ids, "NAME ID" a line
//   pictures OUT                 the status pictures: their sizes, the place and pitch of the
//                                rows' pictures, and each picture's file name and picture box
//   components FOLDER            the folder's component files as the build packs them: a line
//                                "component NAME PATH" for each, in catalogue order, and
//                                "unknown FILE" for each file the catalogue does not know; fails,
//                                saying why, when a component is missing or there twice, or a
//                                file cannot be the component (component_check.h)
//   bom ...                      the bill of materials, as brantel-inspect writes it
#include <cstdio>
#include <fstream>
#include <string>

#include "bom_command.h"
#include "component_check.h"
#include "component_folder.h"
#include "exit_status.h"
#include "installer/catalogue.h"
#include "window/design.h"
#include "window/pictures.h"
#include "window/rows.h"

namespace {

using brantel::inspect::kFailed;

int Usage() {
  std::fputs(
      "usage: brantel-facts controls OUT\n"
      "       brantel-facts pictures OUT\n"
      "       brantel-facts components FOLDER\n"
      "       brantel-facts bom [--format tsv|cyclonedx] [--require-signed] FILE|FOLDER [OUT]\n",
      stderr);
  return brantel::inspect::kUsage;
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

int Run(int argc, char** argv) {
  const std::string command = argv[1];
  if (command == "bom") {
    const auto request = brantel::inspect::ParseBomArguments({argv + 2, argv + argc});
    return request ? brantel::inspect::RunBom(*request) : Usage();
  }
  if (argc != 3) return Usage();
  if (command == "controls") return Controls(argv[2]);
  if (command == "pictures") return Pictures(argv[2]);
  if (command == "components") return ListComponents(argv[2]);
  return Usage();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  return brantel::inspect::RunReportingFailures("brantel-facts", argv[2],
                                                [&] { return Run(argc, argv); });
}
