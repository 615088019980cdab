#include <gtest/gtest.h>

#include <string>

#include "common/error.h"
#include "fake_form.h"
#include "installer/catalogue.h"
#include "installer/run_texts.h"
#include "window/rows.h"
#include "window/status_line.h"

namespace brantel {
namespace {

std::size_t Dots(const std::string& line, std::string_view name) {
  std::size_t count = 0;
  for (std::size_t i = name.size(); i < line.size() && line[i] == '.'; ++i) ++count;
  return count;
}

TEST(StatusLine, DotCountsForEveryComponentAndBothMessages) {
  // Name length → dots before each message.
  const std::map<std::size_t, std::pair<std::size_t, std::size_t>> expected = {
      {9, {16, 34}}, {10, {15, 33}}, {11, {14, 32}}, {12, {13, 31}}};
  for (const std::string_view name : kComponentNames) {
    const auto [installedDots, presentDots] = expected.at(name.size());
    const std::string installed = ComposeStatusLine(name, kMessageInstalled);
    const std::string present = ComposeStatusLine(name, kMessageAlreadyInstalled);
    EXPECT_EQ(installed.size(), 60u) << installed;
    EXPECT_EQ(present.size(), 60u) << present;
    EXPECT_EQ(Dots(installed, name), installedDots) << installed;
    EXPECT_EQ(Dots(present, name), presentDots) << present;
    EXPECT_TRUE(installed.starts_with(name) && installed.ends_with(kMessageInstalled));
    EXPECT_TRUE(present.starts_with(name) && present.ends_with(kMessageAlreadyInstalled));
  }
  EXPECT_EQ(ComposeStatusLine("MSADODC.OCX", "Already installed"),
            "MSADODC.OCX" + std::string(32, '.') + "Already installed");
}

TEST(StatusLine, ExactlyFullPairJoinsWithoutDots) {
  const std::string text(25, 'A');
  const std::string message(35, 'b');
  EXPECT_EQ(ComposeStatusLine(text, message), text + message);
}

TEST(StatusLine, CountsCharactersNotBytes) {
  const std::string text = "\xC3\xA9T\xC3\xA9.DLL";  // 7 characters in 9 bytes
  const std::string line = ComposeStatusLine(text, "ok");
  EXPECT_EQ(CharacterCount(line), 60u);
  EXPECT_EQ(Dots(line, text), 51u);
}

TEST(StatusLine, LongerPairIsAnInvalidArgumentAndLeavesTheLabelAlone) {
  testing::FakeForm form;
  const std::string longName(26, 'N');  // 26 + 35 = 61
  form.PresetLabel(0, longName);
  try {
    form.AppendRowStatus(0, kMessageInstalled);
    FAIL() << "a 61-character pair was accepted";
  } catch (const Error& error) {
    EXPECT_EQ(error.code(), error_code::kInvalidArgument);
  }
  EXPECT_EQ(form.Label(0), longName);
}

TEST(StatusLine, AppendWritesTheComposedLineIntoTheLabel) {
  testing::FakeForm form;
  form.PresetLabel(3, "COMCTL32.OCX");
  form.AppendRowStatus(3, kMessageAlreadyInstalled);
  EXPECT_EQ(form.Label(3), "COMCTL32.OCX" + std::string(31, '.') + "Already installed");
}

}  // namespace
}  // namespace brantel
