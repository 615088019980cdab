// Draws the status pictures and the program icon and writes them as the files that the build
// embeds: OUT/pictures/*.bmp and OUT/icon/*. The output depends on nothing but this program, so
// the committed files can be checked against a fresh run.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "bmp.h"
#include "icon.h"
#include "pictures.h"
#include "resources/icon_ids.h"

namespace {

namespace fs = std::filesystem;
using brantel::resgen::Bytes;

bool WriteFile(const fs::path& path, const Bytes& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) {
    std::fprintf(stderr, "brantel-resgen: cannot write %s\n", path.string().c_str());
    return false;
  }
  return true;
}

bool MakeFolder(const fs::path& path) {
  std::error_code error;
  fs::create_directories(path, error);
  if (error) {
    std::fprintf(stderr, "brantel-resgen: cannot create %s: %s\n", path.string().c_str(),
                 error.message().c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace brantel::resgen;
  if (argc != 2) {
    std::fprintf(stderr, "usage: brantel-resgen OUTPUT_FOLDER\n");
    return 2;
  }
  const fs::path out = argv[1];
  const fs::path pictureFolder = out / "pictures";
  const fs::path iconFolder = out / "icon";
  if (!MakeFolder(pictureFolder) || !MakeFolder(iconFolder)) return 1;

  for (const NamedPicture& picture : DrawStatusPictures()) {
    if (!WriteFile(pictureFolder / picture.fileName, EncodeBmp(picture.canvas))) return 1;
  }

  const IconImage mono32 = DrawIcon(32, 1);
  const IconImage colour32 = DrawIcon(32, 4);
  const IconImage colour16 = DrawIcon(16, 4);
  const std::vector<IconGroupEntry> group{{&mono32, BRANTEL_ICON_MONO_32},
                                          {&colour32, BRANTEL_ICON_COLOUR_32},
                                          {&colour16, BRANTEL_ICON_COLOUR_16}};
  for (const IconGroupEntry& entry : group) {
    const std::string name = "image" + std::to_string(entry.resourceId) + ".bin";
    if (!WriteFile(iconFolder / name, EncodeIconImage(*entry.image))) return 1;
  }
  if (!WriteFile(iconFolder / ("group" + std::to_string(BRANTEL_ICON_GROUP) + ".bin"),
                 EncodeIconGroup(group)))
    return 1;
  if (!WriteFile(iconFolder / "brantel.ico", EncodeIcoFile(group))) return 1;
  return 0;
}
