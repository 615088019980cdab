#include <gtest/gtest.h>

#include "fake_form.h"
#include "fake_system.h"
#include "installer/catalogue.h"
#include "installer/install_run.h"
#include "installer/run_texts.h"
#include "window/form_controls.h"
#include "window/rows.h"
#include "window/status_line.h"

#include <algorithm>

namespace brantel {
namespace {

using enum ControlName;
using testing::FakeForm;
using testing::FakeStore;
using testing::FakeSystem;

// A window after load, and the system around it.
struct InstallFixture {
  InstallFixture() {
    BuildRows(form);
    form.buttonCaption = "Install";
    form.ops.clear();
    form.pumps = 0;
    form.timeline = &timeline;
    system.timeline = &timeline;
  }
  void Click() { Install(form, system, store, system); }
  std::string PathOf(ComponentIndex i) {
    return "C:\\windows\\System32\\" + std::string(kComponentNames[static_cast<std::size_t>(i)]);
  }

  FakeForm form;
  FakeSystem system;
  FakeStore store;
  std::vector<std::string> timeline;  // the window's operations and the message box, in order
};

TEST(InstallRun, NothingPresentWritesAndRegistersEveryComponentInOrder) {
  InstallFixture run;
  run.Click();
  ASSERT_EQ(run.system.order.size(), 14u);
  ASSERT_EQ(run.system.started.size(), 14u);
  for (ComponentIndex i = 0; i < kComponentCount; ++i) {
    const std::string name(kComponentNames[static_cast<std::size_t>(i)]);
    EXPECT_EQ(run.system.order[static_cast<std::size_t>(i)], run.PathOf(i));
    EXPECT_EQ(run.system.files[run.PathOf(i)], run.store.entries[name]);
    EXPECT_EQ(run.system.started[static_cast<std::size_t>(i)].commandLine, "regsvr32 /s " + name);
    EXPECT_EQ(run.system.started[static_cast<std::size_t>(i)].program, "regsvr32.exe");
    EXPECT_EQ(run.system.started[static_cast<std::size_t>(i)].workingFolder,
              "C:\\windows\\System32\\");
    EXPECT_EQ(run.form.VisiblePictures(i), std::vector<ControlName>{PicGood});
    EXPECT_EQ(run.form.Label(i), ComposeStatusLine(name, kMessageInstalled));
  }
  EXPECT_EQ(run.system.started[0].commandLine, "regsvr32 /s VBAME.DLL");
  EXPECT_EQ(run.form.buttonCaption, "Finish");
  EXPECT_TRUE(run.system.messages.empty());
  EXPECT_EQ(run.form.pumps, 0);
}

TEST(InstallRun, EachComponentIsShownInProgressThenPaintedOnceDone) {
  InstallFixture run;
  run.system.files[run.PathOf(9)] = {};
  run.Click();
  const auto& ops = run.form.ops;
  EXPECT_EQ(ops.front(), "caption Installing...");
  EXPECT_EQ(ops.back(), "caption Finish");
  const auto arrow = std::find(ops.begin(), ops.end(), "show PicArrow(4)");
  const auto good = std::find(ops.begin(), ops.end(), "show PicGood(4)");
  const auto text = std::find(ops.begin(), ops.end(), "settext lblCom(4)");
  EXPECT_TRUE(arrow < text && text < good);
  // One paint per row, right after the five picture changes of its final state.
  std::vector<std::size_t> paints;
  for (std::size_t at = 5; at < ops.size(); ++at) {
    if (ops[at] == "paint") paints.push_back(at);
  }
  ASSERT_EQ(paints.size(), 14u);
  for (ComponentIndex i = 0; i < kComponentCount; ++i) {
    const std::string row = "(" + std::to_string(i) + ")";
    const auto last =
        ops.begin() + static_cast<std::ptrdiff_t>(paints[static_cast<std::size_t>(i)]);
    EXPECT_EQ(*(last - 1), "hide PicArrow" + row);
    EXPECT_EQ(*(last - 5), (i == 9 ? "hide PicGood" : "show PicGood") + row);
    EXPECT_EQ(*(last - 3), (i == 9 ? "show PicInfo" : "hide PicInfo") + row);
  }
}

// Rows that finish faster than a display frame are painted together: every fourth row at 5 ms a
// row, and the rest at the end, before the caption changes; a run that takes no time at all is
// painted once.
TEST(InstallRun, FastRowsArePaintedOncePerFrame) {
  const auto paintedAfterRows = [](std::uint64_t microsecondsPerRow) {
    InstallFixture run;
    run.system.microsecondsPerFind = microsecondsPerRow;
    run.Click();
    std::vector<int> rows;
    int done = -1;
    for (const std::string& op : run.form.ops) {
      if (op.starts_with("hide PicArrow(")) ++done;
      if (op == "paint") rows.push_back(done);
    }
    EXPECT_EQ(run.form.ops.back(), "caption Finish");
    EXPECT_EQ(run.form.ops[run.form.ops.size() - 2], "paint");
    return rows;
  };
  EXPECT_EQ(paintedAfterRows(5'000), (std::vector<int>{3, 7, 11, 13}));
  EXPECT_EQ(paintedAfterRows(0), (std::vector<int>{13}));
}

TEST(InstallRun, EverythingPresentChangesNothingAndStartsNothing) {
  InstallFixture run;
  for (ComponentIndex i = 0; i < kComponentCount; ++i) run.system.files[run.PathOf(i)] = {};
  run.Click();
  EXPECT_TRUE(run.system.order.empty());
  EXPECT_TRUE(run.system.started.empty());
  for (ComponentIndex i = 0; i < kComponentCount; ++i) {
    EXPECT_EQ(run.form.VisiblePictures(i), std::vector<ControlName>{PicInfo});
    EXPECT_TRUE(run.form.Label(i).ends_with("Already installed"));
    EXPECT_EQ(run.form.Label(i).size(), 60u);
  }
  EXPECT_EQ(run.form.buttonCaption, "Finish");
}

TEST(InstallRun, MixedPresenceTreatsEachComponentOnItsOwn) {
  InstallFixture run;
  run.system.files = {{run.PathOf(1), {}}, {run.PathOf(12), {}}};
  run.Click();
  EXPECT_EQ(run.system.order.size(), 12u);
  EXPECT_TRUE(run.system.files.at(run.PathOf(1)).empty());
  EXPECT_EQ(run.system.started.size(), 12u);
  EXPECT_EQ(run.form.VisiblePictures(12), std::vector<ControlName>{PicInfo});
  EXPECT_EQ(run.form.VisiblePictures(13), std::vector<ControlName>{PicGood});
}

TEST(InstallRun, UnsetWindirTargetsSystem32OnTheCurrentDrive) {
  InstallFixture run;
  run.system.environment.clear();
  run.Click();
  EXPECT_EQ(run.system.ops.front(), "find \\System32\\VBAME.DLL");
  EXPECT_TRUE(run.system.files.contains("\\System32\\MSINET.OCX"));
  EXPECT_EQ(run.system.started[0].workingFolder, "\\System32\\");
}

TEST(InstallRun, WriteFailureStopsTheRunWithTheMessageAndKeepsTheRows) {
  InstallFixture run;
  run.system.failOn = run.PathOf(5);
  run.Click();
  ASSERT_EQ(run.system.messages.size(), 1u);
  EXPECT_EQ(run.system.messages[0].first, "Install error..");
  EXPECT_EQ(run.system.messages[0].second, "Brantel");
  EXPECT_EQ(run.form.buttonCaption, "Finish");
  EXPECT_EQ(run.system.started.size(), 5u);
  for (ComponentIndex i = 0; i < 5; ++i) {
    EXPECT_EQ(run.form.VisiblePictures(i), std::vector<ControlName>{PicGood});
  }
  EXPECT_EQ(run.form.VisiblePictures(5), std::vector<ControlName>{PicArrow});
  EXPECT_EQ(run.form.Label(5), "COMDLG32.OCX");
  for (ComponentIndex i = 6; i < kComponentCount; ++i) {
    EXPECT_EQ(run.form.VisiblePictures(i), std::vector<ControlName>{PicQues});
    EXPECT_EQ(run.form.Label(i), kComponentNames[static_cast<std::size_t>(i)]);
  }
  // The rows are painted as they stand, then the box is shown, and only once it is closed does
  // the caption change.
  const std::vector<std::string> end(run.timeline.end() - 3, run.timeline.end());
  EXPECT_EQ(end, (std::vector<std::string>{"paint", "message", "caption Finish"}));
}

TEST(InstallRun, ExistenceTestStartAndStatusLineFailuresAllReachTheOneHandler) {
  {
    InstallFixture run;
    run.system.failFindOn = run.PathOf(3);
    run.Click();
    EXPECT_EQ(run.system.messages.size(), 1u);
    EXPECT_EQ(run.system.files.size(), 3u);
    EXPECT_EQ(run.form.VisiblePictures(3), std::vector<ControlName>{PicArrow});
  }
  {
    InstallFixture run;
    run.system.failStart = true;
    run.Click();
    EXPECT_EQ(run.system.messages.size(), 1u);
    // Written, then removed again once its registration could not be started.
    EXPECT_TRUE(run.system.files.empty());
    EXPECT_EQ(run.system.removed, std::vector<std::string>{run.PathOf(0)});
    EXPECT_EQ(run.form.VisiblePictures(0), std::vector<ControlName>{PicArrow});
    EXPECT_EQ(run.form.Label(0), "VBAME.DLL");
  }
  {
    InstallFixture run;
    run.form.PresetLabel(2, std::string(30, 'X'));  // too long for its status line
    run.Click();
    EXPECT_EQ(run.system.messages.size(), 1u);
    EXPECT_EQ(run.form.Label(2), std::string(30, 'X'));
    EXPECT_EQ(run.form.VisiblePictures(2), std::vector<ControlName>{PicArrow});
    EXPECT_EQ(run.form.buttonCaption, "Finish");
  }
}

TEST(InstallRun, AComponentAnotherCopyCompletedMeanwhileIsAlreadyInstalledAndNotRegistered) {
  InstallFixture run;
  run.system.completedMeanwhile[run.PathOf(2)] = {7};
  run.Click();
  EXPECT_EQ(run.system.files.at(run.PathOf(2)), std::vector<std::uint8_t>{7});
  EXPECT_EQ(run.system.started.size(), 13u);
  EXPECT_EQ(run.form.VisiblePictures(2), std::vector<ControlName>{PicInfo});
  EXPECT_TRUE(run.form.Label(2).ends_with("Already installed"));
  EXPECT_EQ(run.form.buttonCaption, "Finish");
}

TEST(InstallRun, TheHandlerTellsTheDebuggerWhatFailedBeforeTheMessage) {
  InstallFixture run;
  run.system.failOn = run.PathOf(4);
  run.Click();
  ASSERT_EQ(run.system.debugLines.size(), 1u);
  const std::string& line = run.system.debugLines[0];
  EXPECT_TRUE(
      line.starts_with("Brantel setup: MSWINSCK.OCX: WriteFile failed, error 112 "
                       "(There is not enough space on the disk.), "))
      << line;
  EXPECT_NE(line.find("fake_system.cpp line "), std::string::npos) << line;
  const std::vector<std::string> end(run.timeline.end() - 4, run.timeline.end());
  EXPECT_EQ(end, (std::vector<std::string>{"debug", "paint", "message", "caption Finish"}));
}

TEST(InstallRun, MissingPayloadEntryFailsBeforeAnyFileIsWritten) {
  InstallFixture run;
  run.store.entries.erase("MSCOMCTL.OCX");
  run.Click();
  EXPECT_EQ(run.system.messages.size(), 1u);
  EXPECT_FALSE(run.system.files.contains(run.PathOf(2)));
  EXPECT_EQ(run.system.started.size(), 2u);
}

TEST(InstallRun, CaptionIsTheRunState) {
  {
    InstallFixture run;
    run.form.buttonCaption = "Installing...";
    run.Click();
    EXPECT_EQ(run.form.buttonCaption, "Installing...");
    EXPECT_TRUE(run.form.ops.empty());
    EXPECT_TRUE(run.system.ops.empty());
  }
  {
    InstallFixture run;
    run.form.buttonCaption = "Finish";
    EXPECT_THROW(run.Click(), testing::ProgramEnded);
    EXPECT_EQ(run.system.ops, std::vector<std::string>{"end"});
    EXPECT_TRUE(run.form.ops.empty());
    EXPECT_TRUE(run.system.files.empty());
  }
  {
    InstallFixture run;  // comparisons are exact: any other caption starts a run
    run.form.buttonCaption = "finish";
    run.Click();
    EXPECT_EQ(run.system.files.size(), 14u);
  }
  {
    InstallFixture run;  // the click after a finished run ends the program
    run.Click();
    EXPECT_THROW(run.Click(), testing::ProgramEnded);
    EXPECT_EQ(run.system.files.size(), 14u);
    EXPECT_EQ(run.system.started.size(), 14u);
  }
}

}  // namespace
}  // namespace brantel
