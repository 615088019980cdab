// brantel-facts: what the cross build takes from the program's own sources and from the files it
// packs, written by code compiled from those same sources.
//   facts OUT                    the catalogue, the payload's resource type and language, the
//                                control ids, the status pictures and the icon's ids, as JSON
//   components FOLDER            the folder's component files as the build packs them: a line
//                                "component NAME PATH" for each, in catalogue order, and
//                                "unknown FILE" for each file the catalogue does not know; fails,
//                                saying why, when a component is missing or there twice, or a
//                                file cannot be the component (component_check.h)
//   bom ...                      the bill of materials, as brantel-inspect writes it
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "bom_command.h"
#include "component_check.h"
#include "component_folder.h"
#include "exit_status.h"
#include "file_bytes.h"
#include "installer/catalogue.h"
#include "installer/payload.h"
#include "resources/icon_ids.h"
#include "window/design.h"
#include "window/pictures.h"
#include "window/rows.h"

namespace {

using brantel::inspect::kFailed;

int Usage() {
  std::fputs(
      "usage: brantel-facts facts OUT\n"
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

// What the program's sources say that the build, the tests and `make run` need, as one JSON
// document: "catalogue", the components in catalogue order, each with its name and whether it
// registers itself; "payload", the resource type and language the components are packed under;
// "controls", each control's automation id (element i of an array has that id + i); "pictures",
// the carried sizes (the design size first), row 0's picture place in twips (left, top, width,
// height), the rows' pitch in twips, and in Picture's order each picture's box and its file at
// each size; "icon", the program icon's group id and image ids.
nlohmann::ordered_json Facts() {
  nlohmann::ordered_json facts;
  for (std::size_t i = 0; i < brantel::kComponentNames.size(); ++i) {
    facts["catalogue"].push_back(
        {{"name", brantel::kComponentNames[i]},
         {"selfRegistering",
          brantel::kComponentRegistrations[i] == brantel::Registration::kSelfRegistering}});
  }
  facts["payload"] = {{"type", brantel::kPayloadType}, {"language", brantel::kPayloadLanguage}};
  facts["controls"] = nlohmann::ordered_json::object();
  for (const brantel::ControlDesign& design : brantel::FrmMainControls()) {
    facts["controls"][std::string(design.label)] = brantel::ControlId(design.name);
  }
  const brantel::ControlDesign& place = brantel::DesignOf(brantel::kRowPicturePlace);
  nlohmann::ordered_json& pictures = facts["pictures"];
  pictures["sizes"] = brantel::kPictureSizes;
  pictures["place"] = {place.left, place.top, place.width, place.height};
  pictures["pitch"] = brantel::kRowPitch;
  for (std::size_t i = 0; i < brantel::kPictureCount; ++i) {
    const auto picture = static_cast<brantel::Picture>(i);
    nlohmann::ordered_json entry;
    for (const brantel::ControlDesign& design : brantel::FrmMainControls()) {
      if (design.picture == picture) entry["box"] = design.label;
    }
    for (const int size : brantel::kPictureSizes) {
      entry["files"].push_back(brantel::PictureFileName(picture, size));
    }
    pictures["pictures"].push_back(entry);
  }
  facts["icon"] = {
      {"group", BRANTEL_ICON_GROUP},
      {"images", {BRANTEL_ICON_MONO_32, BRANTEL_ICON_COLOUR_32, BRANTEL_ICON_COLOUR_16}}};
  return facts;
}

int WriteFacts(const char* out) {
  const std::string text = Facts().dump(2) + "\n";
  brantel::inspect::WriteFileBytes(out, {text.begin(), text.end()});
  return 0;
}

int Run(int argc, char** argv) {
  const std::string command = argv[1];
  if (argc == 3 && command == "facts") return WriteFacts(argv[2]);
  if (argc == 3 && command == "components") return ListComponents(argv[2]);
  if (command != "bom") return Usage();
  const auto request = brantel::inspect::ParseBomArguments({argv + 2, argv + argc});
  return request ? brantel::inspect::RunBom(*request) : Usage();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  return brantel::inspect::RunReportingFailures("brantel-facts", argv[2],
                                                [&] { return Run(argc, argv); });
}
