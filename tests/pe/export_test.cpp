// The export name lookup that tells whether a component lists DllRegisterServer: bounded by the
// sections, an error of its own for each broken part. Then what the build refuses as a component,
// in the words it uses.
#include <gtest/gtest.h>

#include <string>

#include "component_check.h"
#include "image_builder.h"
#include "pe/pe_exports.h"

namespace brantel::pe {
namespace {

using testing::BuildImage;
using testing::Bytes;
using testing::kSectionRva;

// One section at kSectionRva: the export directory at 0x00, its name table at 0x40 with two
// entries, the names at 0x50 ("DllMain") and 0x60 ("DllRegisterServer"); 0x80 bytes in all.
constexpr std::size_t kNameTable = 0x40;
constexpr std::size_t kSectionSize = 0x80;

Bytes Section() {
  Bytes section;
  section.Resize(kSectionSize);
  section.U32(24, 2);  // NumberOfNames
  section.U32(32, kSectionRva + kNameTable);
  section.U32(kNameTable, kSectionRva + 0x50);
  section.U32(kNameTable + 4, kSectionRva + 0x60);
  const std::string first = "DllMain";
  const std::string second = "DllRegisterServer";
  std::copy(first.begin(), first.end(), section.data.begin() + 0x50);
  std::copy(second.begin(), second.end(), section.data.begin() + 0x60);
  return section;
}

Bytes Image(const Bytes& section, std::uint32_t export_rva = kSectionRva, bool pe32_plus = false) {
  Bytes image;
  image.data = BuildImage(section.data, {.pe32_plus = pe32_plus, .resource_rva = 0});
  const std::size_t directories = testing::kOptionalHeaderOffset + (pe32_plus ? 112 : 96);
  image.U32(directories, export_rva);
  image.U32(directories + 4, 40);
  return image;
}

ExportLookup Find(const Bytes& image, std::string_view name = "DllRegisterServer") {
  return FindExport(image.data, name);
}

TEST(PeExports, FindsTheNameExactly) {
  for (const bool pe32_plus : {false, true}) {
    const Bytes image = Image(Section(), kSectionRva, pe32_plus);
    EXPECT_EQ(Find(image).error, ErrorKind::kNone);
    EXPECT_TRUE(Find(image).found);
    EXPECT_TRUE(Find(image, "DllMain").found);
    EXPECT_FALSE(Find(image, "DllRegister").found);
    EXPECT_FALSE(Find(image, "DllRegisterServerEx").found);
  }
}

TEST(PeExports, NoDirectoryNoNames) {
  const ExportLookup lookup = Find(Image(Section(), 0));
  EXPECT_EQ(lookup.error, ErrorKind::kNone);
  EXPECT_FALSE(lookup.found);

  Bytes section = Section();
  section.U32(24, 0);
  EXPECT_FALSE(Find(Image(section)).found);
}

TEST(PeExports, Directory) {
  EXPECT_EQ(Find(Image(Section(), 0x9000)).error, ErrorKind::kExportTableOutsideSections);
  EXPECT_EQ(Find(Image(Section(), kSectionRva + kSectionSize - 8)).error,
            ErrorKind::kExportTablePastEnd);
}

TEST(PeExports, NameTable) {
  Bytes section = Section();
  section.U32(24, 0x40000000);  // four bytes each: far more than the section holds
  EXPECT_EQ(Find(Image(section)).error, ErrorKind::kExportNamesPastEnd);

  section = Section();
  section.U32(32, 0x9000);
  EXPECT_EQ(Find(Image(section)).error, ErrorKind::kExportNamesPastEnd);
}

TEST(PeExports, Names) {
  Bytes section = Section();
  section.U32(kNameTable, 0x9000);
  EXPECT_EQ(Find(Image(section)).error, ErrorKind::kExportNameOutsideSections);

  // A name cut off by the section's end is read only as far as the section goes.
  section = Section();
  section.U32(kNameTable + 4, kSectionRva + kSectionSize - 4);
  const std::string cut = "DllR";
  std::copy(cut.begin(), cut.end(), section.data.end() - 4);
  const ExportLookup lookup = Find(Image(section));
  EXPECT_EQ(lookup.error, ErrorKind::kNone);
  EXPECT_FALSE(lookup.found);
}

// The image above as a whole 32-bit library; its one section is ".rsrc".
Bytes Library(const Bytes& section = Section()) {
  Bytes image = Image(section);
  image.U16(testing::kFileHeaderOffset + 18, 0x2102);  // executable, 32-bit, DLL
  return image;
}

std::vector<std::string> Refusals(const Bytes& image,
                                  Registration registration = Registration::kSelfRegistering) {
  return inspect::RefusalsOf(image.data, registration);
}

using Said = std::vector<std::string>;

TEST(ComponentRefusals, AWholeLibraryThatRegistersPasses) {
  EXPECT_EQ(Refusals(Library()), Said{});
  Bytes silent = Section();
  silent.U32(24, 1);  // lists DllMain only
  EXPECT_EQ(Refusals(Library(silent), Registration::kPlainLibrary), Said{});
  EXPECT_EQ(Refusals(Library(silent)),
            Said{"exports no DllRegisterServer, so regsvr32 cannot register it"});
}

TEST(ComponentRefusals, NotAWindowsLibrary) {
  Bytes image = Library();
  image.U16(testing::kFileHeaderOffset, 0x1C4);  // ARM
  EXPECT_EQ(Refusals(image), Said{"made for another processor (machine 0x01C4); this setup "
                                  "installs 32-bit x86 components"});
  image = Library();
  image.U16(testing::kFileHeaderOffset + 18, 0x0102);
  EXPECT_EQ(Refusals(image), Said{"a program, not a library (DLL)"});
  image = Library();
  image.U32(testing::kPeOffset, 0x4551);  // "QE"
  EXPECT_EQ(Refusals(image), Said{"not a Windows program file (an MS-DOS header with no PE header "
                                  "where it points)"});
  image.Resize(40);
  EXPECT_EQ(Refusals(image), Said{"ends at byte 40, inside its DOS header"});
}

TEST(ComponentRefusals, CutShort) {
  Bytes image = Library();
  image.Resize(testing::kSectionFileOffset + 0x10);
  EXPECT_EQ(Refusals(image), Said{"ends at byte 1040, inside section .rsrc"});
  image.Resize(testing::kSectionFileOffset);
  EXPECT_EQ(Refusals(image), Said{"ends at byte 1024, before section .rsrc"});
  image.Resize(testing::SectionTableOffset(false) + 8);
  EXPECT_EQ(Refusals(image), Said{"ends at byte 320, inside its headers"});
}

}  // namespace
}  // namespace brantel::pe
