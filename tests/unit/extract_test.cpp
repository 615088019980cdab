#include <gtest/gtest.h>

#include "common/error.h"
#include "fake_system.h"
#include "installer/extract.h"

namespace brantel {
namespace {

TEST(ExtractFile, WritesTheWholeEntryToThePath) {
  testing::FakeStore store;
  testing::FakeWriter writer;
  ExtractFile(store, writer, "MSINET.OCX", "Custom", "C:\\windows\\System32\\MSINET.OCX");
  ASSERT_EQ(writer.order, std::vector<std::string>{"C:\\windows\\System32\\MSINET.OCX"});
  EXPECT_EQ(writer.files.begin()->second, store.entries.at("MSINET.OCX"));
}

TEST(ExtractFile, AMissingEntryFailsBeforeAnyFileIsTouched) {
  testing::FakeStore store;
  testing::FakeWriter writer;
  for (const auto& [name, type] :
       {std::pair{"<<<<False>>>>", "Custom"}, std::pair{"MSINET.OCX", "RCDATA"}}) {
    try {
      ExtractFile(store, writer, name, type, "C:\\target");
      FAIL() << name << " " << type << " was extracted";
    } catch (const Error& error) {
      EXPECT_TRUE(error.code() == error_code::kResourceNameNotFound ||
                  error.code() == error_code::kResourceTypeNotFound);
    }
  }
  EXPECT_TRUE(writer.files.empty());
}

TEST(ExtractFile, AFailedWriteReachesTheCaller) {
  testing::FakeStore store;
  testing::FakeWriter writer;
  writer.failOn = "C:\\full\\VBAME.DLL";
  EXPECT_THROW(ExtractFile(store, writer, "VBAME.DLL", "Custom", "C:\\full\\VBAME.DLL"), Error);
}

}  // namespace
}  // namespace brantel
