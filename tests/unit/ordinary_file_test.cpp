#include <gtest/gtest.h>

#include "installer/ordinary_file.h"

namespace brantel {
namespace {

using namespace file_attribute;

TEST(OrdinaryFile, ReadOnlyAndArchiveFilesCountAsPresent) {
  EXPECT_TRUE(IsOrdinaryFile(0));
  EXPECT_TRUE(IsOrdinaryFile(0x80));  // FILE_ATTRIBUTE_NORMAL
  EXPECT_TRUE(IsOrdinaryFile(kReadOnly));
  EXPECT_TRUE(IsOrdinaryFile(kArchive));
  EXPECT_TRUE(IsOrdinaryFile(kReadOnly | kArchive));
}

TEST(OrdinaryFile, HiddenSystemAndDirectoryEntriesDoNot) {
  for (const std::uint32_t excluded : {kHidden, kSystem, kDirectory, kVolumeLabel}) {
    EXPECT_FALSE(IsOrdinaryFile(excluded)) << excluded;
    EXPECT_FALSE(IsOrdinaryFile(excluded | kArchive)) << excluded;
    EXPECT_FALSE(IsOrdinaryFile(excluded | kReadOnly)) << excluded;
  }
}

}  // namespace
}  // namespace brantel
