#include <gtest/gtest.h>

#include "common/error.h"
#include "fake_system.h"
#include "installer/extract.h"

namespace brantel {
namespace {

TEST(ExtractFile, WritesTheWholeEntryToThePath) {
  testing::FakeStore store;
  testing::FakeSystem writer;
  ExtractFile(store, writer, "MSINET.OCX", "Custom", "C:\\windows\\System32\\MSINET.OCX");
  ASSERT_EQ(writer.order, std::vector<std::string>{"C:\\windows\\System32\\MSINET.OCX"});
  EXPECT_EQ(writer.files.begin()->second, store.entries.at("MSINET.OCX"));
}

TEST(ExtractFile, AMissingEntryFailsBeforeAnyFileIsTouched) {
  testing::FakeStore store;
  testing::FakeSystem writer;
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

TEST(ExtractFile, AFailedWriteLeavesWhatHadTheNameAndNoStagedFile) {
  testing::FakeStore store;
  testing::FakeSystem writer;
  const std::string path = "C:\\full\\VBAME.DLL";
  writer.hidden[path] = {1, 2, 3};
  writer.failOn = path;
  EXPECT_THROW(ExtractFile(store, writer, "VBAME.DLL", "Custom", path), Error);
  EXPECT_EQ(writer.hidden.at(path), (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_TRUE(writer.files.empty());
  EXPECT_EQ(writer.stagedLeft, 0);
}

TEST(ExtractFile, AHiddenOrSystemEntryIsReplacedByTheWholeEntry) {
  testing::FakeStore store;
  testing::FakeSystem writer;
  const std::string path = "C:\\windows\\System32\\MSINET.OCX";
  writer.hidden[path] = std::vector<std::uint8_t>(4096, 0xA5);
  EXPECT_EQ(ExtractFile(store, writer, "MSINET.OCX", "Custom", path), Extraction::Written);
  EXPECT_FALSE(writer.hidden.contains(path));
  EXPECT_EQ(writer.files.at(path), store.entries.at("MSINET.OCX"));
  EXPECT_EQ(writer.stagedLeft, 0);
}

TEST(ExtractFile, AFileAnotherCopyCompletedMeanwhileStaysAndTheStagedOneGoes) {
  testing::FakeStore store;
  testing::FakeSystem writer;
  const std::string path = "C:\\windows\\System32\\MSINET.OCX";
  writer.completedMeanwhile[path] = {9, 9};
  EXPECT_EQ(ExtractFile(store, writer, "MSINET.OCX", "Custom", path),
            Extraction::CompletedMeanwhile);
  EXPECT_EQ(writer.files.at(path), (std::vector<std::uint8_t>{9, 9}));
  EXPECT_TRUE(writer.order.empty());
  EXPECT_EQ(writer.stagedLeft, 0);
}

// A hidden, older MSCOMCTL.OCX whose replaces are refused, one with each of `codes` in turn.
struct RefusedReplace {
  explicit RefusedReplace(std::vector<std::uint32_t> codes) {
    writer.hidden[path] = kOlder;
    writer.refusals[path] = std::move(codes);
  }
  Extraction Extract() { return ExtractFile(store, writer, "MSCOMCTL.OCX", "Custom", path); }

  static inline const std::vector<std::uint8_t> kOlder{1, 2, 3};
  testing::FakeStore store;
  testing::FakeSystem writer;
  const std::string path = "C:\\windows\\System32\\MSCOMCTL.OCX";
};

// Another copy replaced the hidden entry first and still holds its file, so this replace is
// refused: what has the name now is that copy's complete component.
TEST(ExtractFile, AReplaceRefusedOverAnotherCopysFileLeavesItThere) {
  for (const std::uint32_t code : {5u, 32u, 80u, 183u}) {
    RefusedReplace folder({code});
    folder.writer.takenOnRefusal[folder.path] = {9, 9};
    EXPECT_EQ(folder.Extract(), Extraction::CompletedMeanwhile) << code;
    EXPECT_EQ(folder.writer.files.at(folder.path), (std::vector<std::uint8_t>{9, 9}));
    EXPECT_TRUE(folder.writer.order.empty());
    EXPECT_EQ(folder.writer.stagedLeft, 0);
  }
}

TEST(ExtractFile, AReplaceRefusedWhileTheHiddenEntryStaysIsTriedAgain) {
  RefusedReplace folder({32, 5});
  EXPECT_EQ(folder.Extract(), Extraction::Written);
  EXPECT_EQ(folder.writer.files.at(folder.path), folder.store.entries.at("MSCOMCTL.OCX"));
  EXPECT_EQ(folder.writer.replaces, 3);
  EXPECT_EQ(folder.writer.pauses, 2);
  EXPECT_EQ(folder.writer.stagedLeft, 0);
}

TEST(ExtractFile, AHiddenEntryThatKeepsRefusingFailsAfterBoundedAttempts) {
  RefusedReplace folder(std::vector<std::uint32_t>(kReplaceAttempts + 1, 5));
  try {
    folder.Extract();
    FAIL() << "the replace was given up without an error";
  } catch (const Error& error) {
    EXPECT_EQ(error.code(), 5u);
  }
  EXPECT_EQ(folder.writer.replaces, kReplaceAttempts);
  EXPECT_EQ(folder.writer.pauses, kReplaceAttempts - 1);
  EXPECT_EQ(folder.writer.hidden.at(folder.path), RefusedReplace::kOlder);
  EXPECT_TRUE(folder.writer.files.empty());
  EXPECT_EQ(folder.writer.stagedLeft, 0);
}

TEST(ExtractFile, AnyOtherFailedReplaceIsAnErrorAtOnce) {
  RefusedReplace folder({112, 112});  // ERROR_DISK_FULL
  EXPECT_THROW(folder.Extract(), Error);
  EXPECT_EQ(folder.writer.replaces, 1);
  EXPECT_EQ(folder.writer.pauses, 0);
  EXPECT_EQ(folder.writer.hidden.at(folder.path), RefusedReplace::kOlder);
  EXPECT_EQ(folder.writer.stagedLeft, 0);
}

}  // namespace
}  // namespace brantel
